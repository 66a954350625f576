#include <gtest/gtest.h>

#include "ui/core/StandardPainters.h"
#include "ui/core/UltraFlatPainters.h"
#include "ui/core/WinXPPainter.h"

TEST(PainterClasses, StyleCodesMapToKinds) {
    struct Case {
        TcxCustomLookAndFeelPainterClass painter;
        const char* name;
        int style;
        TcxLookAndFeelKind kind;
    } cases[] = {
        {TcxCustomLookAndFeelPainter::Painter(), "TcxCustomLookAndFeelPainter", 1, lfStandard},
        {TcxFlatLookAndFeelPainter::Painter(), "TcxFlatLookAndFeelPainter", 0, lfFlat},
        {TcxStandardLookAndFeelPainter::Painter(), "TcxStandardLookAndFeelPainter", 1, lfStandard},
        {TcxUltraFlatLookAndFeelPainter::Painter(), "TcxUltraFlatLookAndFeelPainter", 2, lfUltraFlat},
        {TcxWinXPLookAndFeelPainter::Painter(), "TcxWinXPLookAndFeelPainter", 3, lfStandard},
        {TcxOffice11LookAndFeelPainter::Painter(), "TcxOffice11LookAndFeelPainter", 4, lfOffice11},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.painter->ClassName(), c.name);
        EXPECT_EQ(c.painter->GetPaintStyle(), c.style) << c.name;
        EXPECT_EQ(LookAndFeelStyleToKind(c.painter->GetPaintStyle()), c.kind) << c.name;
        EXPECT_TRUE(c.painter->InheritsFrom(TcxCustomLookAndFeelPainter::StaticClass()));
    }
    // One instance per class: the class reference.
    EXPECT_EQ(TcxOffice11LookAndFeelPainter::Painter(), TcxOffice11LookAndFeelPainter::Painter());
    EXPECT_TRUE(TcxOffice11LookAndFeelPainter::Painter()->InheritsFrom(
        TcxUltraFlatLookAndFeelPainter::StaticClass()));
    EXPECT_TRUE(
        TcxWinXPLookAndFeelPainter::Painter()->InheritsFrom(TcxStandardLookAndFeelPainter::StaticClass()));
    EXPECT_FALSE(TcxCustomLookAndFeelPainter::StaticClass()->CanCreate());
}
