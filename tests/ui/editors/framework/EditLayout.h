#pragma once
// A view data laid out without an editor: properties with buttons, a free edit style, and a view
// info computed on a small surface's canvas.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "tests/ui/core/PaintSurface.h"
#include "ui/editors/framework/EditViewData.h"

inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace edit_layout {

inline bool Same(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}

struct TButtonRow {
    TcxEditButtonKind kind = bkDown;
    int width = 0;
    bool left = false;
    bool visible = true;
    bool stretchable = true;
    bool enabled = true;
};

// Properties, a free standalone or inplace style and a view data laid out without an editor.
struct TLayout {
    TcxCustomEditProperties properties;
    TcxEditStyle style{nullptr, false};
    std::unique_ptr<TcxCustomEditViewData> data;
    TcxCustomEditViewInfo info;
    TPaintSurface surface{4, 4};

    void AddButtons(const std::vector<TButtonRow>& rows) {
        for (const TButtonRow& row : rows) {
            TcxEditButton* button = properties.Buttons()->Add();
            button->SetKind(row.kind);
            button->SetWidth(row.width);
            button->SetLeftAlignment(row.left);
            button->SetVisible(row.visible);
            button->SetStretchable(row.stretchable);
            button->SetEnabled(row.enabled);
        }
    }
    TcxCustomEditViewData& Make(bool inplace) {
        data = properties.MakeViewData(&style, inplace);
        return *data;
    }
    void Calculate(const TRect& bounds, TPoint p = TPoint{-1, -1}, TShiftState shift = {}, bool mouse = false) {
        data->CalculateLayout(surface.cx, bounds, p, mouse ? mbLeft : -1, shift, &info, mouse);
    }
};

} // namespace edit_layout
