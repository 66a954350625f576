#pragma once
// What every painter draws with: the system check-box size, the row-indicator glyphs, the two
// scroll-bar page patterns and the radio-button images generated from the system's own radio
// button, in four looks, each state, checked or not and with the two highlight flags.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/ImageList.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/LookAndFeelPainters.h"

// Pixel codes of the radio-button pattern.
enum TcxRadioPixel : uint8_t {
    rpNone = 0,     // outside: masked out
    rpOuterTop = 1, // outer ring above the diagonal from top right to bottom left
    rpOuterBottom = 2,
    rpInnerTop = 3, // inner ring above the diagonal
    rpInnerBottom = 4,
    rpBody = 5,
    rpDot = 6
};

class TcxRadioButtonImageList : public TObject {
public:
    VZ_CLASS(TcxRadioButtonImageList, TObject)
    TcxRadioButtonImageList(); // measures, builds the pattern and the mask, and fills the images
    ~TcxRadioButtonImageList() override;

    TImageList* Images() const { return images_.get(); }
    TBitmap* OpaqueMask() const { return opaqueMask_.get(); }
    TSize Size() const { return TSize{width_, height_}; }
    // Where the radio sits in the system's check-box cell, and its dot there.
    TPoint Origin() const { return origin_; }
    TRect DotRect() const { return dot_; }
    uint8_t PatternAt(int x, int y) const { return pattern_[static_cast<size_t>(y) * width_ + x]; }
    // The image of a combination; bpsDefault counts as bpsNormal.
    int ImageIndex(TcxLookAndFeelKind kind, TcxButtonPaintState state, bool checked, bool flagB,
                   bool flagA) const;

    // With brushColor clDefault the image is drawn transparent; else on that colour.
    void PaintImage(TcxCanvas* canvas, int x, int y, TColor brushColor, TcxLookAndFeelKind kind,
                    TcxButtonPaintState state, bool checked, bool flagB, bool flagA);
    // Clears the images and makes them again from the pattern with the current colours.
    void Regenerate();

    // The radio's box in a cell of the system check-box size: the columns and rows that the
    // system's radio mask covers.
    static TRect MeasureRadio(TSize cell);
    // The dot of the system's checked radio in its cell: runs of the text colour through the
    // box's centre, never leaving the box. Empty when the centre is not of the text colour.
    static TRect FindDot(TBitmap& checkedCell, const TRect& box, COLORREF textColor);

private:
    void BuildPattern();
    void AddImages();
    TColor MapColor(uint8_t code, TcxLookAndFeelKind kind, TcxButtonPaintState state, bool checked,
                    bool flagB, bool flagA) const;

    int width_ = 0;
    int height_ = 0;
    TPoint origin_{0, 0};
    TRect dot_{0, 0, 0, 0};
    std::vector<uint8_t> pattern_;
    std::vector<int> indexMap_;
    std::unique_ptr<TImageList> images_;
    std::unique_ptr<TBitmap> opaqueMask_;
};

// The shared radio-button images, made on first use; nullptr outside the unit's life only when
// asked with create false.
TcxRadioButtonImageList* GetRadioButtonImages(bool create = true);
// (Re)paints the two 8 x 8 page patterns with the current system colours.
void UpdateScrollBarPatterns();
// The check-box cell of the system's OBM_CHECKBOXES bitmap.
TSize MeasureSystemCheckBoxSize();

// Unit start: the registry, the indicator images, the scroll-bar patterns, the primary palette
// notifier and the check-box size. Unit end in reverse, with the radio-button images.
void PainterResourcesInitialize();
void PainterResourcesFinalize();
