#include "ui/editors/framework/EditViewInfo.h"

#include <algorithm>

#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/StandardPainters.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditPaintUtils.h"
#include "ui/editors/framework/EditViewData.h"

namespace {

const TColor NotSet = static_cast<TColor>(cxEditNotSet);

bool RectIsEmpty(const TRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

TRect Shrunk(const TRect& r, int dx, int dy) {
    return TRect{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

// The painter's button kind and state for a skin-drawn edit button.
TcxEditBtnKind SkinButtonKind(TcxEditButtonKind kind) {
    switch (kind) {
    case bkEllipsis:
        return static_cast<TcxEditBtnKind>(3);
    case bkDown:
        return static_cast<TcxEditBtnKind>(1);
    default:
        return static_cast<TcxEditBtnKind>(2);
    }
}

TcxButtonPaintState SkinButtonState(TcxEditButtonState state) {
    static const TcxButtonPaintState states[] = {bpsDisabled, bpsNormal, bpsPressed, bpsHot};
    return states[state];
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcxEditButtonViewInfo

void TcxEditButtonViewInfo::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TcxEditButtonViewInfo*>(source);
    if (!other) return TPersistent::Assign(source);
    Bounds = other->Bounds;
    Data = other->Data;
    Glyph = other->Glyph;
    HasBackground = other->HasBackground;
}

bool TcxEditButtonViewInfo::IsSameLook(const TcxEditButtonViewInfo* other) const {
    if (!other) return false;
    const TcxEditButtonViewInfoData& a = Data;
    const TcxEditButtonViewInfoData& b = other->Data;
    return EqualRect(&Bounds, &other->Bounds) && EqualRect(&a.VisibleBounds, &b.VisibleBounds) &&
           a.Kind == b.Kind && a.Caption == b.Caption && a.VisibleCaption == b.VisibleCaption &&
           a.BackgroundColor == b.BackgroundColor && a.TextColor == b.TextColor &&
           a.ContentAlignment == b.ContentAlignment && a.Default == b.Default && a.Gradient == b.Gradient &&
           a.LeftAlignment == b.LeftAlignment && a.FirstInGroup == b.FirstInGroup &&
           a.LastInGroup == b.LastInGroup && a.State == b.State && a.Style == b.Style &&
           a.NativeStyle == b.NativeStyle && a.NativePart == b.NativePart && a.NativeState == b.NativeState &&
           a.Transparent == b.Transparent && Glyph == other->Glyph;
}

std::unique_ptr<TcxRegion> TcxEditButtonViewInfo::GetUpdateRegion(const TcxEditButtonViewInfo* other) const {
    std::unique_ptr<TcxRegion> region = TcxRegion::CreateEmpty();
    if (IsSameLook(other)) return region;
    region->CombineWith(TcxRegion(Bounds), rcmAdd);
    if (other) region->CombineWith(TcxRegion(other->Bounds), rcmAdd);
    return region;
}

bool TcxEditButtonViewInfo::Repaint(HWND window, const TcxEditButtonViewInfo* other) const {
    if (!window || IsSameLook(other)) return false;
    if (!RectIsEmpty(Bounds)) InvalidateRect(window, &Bounds, FALSE);
    if (other && !EqualRect(&other->Bounds, &Bounds) && !RectIsEmpty(other->Bounds))
        InvalidateRect(window, &other->Bounds, FALSE);
    return true;
}

// ---------------------------------------------------------------------------------------------
// TcxCustomEditViewInfo

TcxCustomEditViewInfo::TcxCustomEditViewInfo() = default;
TcxCustomEditViewInfo::~TcxCustomEditViewInfo() = default;

TcxContainerViewInfoClass TcxCustomEditViewInfo::Class() {
    return []() -> std::unique_ptr<TcxContainerViewInfo> { return std::make_unique<TcxCustomEditViewInfo>(); };
}

void TcxCustomEditViewInfo::SetButtonCount(int count) {
    if (count == ButtonCount()) return;
    ButtonInfos.clear();
    TcxEditButtonViewInfoClass make = ButtonViewInfoClass();
    for (int i = 0; i < count; ++i) ButtonInfos.push_back(make());
}

TcxEditButtonViewInfoClass TcxCustomEditViewInfo::ButtonViewInfoClass() {
    return [] { return std::make_unique<TcxEditButtonViewInfo>(); };
}

bool TcxCustomEditViewInfo::IsTransparent() {
    return Transparent || (Editor && Editor->Transparent());
}

void TcxCustomEditViewInfo::GetPainterEditorColors(TColor& background, TColor& text) {
    background = NotSet;
    text = NotSet;
    if (!SkinPainter || InplaceMode || !Editor) return;
    auto assigns = [&](TcxContainerStyleValue value) {
        TcxContainerStyle* active = Editor->GetActiveStyle();
        return (active && active->IsStyleValueAssigned(value)) || Editor->Style()->IsStyleValueAssigned(value);
    };
    if (!assigns(svColor)) background = SkinPainter->GetEditorBackColor(!EnabledFlag);
    if (!assigns(svTextColor)) text = SkinPainter->GetEditorTextColor(!EnabledFlag);
}

// --- drawing

void TcxCustomEditViewInfo::DrawOn(TcxCanvas& canvas) {
    if (OnPaintHandler) OnPaintHandler(this, canvas);
    DrawContainer(canvas);
}

void TcxCustomEditViewInfo::DrawContainer(TcxCanvas& canvas) {
    DrawEditBackground(canvas, this, true, 0);
}

void DrawEditBackground(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, bool background, int mode) {
    if (!viewInfo) return;
    // Buttons are kept out of the fill unless the first one lets what is under it show.
    bool excludeButtons = !viewInfo->ButtonInfos.empty() && !viewInfo->Button(0)->Data.PartiallyTransparent;
    // The plain frame of a standalone editor whose buttons are whole-height strips of the border
    // rect: its fill leaves the strips out by itself, without clipping.
    viewInfo->FillsEditAreaOnly = false;
    if (excludeButtons && !viewInfo->UsesTheme && !viewInfo->InplaceMode) {
        bool strips = true;
        for (const auto& info : viewInfo->ButtonInfos) {
            const TRect& visible = info->Data.VisibleBounds;
            if (!RectIsEmpty(visible) && (visible.top > viewInfo->InnerRect.top ||
                                          visible.bottom < viewInfo->InnerRect.bottom))
                strips = false;
        }
        viewInfo->FillsEditAreaOnly = strips;
        excludeButtons = !strips;
    }
    if (excludeButtons) {
        canvas.PushDC();
        for (const auto& info : viewInfo->ButtonInfos)
            if (!RectIsEmpty(info->Data.VisibleBounds)) canvas.ExcludeFromClip(info->Data.VisibleBounds);
    }
    bool handled = false;
    if (viewInfo->InplaceMode && viewInfo->OnDrawBackgroundHandler)
        viewInfo->OnDrawBackgroundHandler(viewInfo, canvas, handled);
    if (!handled) {
        if (viewInfo->UsesTheme)
            viewInfo->DrawNativeBackground(canvas, background, viewInfo->FillColor, mode);
        else
            viewInfo->DrawStandardFrame(canvas, background);
    }
    if (excludeButtons) canvas.PopDC();
    viewInfo->PaintButtons(canvas);
}

void TcxCustomEditViewInfo::DrawStandardFrame(TcxCanvas& canvas, bool background) {
    const int width = FrameWidth;
    TRect r = InnerRect;
    r.left -= width;
    r.top -= width;
    if (FrameSides.Contains(bRight)) r.right += width;
    if (FrameSides.Contains(bBottom)) r.bottom += width;
    if (DropShadow) DrawContainerShadow(canvas, r);
    if (!FrameSides.Contains(bRight)) r.right += width;
    if (!FrameSides.Contains(bBottom)) r.bottom += width;
    const bool transparent = IsTransparent();
    if (SkinPainter) {
        if (!(transparent && InplaceMode) && Editor) PaintParentBackground(Editor, canvas, OuterRect);
        if (width > 0) canvas.DrawRectFrame(r, FrameColor, width);
    } else {
        switch (EditBorderStyle) {
        case ebsSingle:
        case ebsThick:
            canvas.DrawRectFrame(r, FrameColor, width);
            break;
        case ebsFlat:
        case ebs3D: {
            canvas.Draw3DEdge(r, true, true, FrameSides);
            TRect inner = Shrunk(r, 1, 1);
            if (EditBorderStyle == ebsFlat)
                canvas.DrawRectFrame(inner, clBtnFace);
            else
                canvas.DrawTwoColorFrame(inner, cl3DDkShadow, cl3DLight, FrameSides);
            break;
        }
        default:
            break;
        }
    }
    if (NoFill) return;
    if (InplaceMode) {
        if (transparent) return;
        if (background)
            FillRectByColor(canvas, OuterRect, FillColor);
        else if (HasInplaceBorderExtent)
            FillRectOutside(canvas, OuterRect, InnerRect, FillColor);
    } else if (background && !transparent) {
        FillRectByColor(canvas, FillsEditAreaOnly ? GetEditAreaRect() : InnerRect, FillColor);
    }
}

void TcxCustomEditViewInfo::DrawNativeBackground(TcxCanvas& canvas, bool background, TColor brushColor, int mode) {
    TRect content = OuterRect;
    if (!InplaceMode && EditBorderStyle != ebsNone) {
        const bool composition = IsDwmCompositionEnabled();
        TdxThemedObjectType type = totEdit;
        int part = composition ? 6 : 1;
        TRect themeRect = OuterRect;
        if (composition && mode == 2) {
            type = totButton;
            part = 1;
            themeRect = Shrunk(OuterRect, -1, -1);
        }
        HTHEME theme = OpenCachedTheme(type);
        switch (mode) {
        case 0:
            if (composition) {
                content = Shrunk(OuterRect, 2, 2);
            } else {
                RECT r{};
                if (theme && SUCCEEDED(dxUxTheme::GetThemeBackgroundContentRect(theme, canvas.Handle(), part,
                                                                                ThemeState, &themeRect, &r)))
                    content = r;
                else
                    content = InnerRect;
            }
            break;
        case 1:
            content = Shrunk(OuterRect, 3, 3);
            --content.right;
            break;
        default:
            content = composition ? TRect{} : ContentRect;
            break;
        }
        if (theme) {
            canvas.PushClipRegion();
            if (!RectIsEmpty(content)) canvas.ExcludeFromClip(content);
            if (dxUxTheme::IsThemeBackgroundPartiallyTransparent(theme, part, ThemeState) && Editor &&
                Editor->HandleAllocated())
                dxUxTheme::DrawThemeParentBackground(Editor->Handle(), canvas.Handle(), &themeRect);
            dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), part, ThemeState, &themeRect, nullptr);
            canvas.PopClipRegion();
        }
    }
    if (IsTransparent() || NoFill) return;
    if (!background && !InplaceMode && EditBorderStyle != ebsNone) {
        if (mode != 2) FillRectOutside(canvas, content, InnerRect, brushColor);
    } else {
        FillRectByColor(canvas, content, brushColor);
    }
}

int TcxCustomEditViewInfo::GetBackgroundKind() {
    if (InplaceMode) {
        if (OnDrawBackgroundHandler) return 0;
        return IsTransparent() ? 2 : 3;
    }
    if (IsTransparent()) return 4;
    if (Editor && Editor->UsesParentBackground()) return 5;
    return UsesTheme ? 3 : 1;
}

void TcxCustomEditViewInfo::PaintBackground(TcxCanvas& canvas, const TRect& rect, bool clipToRect,
                                            const TRect& clipRect) {
    canvas.PushDC();
    if (clipToRect) canvas.IntersectClip(clipRect);
    switch (GetBackgroundKind()) {
    case 0: {
        canvas.IntersectClip(rect);
        bool handled = false;
        OnDrawBackgroundHandler(this, canvas, handled);
        break;
    }
    case 1:
        DrawEditBackground(canvas, this, true, 0);
        break;
    case 3:
        FillRectByColor(canvas, rect, FillColor);
        break;
    case 4:
        if (Editor) PaintParentBackground(Editor, canvas, rect);
        break;
    case 5:
        if (Editor && Editor->HandleAllocated())
            dxUxTheme::DrawThemeParentBackground(Editor->Handle(), canvas.Handle(), &rect);
        break;
    default:
        break;
    }
    canvas.PopDC();
}

// --- buttons

void TcxCustomEditViewInfo::PaintButtons(TcxCanvas& canvas) {
    if ((PaintState & 1) != 0 || (Editor && Editor->SuppressesButtonPaint())) return;
    PaintState |= 1;
    for (int i = 0; i < ButtonCount(); ++i) PaintButton(canvas, i);
    PaintState &= static_cast<uint8_t>(~1u);
}

void TcxCustomEditViewInfo::PaintButton(TcxCanvas& canvas, int index) {
    TcxEditButtonViewInfo* button = Button(index);
    button->Data.BackgroundColor = FillColor;
    if (RectIsEmpty(button->Data.VisibleBounds)) return;
    const TRect& b = button->Bounds;
    const bool sticksOut = b.left < InnerRect.left || b.right > InnerRect.right || b.top < InnerRect.top ||
                           b.bottom > InnerRect.bottom;
    if (sticksOut) {
        canvas.PushClipRegion();
        canvas.IntersectClip(button->Data.VisibleBounds);
    }
    bool handled = false;
    if (OnDrawButtonHandler) OnDrawButtonHandler(this, canvas, index, handled);
    if (!handled) RenderButton(canvas, index);
    if (sticksOut) canvas.PopClipRegion();
}

void TcxCustomEditViewInfo::RenderButton(TcxCanvas& canvas, int index) {
    TcxEditButtonViewInfo* button = Button(index);
    const TRect bounds = button->Bounds;
    const bool offScreen = IsNonEmptyBitmap(button->Glyph) || SkinPainter != nullptr;
    std::unique_ptr<TBitmap> bitmap;
    std::unique_ptr<TcxCanvas> bufferCanvas;
    TcxCanvas* target = &canvas;
    if (offScreen) {
        bitmap = CreateSizedBitmap(bounds.right - bounds.left, bounds.bottom - bounds.top, pf32bit);
        bufferCanvas = std::make_unique<TcxCanvas>(&bitmap->Canvas());
        // Anything the frame leaves untouched shows what the editor shows there.
        bufferCanvas->CopyRectFrom(TRect{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top}, canvas,
                                   bounds);
        bufferCanvas->SetWindowOrigin(TPoint{bounds.left, bounds.top});
        target = bufferCanvas.get();
    }
    TColor background = button->Data.BackgroundColor;
    TColor text = clBtnText;
    TRect backgroundRect = bounds;
    TRect contentRect = bounds;
    DrawButtonFrameByStyle(*target, index, backgroundRect, contentRect, background, text);
    if (!RectIsEmpty(backgroundRect)) {
        bool handled = false;
        if (OnDrawButtonBackgroundHandler) OnDrawButtonBackgroundHandler(this, *target, backgroundRect, index, handled);
        if (!handled) {
            if (button->Data.NativeStyle && button->Data.NativePart != 0)
                DrawThemedButton(*target, index, backgroundRect);
            else
                FillButtonBackground(*target, index, backgroundRect, background);
        }
    }
    if (!RectIsEmpty(contentRect)) {
        const bool pressedOffset = button->Data.State == ebsPressed &&
                                   (!Editor || !Editor->InnerEditOffsetsValid ||
                                    (Editor->InnerEditOffsets.Flags & 2) != 0);
        DrawButtonContent(*target, index, pressedOffset, text, contentRect);
    }
    if (offScreen) {
        bufferCanvas->SetWindowOrigin(TPoint{0, 0});
        canvas.CopyRectFrom(bounds, *bufferCanvas, TRect{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top});
    }
}

void TcxCustomEditViewInfo::DrawButtonFrameByStyle(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                                   TRect& contentRect, TColor& background, TColor& text) {
    TcxEditButtonViewInfo* button = Button(index);
    bool handled = false;
    if (OnDrawButtonBorderHandler) OnDrawButtonBorderHandler(this, index, handled, backgroundRect, contentRect);
    if (handled) return;
    if (button->Data.NativeStyle && button->Data.NativePart != 0) {
        DrawButtonFrameNative(canvas, index, backgroundRect, contentRect);
        return;
    }
    if (SkinPainter) {
        TColor painterBackground, painterText;
        GetPainterEditorColors(painterBackground, painterText);
        if (painterBackground != NotSet)
            background = painterBackground;
        else if (TcxCustomEditStyle* style = Editor ? Editor->ActiveEditStyle() : nullptr)
            background = style->GetColor();
        else
            background = button->Data.State != ebsDisabled ? clWindow : clBtnFace;
        text = painterText != NotSet ? painterText : clBtnText;
        return;
    }
    TcxEditButtonStyle style = button->Data.Style;
    if (style == btsSimple && (button->Data.State == ebsPressed || button->Data.State == ebsSelected))
        style = btsFlat;
    switch (style) {
    case btsFlat:
        DrawButtonFrameFlat(canvas, index, backgroundRect, contentRect, background, text);
        break;
    case btsHotFlat:
        DrawButtonFrameHotFlat(canvas, index, backgroundRect, contentRect, background, text);
        break;
    case btsSimple:
        DrawButtonFrameSimple(canvas, index, backgroundRect, contentRect, background, text);
        break;
    case btsUltraFlat:
    case btsOffice11:
        DrawButtonFrameUltraFlat(canvas, index, backgroundRect, contentRect, background, text);
        break;
    default:
        DrawButtonFrame3D(canvas, index, backgroundRect, contentRect, background, text);
        break;
    }
}

void TcxCustomEditViewInfo::DrawButtonFrame3D(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                              TRect& contentRect, TColor& background, TColor& text) {
    TcxEditButtonViewInfo* button = Button(index);
    background = button->Data.Transparent ? button->Data.BackgroundColor : clBtnFace;
    text = clBtnText;
    TRect r = button->Bounds;
    if (button->Data.State == ebsPressed) {
        canvas.DrawRectFrame(r, clBtnShadow);
        r = Shrunk(r, 1, 1);
        canvas.DrawRectFrame(r, background);
        r = Shrunk(r, 1, 1);
    } else {
        canvas.DrawTwoColorFrame(r, cl3DLight, cl3DDkShadow);
        r = Shrunk(r, 1, 1);
        canvas.DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow);
        r = Shrunk(r, 1, 1);
    }
    backgroundRect = contentRect = r;
}

void TcxCustomEditViewInfo::DrawButtonFrameFlat(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                                TRect& contentRect, TColor& background, TColor& text) {
    TcxEditButtonViewInfo* button = Button(index);
    background = button->Data.Transparent ? button->Data.BackgroundColor : clBtnFace;
    text = clBtnText;
    TRect r = button->Bounds;
    DrawRectEdges(canvas, r, 1, background);
    if (button->Data.State == ebsPressed)
        canvas.DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
    else
        canvas.DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow);
    r = Shrunk(r, 1, 1);
    DrawRectEdges(canvas, r, 4, background);
    backgroundRect = contentRect = r;
}

void TcxCustomEditViewInfo::DrawButtonFrameHotFlat(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                                   TRect& contentRect, TColor& background, TColor& text) {
    TcxEditButtonViewInfo* button = Button(index);
    const TcxEditButtonViewInfoData& data = button->Data;
    static const TColor byState[] = {clBtnFace, clBtnFace, clBtnText, clBtnShadow};
    background = data.Transparent ? data.BackgroundColor : byState[data.State];
    if (data.State == ebsDisabled || data.State == ebsNormal)
        text = clBtnText;
    else if (data.Transparent && data.State == ebsSelected)
        text = clBtnShadow;
    else
        text = clWindow;
    TRect r = button->Bounds;
    const bool innermost = data.LeftAlignment ? data.LastInGroup : data.FirstInGroup;
    if (innermost) {
        canvas.DrawRectFrame(r, clBtnShadow);
        r = Shrunk(r, 1, 1);
    } else {
        const int outer = data.LeftAlignment ? 1 : 4;
        const int inner = data.LeftAlignment ? 4 : 1;
        DrawRectEdges(canvas, r, 2 | 8 | outer, clBtnShadow);
        DrawRectEdges(canvas, r, inner, background);
    }
    DrawRectEdges(canvas, r, 1 | 4, background);
    backgroundRect = contentRect = r;
}

void TcxCustomEditViewInfo::DrawButtonFrameSimple(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                                  TRect& contentRect, TColor& background, TColor& text) {
    TcxEditButtonViewInfo* button = Button(index);
    background = button->Data.Transparent ? button->Data.BackgroundColor : clBtnFace;
    text = clBtnText;
    TRect r = button->Bounds;
    if (!IsTransparent()) {
        canvas.DrawRectFrame(r, background);
        r = Shrunk(r, 1, 1);
    }
    DrawRectEdges(canvas, r, 1 | 4, background);
    backgroundRect = contentRect = r;
}

void TcxCustomEditViewInfo::DrawButtonFrameUltraFlat(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                                     TRect& contentRect, TColor& background, TColor& text) {
    TcxEditButtonViewInfo* button = Button(index);
    const TcxEditButtonViewInfoData& data = button->Data;
    const bool office11 = data.Style == btsOffice11;
    const bool active = data.State == ebsPressed || data.State == ebsSelected;
    const TColor hotBorder = GetHotBorderColor(office11);
    if (data.Transparent)
        background = data.BackgroundColor;
    else if (active)
        background = GetFlatButtonColor(data.State == ebsPressed, office11);
    else if (data.State == ebsNormal && office11)
        background = Office11ButtonFaceColor;
    else
        background = clBtnFace;
    text = clBtnText;
    TRect r = button->Bounds;
    const bool hasBorder = InplaceMode ? (PaintFlagSet & cxEditPaintExternalBorder) != 0 : EditBorderStyle != ebsNone;
    if (!active || !hasBorder) {
        if (active)
            canvas.DrawRectFrame(r, hotBorder);
        else if (!data.Transparent)
            canvas.DrawRectFrame(r, background);
        backgroundRect = Shrunk(r, 1, 1);
        contentRect = Shrunk(backgroundRect, 1, 0);
        return;
    }
    // Hot or pressed next to a border: only the inner vertical lines.
    int edges = 0;
    if (data.LeftAlignment) {
        if (!data.FirstInGroup) edges |= 1;
        if (r.right < InnerRect.right) edges |= 4;
    } else {
        if (!data.LastInGroup) edges |= 4;
        if (r.left > InnerRect.left) edges |= 1;
    }
    DrawRectEdges(canvas, r, edges, hotBorder);
    backgroundRect = contentRect = r;
}

void TcxCustomEditViewInfo::DrawButtonFrameNative(TcxCanvas& canvas, int index, TRect& backgroundRect,
                                                  TRect& contentRect) {
    TcxEditButtonViewInfo* button = Button(index);
    backgroundRect = button->Bounds;
    if (button->Data.LoneDropDown) {
        contentRect = TRect{};
        return;
    }
    contentRect = button->Bounds;
    HTHEME theme = OpenCachedTheme(totButton);
    RECT content{};
    if (theme && SUCCEEDED(dxUxTheme::GetThemeBackgroundContentRect(theme, canvas.Handle(), 1,
                                                                    button->Data.NativeState, &button->Bounds,
                                                                    &content)))
        contentRect = content;
}

void TcxCustomEditViewInfo::DrawThemedButton(TcxCanvas& canvas, int index, const TRect& rect) {
    TcxEditButtonViewInfo* button = Button(index);
    const TcxEditButtonViewInfoData& data = button->Data;
    int part = 1;
    TdxThemedObjectType type = totButton;
    if (data.LoneDropDown) {
        type = totComboBox;
        part = !InplaceMode && IsDwmCompositionEnabled() ? (data.LeftAlignment ? 7 : 6) : 1;
    }
    HTHEME theme = OpenCachedTheme(type);
    if (!theme) return;
    dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), part, data.NativeState, &rect, nullptr);
}

void TcxCustomEditViewInfo::FillButtonBackground(TcxCanvas& canvas, int index, const TRect& rect, TColor color) {
    TcxEditButtonViewInfo* button = Button(index);
    const TcxEditButtonViewInfoData& data = button->Data;
    if (data.State != ebsDisabled && data.Style == btsOffice11 && data.Gradient && !data.Transparent &&
        !SkinPainter) {
        TColor from = Office11LightColor, to = Office11DarkColor;
        if (data.State == ebsPressed) {
            from = Office11PressedColor;
            to = Office11PressedDarkColor;
        } else if (data.State == ebsSelected) {
            from = Office11HotColor;
            to = Office11HotDarkColor;
        }
        TRect gradient{button->Bounds.left, InnerRect.top, button->Bounds.right, InnerRect.bottom};
        if (data.State == ebsNormal) {
            --gradient.top;
            ++gradient.bottom;
        }
        canvas.PushClipRegion();
        canvas.IntersectClip(rect);
        PaintGradient(canvas.Handle(), gradient, from, to, false);
        canvas.PopClipRegion();
        return;
    }
    FillRectByColor(canvas, rect, color);
}

namespace {

void DrawDots(TcxCanvas& canvas, const TRect& content, bool pressed, TColor color, int shift) {
    const int side = content.right - content.left > 11 ? 2 : 1;
    const int total = 3 * side + 4;
    int x = content.left + (content.right - content.left - total) / 2;
    int y = content.top + (content.bottom - content.top - side) / 2;
    if (pressed && x + total + 1 <= content.right) ++x;
    if (pressed && y + side + 1 <= content.bottom) ++y;
    for (int i = 0; i < 3; ++i) {
        const int left = x + shift + i * (side + 2);
        FillRectByColor(canvas, TRect{left, y + shift, left + side, y + shift + side}, color);
    }
}

} // namespace

void TcxCustomEditViewInfo::DrawButtonContent(TcxCanvas& canvas, int index, bool pressedOffset, TColor textColor,
                                              const TRect& contentRect) {
    TcxEditButtonViewInfo* button = Button(index);
    const TcxEditButtonViewInfoData& data = button->Data;
    const bool enabled = data.State != ebsDisabled;
    // Dots and arrows are placed inside the content; a glyph, a caption or a skin may not be.
    const bool clip = SkinPainter || data.Kind == bkGlyph || data.Kind == bkText;
    if (clip) {
        canvas.PushClipRegion();
        canvas.IntersectClip(contentRect);
    }
    if (SkinPainter) SkinPainter->PaintEditButton(&canvas, button->Bounds, SkinButtonKind(data.Kind),
                                                  SkinButtonState(data.State));
    switch (data.Kind) {
    case bkEllipsis:
        if (SkinPainter) break;
        if (enabled) {
            DrawDots(canvas, contentRect, pressedOffset, textColor, 0);
        } else {
            DrawDots(canvas, contentRect, pressedOffset, clBtnHighlight, 1);
            DrawDots(canvas, contentRect, pressedOffset, clBtnShadow, 0);
        }
        break;
    case bkDown: {
        if (SkinPainter) break;
        TRect r = contentRect;
        if (pressedOffset) OffsetRect(&r, 1, 1);
        const TcxCustomLookAndFeelPainterClass painter = TcxStandardLookAndFeelPainter::Painter();
        if (enabled) {
            painter->PaintArrow(&canvas, r, apDown, textColor);
        } else {
            TRect shadow = r;
            OffsetRect(&shadow, 1, 1);
            painter->PaintArrow(&canvas, shadow, apDown, clBtnHighlight);
            painter->PaintArrow(&canvas, r, apDown, clBtnShadow);
        }
        break;
    }
    case bkGlyph:
        if (IsNonEmptyBitmap(button->Glyph)) {
            const int w = std::min(button->Glyph->Width(), static_cast<int>(contentRect.right - contentRect.left));
            const int h = std::min(button->Glyph->Height(), static_cast<int>(contentRect.bottom - contentRect.top));
            int x = contentRect.left + (contentRect.right - contentRect.left - w) / 2;
            int y = contentRect.top + (contentRect.bottom - contentRect.top - h) / 2;
            if (pressedOffset) ++x, ++y;
            DrawEditGlyph(canvas, x, y, button->Glyph, data.BackgroundColor, enabled);
        }
        break;
    case bkText: {
        TRect r{contentRect.left + 1, contentRect.top, contentRect.right - 2, contentRect.bottom};
        if (!InplaceMode) r = TRect{r.left, r.top + 1, r.right, r.bottom - 1};
        if (pressedOffset) OffsetRect(&r, 1, 1);
        if (DrawFont) canvas.AssignFont(*DrawFont);
        canvas.Brush().SetStyle(bsClear);
        int flags = DT_SINGLELINE | DT_VCENTER;
        if (data.ContentAlignment == taCenter) flags |= DT_CENTER;
        if (data.ContentAlignment == taRightJustify) flags |= DT_RIGHT;
        TColor color = data.TextColor == clDefault ? ContentTextColor : data.TextColor;
        if (data.Style == btsHotFlat && (data.State == ebsPressed || data.State == ebsSelected)) color = textColor;
        if (enabled) {
            canvas.Font().SetColor(color);
            DrawAnsiText(canvas.Handle(), data.VisibleCaption, -1, r, static_cast<UINT>(flags));
        } else {
            TRect shadow = r;
            OffsetRect(&shadow, 1, 1);
            canvas.Font().SetColor(clBtnHighlight);
            DrawAnsiText(canvas.Handle(), data.VisibleCaption, -1, shadow, static_cast<UINT>(flags));
            canvas.Font().SetColor(clBtnShadow);
            DrawAnsiText(canvas.Handle(), data.VisibleCaption, -1, r, static_cast<UINT>(flags));
        }
        break;
    }
    }
    if (clip) canvas.PopClipRegion();
}

// --- hit tests and hints

int TcxCustomEditViewInfo::ButtonAt(TPoint p) {
    for (int i = 0; i < ButtonCount(); ++i)
        if (PtInRect(&Button(i)->Bounds, p)) return i;
    return -1;
}

bool TcxCustomEditViewInfo::IsPointOnButton(TPoint p) {
    return ButtonAt(TPoint{p.x - OffsetX, p.y - OffsetY}) >= 0;
}

bool TcxCustomEditViewInfo::FindHotButton(int& index) {
    for (int i = 0; i < ButtonCount(); ++i)
        if (Button(i)->Data.State == ebsSelected) {
            index = i;
            return true;
        }
    index = -1;
    return false;
}

TRect TcxCustomEditViewInfo::GetEditAreaRect() {
    TRect r = InnerRect;
    for (const auto& info : ButtonInfos) {
        const TRect& visible = info->Data.VisibleBounds;
        if (RectIsEmpty(visible)) continue;
        if (info->Data.LeftAlignment)
            r.left = std::max(r.left, visible.right);
        else
            r.right = std::min(r.right, visible.left);
    }
    if (r.right < r.left) r.right = r.left;
    return r;
}

bool TcxCustomEditViewInfo::GetHintInfo(TPoint p, bool& flag, AnsiString& text, TRect& rect) {
    flag = false;
    text = AnsiString();
    rect = TRect{};
    int index = -1;
    if (!FindHotButton(index) || !EditorProperties) return false;
    const int collectionIndex = Button(index)->Data.CollectionIndex;
    if (collectionIndex < 0 || collectionIndex >= EditorProperties->Buttons()->Count()) return false;
    const AnsiString hint = EditorProperties->Buttons()->GetItem(collectionIndex)->Hint();
    const size_t bar = hint.find('|');
    text = bar == AnsiString::npos ? hint : hint.substr(0, bar);
    rect = CalcHintRect(hint);
    OffsetRect(&rect, p.x, p.y + MeasureCurrentCursor().cy);
    return !text.empty();
}

void TcxCustomEditViewInfo::GetHintText(TPoint p, AnsiString& text) {
    bool flag = false;
    TRect rect;
    GetHintInfo(p, flag, text, rect);
}

TRect TcxCustomEditViewInfo::CalcHintRect(const AnsiString& hint) {
    // As a hint window measures its text, within the screen width.
    return THintWindow().CalcHintRect(GetSystemMetrics(SM_CXSCREEN), hint);
}

// --- repainting

std::unique_ptr<TcxRegion> TcxCustomEditViewInfo::GetChangedRegion(TcxContainerViewInfo* other) {
    std::unique_ptr<TcxRegion> region = TcxContainerViewInfo::GetChangedRegion(other);
    auto* old = dynamic_cast<TcxCustomEditViewInfo*>(other);
    const bool bordered = EditBorderStyle != ebsNone;
    if (old && (!bordered || old->FrameColor == FrameColor) && old->EditBorderStyle == EditBorderStyle &&
        old->ButtonCount() == ButtonCount() && old->ThemeState == ThemeState) {
        for (int i = 0; i < ButtonCount(); ++i) region->CombineWith(Button(i)->GetUpdateRegion(old->Button(i)), rcmAdd);
    } else {
        region->CombineWith(TcxRegion(OuterRect), rcmAdd);
    }
    return region;
}

bool TcxCustomEditViewInfo::RepaintChanges(TWinControl* control, const TRect& innerRect, TcxContainerViewInfo* old) {
    if (!control || !control->HandleAllocated()) return false;
    HWND window = control->Handle();
    TRect inner;
    if (!IntersectRect(&inner, &innerRect, &ContentRect)) inner = TRect{};
    auto* previous = dynamic_cast<TcxCustomEditViewInfo*>(old);
    if (!previous) {
        InvalidateRectOutside(window, OuterRect, inner);
        return true;
    }
    bool invalidated = false;
    if (previous->ThemeState != ThemeState || previous->FillColor != FillColor ||
        (RepaintsOnStateChange() && !(previous->StateSet == StateSet)) ||
        previous->ButtonCount() != ButtonCount()) {
        InvalidateRectOutside(window, OuterRect, inner);
        invalidated = true;
    } else if ((EditBorderStyle != ebsNone && previous->FrameColor != FrameColor) ||
               previous->EditBorderStyle != EditBorderStyle) {
        InvalidateRectOutside(window, OuterRect, InnerRect);
        invalidated = true;
    }
    if (previous->ButtonCount() == ButtonCount())
        for (int i = 0; i < ButtonCount(); ++i)
            if (Button(i)->Repaint(window, previous->Button(i))) invalidated = true;
    return invalidated;
}

void TcxCustomEditViewInfo::ShiftRects(int dx, int dy) {
    TcxContainerViewInfo::ShiftRects(dx, dy);
    OffsetRect(&ContentArea, dx, dy);
    OffsetRect(&ShadowArea, dx, dy);
    for (auto& info : ButtonInfos) {
        OffsetRect(&info->Bounds, dx, dy);
        OffsetRect(&info->Data.VisibleBounds, dx, dy);
    }
}

void TcxCustomEditViewInfo::AssignFromViewInfo(TcxContainerViewInfo* other) {
    TcxContainerViewInfo::AssignFromViewInfo(other);
    auto* source = dynamic_cast<TcxCustomEditViewInfo*>(other);
    if (!source) return;
    FillColor = source->FillColor;
    FrameColor = source->FrameColor;
    EditBorderStyle = source->EditBorderStyle;
    FrameStyle = source->FrameStyle;
    StateSet = source->StateSet;
    ThemeState = source->ThemeState;
    SetButtonCount(source->ButtonCount());
    for (int i = 0; i < ButtonCount(); ++i) Button(i)->Assign(source->Button(i));
    PressedIndex = source->PressedIndex;
    HotIndex = source->HotIndex;
}
