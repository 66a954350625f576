#include "ui/editors/framework/EditViewData.h"

#include <algorithm>
#include <cstdint>

#include "ui/core/GraphicsRoutines.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditPaintUtils.h"

namespace {

constexpr int MaxBound = INT_MAX;

const TcxEditButtonStyle ButtonStyleByBorderStyle[] = {btsSimple, btsHotFlat,   bts3D,      btsFlat,
                                                       bts3D,     btsUltraFlat, btsOffice11};
const TcxEditButtonStyle ButtonStyleByKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
const TcxEditPopupBorderStyle PopupBorderByBorderStyle[] = {epbsFlat,   epbsSingle, epbsSingle, epbsFlat,
                                                            epbsSingle, epbsSingle, epbsSingle};
const TcxEditPopupBorderStyle PopupBorderByKind[] = {epbsFlat, epbsFrame3D, epbsSingle, epbsSingle};
// Themed part state by button state (disabled, normal, pressed, hot).
const int ButtonPartStates[] = {4, 1, 3, 2};

TRect DeflatedBy(const TRect& rect, const TRect& margins) {
    return TRect{rect.left + margins.left, rect.top + margins.top, rect.right - margins.right,
                 rect.bottom - margins.bottom};
}

bool IsEmptyExtent(const TRect& r) {
    return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

// The content margins of a theme part measured on a 100 x 100 rectangle; false when the theme
// does not answer.
bool ThemeContentMargins(TdxThemedObjectType type, int part, int state, TRect& margins) {
    HTHEME theme = OpenCachedTheme(type);
    if (!theme) return false;
    const RECT bounds{0, 0, 100, 100};
    RECT content{};
    if (FAILED(dxUxTheme::GetThemeBackgroundContentRect(theme, nullptr, part, state, &bounds, &content))) return false;
    margins = TRect{content.left, content.top, 100 - content.right, 100 - content.bottom};
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The companions named by the properties, and the editor's side of the layout.

TcxCustomEditViewDataClass TcxCustomEditProperties::ViewDataClass() const {
    return TcxCustomEditViewData::Class();
}

TcxContainerStyleClass TcxCustomEditProperties::StyleClass() const {
    return TcxEditStyle::Class();
}

TcxContainerViewInfoClass TcxCustomEditProperties::ViewInfoClass() const {
    return TcxCustomEditViewInfo::Class();
}

std::unique_ptr<TcxCustomEditViewData> TcxCustomEditProperties::MakeViewData(TcxCustomEditStyle* style,
                                                                             bool isInplace, bool flag) {
    std::unique_ptr<TcxCustomEditViewData> data = ViewDataClass()(this, style, isInplace);
    data->ExternalFlag = flag;
    return data;
}

TcxCustomEditStyle* TcxCustomEdit::ActiveEditStyle() {
    return dynamic_cast<TcxCustomEditStyle*>(GetActiveStyle());
}

std::unique_ptr<TcxCustomEditViewData> TcxCustomEdit::CreateViewData() {
    std::unique_ptr<TcxCustomEditViewData> data = Properties()->MakeViewData(ActiveEditStyle(), IsInplace());
    if (IsInplace() && InnerEditOffsetsValid) data->InnerEditOffsets = InnerEditOffsets;
    data->Edit = this;
    data->WindowHandle = HandleAllocated() ? Handle() : nullptr;
    FillViewData(data.get());
    return data;
}

void TcxCustomEdit::FillViewData(TcxCustomEditViewData* viewData) {
    viewData->Enabled = Enabled();
    viewData->Focused = Focused();
    viewData->InnerEditControl = InnerControl();
    viewData->IsDesigning = IsDesigning();
}

// ---------------------------------------------------------------------------------------------
TcxCustomEditViewData::TcxCustomEditViewData(TcxCustomEditProperties* properties, TcxCustomEditStyle* style,
                                             bool isInplace)
    : InplaceMode(isInplace), Properties(properties), Style(style) {}

TcxCustomEditViewData::~TcxCustomEditViewData() = default;

void TcxCustomEditViewData::Initialize() {
    ResetState();
    MaxWidth = cxEditNotSet;
    MaxHeight = cxEditNotSet;
    ReadProperties();
}

void TcxCustomEditViewData::ResetState() {
    InplaceBorderExtent = TRect{};
    Enabled = true;
}

void TcxCustomEditViewData::ReadProperties() {
    VisibleButtonCount = Properties ? Properties->Buttons()->GetVisibleCount() : 0;
    UsesDisplayFormat = Properties ? !Properties->CanUseProviderFormat(false) : false;
    if (Properties) {
        HorzAlignment = Properties->Alignment()->Horz();
        VertAlignment = Properties->Alignment()->Vert();
    }
    NativeLook = Style && UsesNativeLook(Style->LookAndFeel());
    CalcInnerEditOffsets(InnerEditOffsets);
}

bool TcxCustomEditViewData::UsesNativeLook(const TcxLookAndFeel& lookAndFeel) {
    return lookAndFeel.NativeStyle() && OpenCachedTheme(totEdit) != nullptr;
}

TcxCustomEditStyle* TcxCustomEditViewData::BaseStyle() const {
    return Style ? Style->BaseStyle() : nullptr;
}

TcxCustomLookAndFeelPainterClass TcxCustomEditViewData::SkinPainter() const {
    return Style ? Style->LookAndFeel().SkinPainter() : nullptr;
}

bool TcxCustomEditViewData::IsFocusedForConversion() {
    return Edit ? Edit->IsFocusedForConversion() : Focused;
}

void TcxCustomEditViewData::GetDisplayTextOfValue(const Variant& value, AnsiString& text) {
    FormatValueText(value, text);
    if (OnGetDisplayText) OnGetDisplayText(this, text);
}

// ---------------------------------------------------------------------------------------------
// States

uint8_t TcxCustomEditViewData::GetContainerState(TPoint p, bool isMouseEvent) {
    if (!Enabled) return cxEditStateDisabled;
    if (IsDesigning) return cxEditStateNormal;
    uint8_t state = Focused ? cxEditStateFocused : cxEditStateNormal;
    TRect hotRect;
    if (Edit) {
        Edit->GetHotTrackRect(hotRect);
    } else {
        hotRect = TRect{BoundsRect.left - InplaceBorderExtent.left, BoundsRect.top - InplaceBorderExtent.top,
                        BoundsRect.right + InplaceBorderExtent.right,
                        BoundsRect.bottom + InplaceBorderExtent.bottom};
    }
    if (!PtInRect(&hotRect, p)) return state;
    // During a mouse-button event the editor is hot only while it holds the capture.
    if (isMouseEvent && !mouseShift_.Empty()) {
        if (!Edit || !Edit->HandleAllocated() || GetCapture() != Edit->Handle()) return state;
    }
    return state | cxEditStateHot;
}

int TcxCustomEditViewData::GetNativeState(uint8_t state) {
    if (state & cxEditStateDisabled) return 4;
    if (Properties && Properties->ReadOnly()) return 6;
    if (state & cxEditStateFocused) return IsDwmCompositionEnabled() ? 3 : 5;
    if (state & cxEditStateHot) return 2;
    return 1;
}

TcxEditBorderStyle TcxCustomEditViewData::EffectiveBorderStyle() {
    if (InplaceMode || !Style) return ebsNone;
    const TcxEditBorderStyle style = Style->BorderStyle();
    return style == ebsUltraFlat || style == ebsOffice11 ? ebsSingle : style;
}

bool TcxCustomEditViewData::UsesThickBorder() {
    if (Edit) {
        for (int state = csNormal; state <= csHot; ++state)
            if (Edit->StateStyles().Style(static_cast<TcxContainerStyleState>(state))->BorderStyle() == cbsThick)
                return true;
        return false;
    }
    return Style && Style->BorderStyle() == ebsThick;
}

bool TcxCustomEditViewData::HasShadow() {
    return Style && Style->Shadow() && !NativeLook;
}

TRect TcxCustomEditViewData::GetContentOffsets() {
    return InplaceMode ? TRect{1, 1, 1, 1} : TRect{1, 1, 1, 3};
}

void TcxCustomEditViewData::CalcInnerEditOffsets(TcxEditInnerEditOffsets& offsets) {
    offsets.Rect = TRect{};
    offsets.ContentOffsets = GetContentOffsets();
    offsets.Flags = 2;
    offsets.HorzCorrection = 3 - (offsets.ContentOffsets.left + offsets.ContentOffsets.right);
    offsets.HeightCorrection = NativeLook ? GetNativeInnerTextEditContentHeightCorrection(Properties, InplaceMode) : 0;
}

TSize TcxCustomEditViewData::SumContentOffsets() {
    const TRect& c = InnerEditOffsets.ContentOffsets;
    return TSize{c.left + c.right + InnerEditOffsets.HorzCorrection,
                 c.top + c.bottom + InnerEditOffsets.HeightCorrection};
}

// ---------------------------------------------------------------------------------------------
// Border extents

namespace {
int BorderWidthOf(TcxEditBorderStyle style, bool skin) {
    if (skin) return style == ebsThick ? 2 : 1;
    return GetContainerBorderWidth(static_cast<TcxContainerBorderStyle>(style));
}
} // namespace

TRect TcxCustomEditViewData::ExtentOnEdges(int width) {
    const TcxBorders edges = Style ? Style->Edges() : cxBordersAll;
    return TRect{edges.Contains(bLeft) ? width : 0, edges.Contains(bTop) ? width : 0,
                 edges.Contains(bRight) ? width : 0, edges.Contains(bBottom) ? width : 0};
}

TRect TcxCustomEditViewData::GetStyleBorderExtent() {
    if (!Style || !Style->IsBorderShown()) return TRect{};
    const TcxEditBorderStyle style = UsesThickBorder() ? ebsThick : EffectiveBorderStyle();
    return ExtentOnEdges(BorderWidthOf(style, SkinPainter() != nullptr));
}

TRect TcxCustomEditViewData::GetBorderExtent() {
    if (InplaceMode) return InplaceBorderExtent;
    if (!Style) return TRect{};
    TRect result;
    if (SkinPainter())
        result = GetStyleBorderExtent();
    else if (Style->TransparentBorder())
        result = TRect{2, 2, 2, 2};
    else if (!Style->IsBorderShown() || (NativeLook && BaseStyle()->BorderStyle() == ebsNone))
        result = TRect{};
    else if (NativeLook)
        result = TRect{2, 2, 2, 2};
    else
        result = ExtentOnEdges(BorderWidthOf(EffectiveBorderStyle(), false));
    if (HasShadow()) {
        result.right += cxShadowSize;
        result.bottom += cxShadowSize;
    }
    return result;
}

TRect TcxCustomEditViewData::GetNativeBorderExtent() {
    if (InplaceMode) return InplaceBorderExtent;
    if (!NativeLook || !Style) return GetBorderExtent();
    const TcxEditBorderStyle base = BaseStyle()->BorderStyle();
    if (!Style->TransparentBorder() && base == ebsNone) return TRect{};
    if (base == ebsNone) return TRect{2, 2, 2, 2};
    TRect margins;
    if (ThemeContentMargins(totEdit, 1, 1, margins)) return margins;
    // The theme did not answer: the extents drawn without it.
    const bool native = NativeLook;
    NativeLook = false;
    TRect result = GetBorderExtent();
    NativeLook = native;
    return result;
}

TColor TcxCustomEditViewData::ResolveBorderColor() {
    if (!Style) return clBtnShadow;
    const bool hot = (ContainerState & cxEditStateHot) != 0;
    const bool focused = (ContainerState & cxEditStateFocused) != 0;
    if (TcxCustomLookAndFeelPainterClass skin = SkinPainter())
        return skin->GetEditBorderColor(focused || (hot && Style->HotTrack()));
    const TcxEditBorderStyle style = Style->BorderStyle();
    if (style != ebsUltraFlat && style != ebsOffice11) return Style->BorderColor();
    if (FocusedOrHot || (IsDesigning && Enabled)) return GetHotBorderColor(style == ebsOffice11);
    return clBtnShadow;
}

// ---------------------------------------------------------------------------------------------
// Layout

void TcxCustomEditViewData::StateStep(TcxCustomEditViewInfo* viewInfo, TPoint p, bool isMouseEvent) {
    ContainerState = GetContainerState(p, isMouseEvent);
    TcxContainerState state;
    if (ContainerState & cxEditStateNormal) state.Include(cstNormal);
    if (ContainerState & cxEditStateFocused) state.Include(cstFocused);
    if (ContainerState & cxEditStateDisabled) state.Include(cstDisabled);
    if (ContainerState & cxEditStateHot) state.Include(cstHot);
    viewInfo->StateSet = state;
    FocusedOrHot = (ContainerState & (cxEditStateFocused | cxEditStateHot)) != 0;
    if (Edit) {
        if (TcxCustomEditStyle* active = Edit->ActiveEditStyle()) Style = active;
    }
    if (IsDesigning || !Style || !Style->HotTrack() || InplaceMode)
        viewInfo->HotMode = 0;
    else
        viewInfo->HotMode = FocusedOrHot ? 2 : 1;
    viewInfo->EditBorderStyle =
        InplaceMode || !NativeLook ? EffectiveBorderStyle() : (Style ? BaseStyle()->BorderStyle() : ebsNone);
    viewInfo->FrameStyle = static_cast<TcxContainerBorderStyle>(viewInfo->EditBorderStyle);
}

void TcxCustomEditViewData::CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button,
                                            TShiftState shift, TcxCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    if (!viewInfo) return;
    mouseShift_ = shift & TShiftState{ssLeft, ssRight, ssMiddle, ssDouble};
    mouseButton_ = button;
    BoundsRect = bounds;

    // 1. State; a thinner border than before changes the hot area, so the state is asked again.
    const int previousWidth = BorderWidthOf(viewInfo->EditBorderStyle, false);
    StateStep(viewInfo, p, isMouseEvent);
    if (!InplaceMode && !NativeLook && BorderWidthOf(viewInfo->EditBorderStyle, false) < previousWidth)
        StateStep(viewInfo, p, isMouseEvent);

    // 2. The container part.
    const uint8_t mode = Properties ? Properties->ButtonLayoutMode() : 0;
    FillButtons = InplaceMode ? bounds.right != MaxBound && mode != 0 : mode == 1;
    viewInfo->Editor = Edit;
    viewInfo->EditorProperties = Properties;
    viewInfo->OuterRect = bounds;
    viewInfo->SkinPainter = SkinPainter();
    viewInfo->EnabledFlag = Enabled;
    viewInfo->FocusedFlag = Focused;
    viewInfo->DesignMode = IsDesigning;
    viewInfo->InplaceMode = InplaceMode;
    viewInfo->PaintFlagSet = static_cast<uint8_t>(
        PaintFlags | (IsRectEmpty(&InnerEditOffsets.Rect) ? 0 : cxEditPaintInnerOffsets));
    viewInfo->FrameSides = Style ? Style->Edges() : cxBordersAll;
    if (Style) viewInfo->DrawFont = Style->DirectAccessMode() ? Style->Font() : Style->GetEffectiveFont();
    viewInfo->DropShadow = !InplaceMode && HasShadow();
    if (Edit) viewInfo->Transparent = Edit->Transparent();

    // 3. Rects and colours.
    viewInfo->UsesTheme = NativeLook;
    viewInfo->ThemeClassKind = static_cast<uint8_t>(totEdit);
    viewInfo->ThemeState = GetNativeState(ContainerState);
    viewInfo->ThemePart = IsDwmCompositionEnabled() ? 6 : 1;
    viewInfo->BorderWidths = GetBorderExtent();
    viewInfo->InnerRect = DeflatedBy(bounds, viewInfo->BorderWidths);
    viewInfo->ShadowArea = viewInfo->InnerRect;
    viewInfo->HasInplaceBorderExtent = !IsEmptyExtent(InplaceBorderExtent);
    viewInfo->FrameWidth = BorderWidthOf(viewInfo->EditBorderStyle, viewInfo->SkinPainter != nullptr);
    if (!InplaceMode) viewInfo->FrameColor = ResolveBorderColor();
    TColor background = static_cast<TColor>(cxEditNotSet);
    TColor text = static_cast<TColor>(cxEditNotSet);
    viewInfo->GetPainterEditorColors(background, text);
    if (text == static_cast<TColor>(cxEditNotSet)) text = Style ? Style->GetTextColor() : clWindowText;
    if (Edit && Edit->ParentColor() && Style) {
        background = Style->GetColor();
    } else if (background == static_cast<TColor>(cxEditNotSet)) {
        background = Style ? Style->GetColor() : clWindow;
        if (Enabled && NativeLook && Style && !Style->IsStyleValueAssigned(svColor)) {
            HTHEME theme = OpenCachedTheme(totEdit);
            COLORREF fill = 0;
            if (theme && SUCCEEDED(dxUxTheme::GetThemeColor(theme, IsDwmCompositionEnabled() ? 3 : 1,
                                                           viewInfo->ThemeState, cxThemeFillColorProperty, &fill)))
                background = static_cast<TColor>(fill);
        }
    }
    viewInfo->FillColor = background;
    viewInfo->ContentTextColor = text;

    // 4. Buttons.
    CalculateButtonStates(canvas, viewInfo, p, shift, isMouseEvent);

    // 5. Client rect and inner edit rect.
    viewInfo->ContentRect = DeflatedBy(bounds, CalcEditSize(canvas, viewInfo));
    viewInfo->ContentArea = InnerEditControl ? InnerEditControl->BoundsRect() : viewInfo->ContentRect;

    // 6. Popup border style.
    TcxEditPopupBorderStyle popup = Style ? Style->PopupBorderStyle() : epbsDefault;
    if (popup == epbsDefault && Edit && Style) {
        if (InplaceMode)
            popup = PopupBorderByKind[Style->LookAndFeel().Kind()];
        else if (Style->BorderStyle() != ebsNone || viewInfo->ButtonInfos.empty())
            popup = PopupBorderByBorderStyle[Style->BorderStyle()];
        else
            popup = PopupBorderByKind[ButtonStyleToLookAndFeelKind(viewInfo->Button(0)->Data.Style)];
    }
    viewInfo->PopupBorderStyle = popup;
}

TcxEditButtonStyle TcxCustomEditViewData::ResolveButtonStyle() {
    if (!Style) return bts3D;
    const TcxEditButtonStyle style = Style->ButtonStyle();
    if (style != btsDefault) return style;
    if (InplaceMode) return ButtonStyleByKind[Style->LookAndFeel().Kind()];
    return ButtonStyleByBorderStyle[Style->BorderStyle()];
}

bool TcxCustomEditViewData::IsNativeButton(bool loneDropDown) {
    if (!Style || !Style->LookAndFeel().NativeStyle()) return false;
    return OpenCachedTheme(loneDropDown ? totComboBox : totButton) != nullptr;
}

int TcxCustomEditViewData::GetEditButtonWidth(TcxCanvas& canvas, TcxEditButton* button, bool loneDropDown) {
    return GetButtonWidth(canvas, button->Kind(), button->Width(), button->HasGlyph() ? button->Glyph() : nullptr,
                          button->ShownCaption(), loneDropDown);
}

int TcxCustomEditViewData::GetButtonWidth(TcxCanvas& canvas, TcxEditButtonKind kind, int width, TBitmap* glyph,
                                          const AnsiString& caption, bool loneDropDown) {
    int margins = 4;
    if (IsNativeButton(loneDropDown)) {
        TRect m;
        if (ThemeContentMargins(loneDropDown ? totComboBox : totButton, 1, 1, m)) margins = m.left + m.right;
    }
    if (width >= 1) return std::max(width, margins);
    const int scrollHeight = GetSystemMetric(SM_CYHSCROLL);
    if (kind == bkGlyph && IsNonEmptyBitmap(glyph)) return glyph->Width() + margins;
    if (kind == bkText) return std::max(scrollHeight, margins + canvas.MeasureTextWidth(caption) + 3);
    return scrollHeight;
}

void TcxCustomEditViewData::FillButtonViewInfo(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, int index,
                                               TcxEditButton* button, int collectionIndex) {
    (void)canvas;
    TcxEditButtonViewInfo* info = viewInfo->Button(index);
    // Nothing stays of the button this view info showed before (its state was read already).
    info->Data = TcxEditButtonViewInfoData{};
    TcxEditButtonViewInfoData& data = info->Data;
    data.Kind = button->Kind();
    if (data.Kind == bkText) {
        data.Caption = button->Caption();
        data.TextColor = button->CaptionColor();
        data.VisibleCaption = button->ShownCaption();
    }
    data.ContentAlignment = button->ContentAlignment();
    data.Default = button->Default();
    info->Glyph = button->HasGlyph() ? button->Glyph() : nullptr;
    data.Gradient = Style && Style->GradientButtons();
    data.Inplace = InplaceMode;
    data.LeftAlignment = button->LeftAlignment();
    data.Stretchable = button->Stretchable();
    data.Width = button->Width();
    if (data.Width == 0 && OnGetDefaultButtonWidth) OnGetDefaultButtonWidth(this, collectionIndex, data.Width);
    const TcxEditButtonTransparency transparency = Style ? Style->ButtonTransparency() : ebtNone;
    data.Transparent = transparency == ebtAlways || (transparency == ebtInactive && !FocusedOrHot);
    data.LoneDropDown = VisibleButtonCount == 1 && data.Kind == bkDown;
    data.CollectionIndex = collectionIndex;
    data.Style = ResolveButtonStyle();
    data.NativeStyle = IsNativeButton(data.LoneDropDown);
}

void TcxCustomEditViewData::PlaceButton(TcxCustomEditViewInfo* viewInfo, int index, TRect& rest, int width) {
    TcxEditButtonViewInfo* info = viewInfo->Button(index);
    if (rest.right <= rest.left || rest.bottom <= rest.top) {
        info->Bounds = TRect{};
        info->Data.VisibleBounds = TRect{};
        return;
    }
    const int shown = std::min(width, static_cast<int>(rest.right - rest.left));
    if (info->Data.LeftAlignment) {
        info->Bounds = TRect{rest.left, rest.top, rest.left + width, rest.bottom};
        info->Data.VisibleBounds = TRect{rest.left, rest.top, rest.left + shown, rest.bottom};
        rest.left += shown;
        if (LeftGroupFirst < 0) LeftGroupFirst = index;
        LeftGroupLast = index;
    } else {
        info->Bounds = TRect{rest.right - width, rest.top, rest.right, rest.bottom};
        info->Data.VisibleBounds = TRect{rest.right - shown, rest.top, rest.right, rest.bottom};
        rest.right -= shown;
        if (RightGroupLast < 0) RightGroupLast = index;
        RightGroupFirst = index;
    }
}

void TcxCustomEditViewData::CalculateButtonStates(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, TPoint p,
                                                  TShiftState shift, bool isMouseEvent) {
    (void)shift; // CalculateLayout kept its mouse-button bits
    // What the previous layout showed, for the press rules.
    std::vector<TcxEditButtonState> oldStates;
    for (const auto& info : viewInfo->ButtonInfos) oldStates.push_back(info->Data.State);
    const int oldPressed = viewInfo->PressedIndex;

    LeftGroupFirst = LeftGroupLast = RightGroupFirst = RightGroupLast = -1;
    viewInfo->PressedIndex = -1;
    viewInfo->HotIndex = -1;
    viewInfo->PressIsReal = false;
    const TcxEditButtonTransparency transparency = Style ? Style->ButtonTransparency() : ebtNone;
    const bool focused = (ContainerState & cxEditStateFocused) != 0;
    if (VisibleButtonCount == 0 || !Properties || (!focused && transparency == ebtHideInactive) ||
        (!FocusedOrHot && transparency == ebtHideUnselected)) {
        viewInfo->SetButtonCount(0);
        return;
    }
    viewInfo->SetButtonCount(VisibleButtonCount);
    const int previousPressed = mouseButton_ >= 0 ? oldPressed : -1;

    // Placement, from the last collection index to the first.
    TcxEditButtons* buttons = Properties->Buttons();
    if (viewInfo->DrawFont) canvas.AssignFont(*viewInfo->DrawFont);
    int index = VisibleButtonCount;
    std::vector<TcxEditButton*> shown(static_cast<size_t>(VisibleButtonCount), nullptr);
    for (int i = buttons->Count() - 1; i >= 0 && index > 0; --i) {
        TcxEditButton* button = buttons->GetItem(i);
        if (!button->Visible()) continue;
        --index;
        shown[static_cast<size_t>(index)] = button;
        FillButtonViewInfo(canvas, viewInfo, index, button, i);
    }
    TRect rest = BoundsRect;
    TcxEditButtonViewInfo* first = viewInfo->Button(0);
    const bool fullBounds = !InplaceMode && first->Data.LoneDropDown && first->Data.NativeStyle &&
                            IsDwmCompositionEnabled();
    if (!fullBounds) rest = DeflatedBy(BoundsRect, GetNativeBorderExtent());
    int totalWidth = 0;
    for (int i = VisibleButtonCount - 1; i >= 0; --i) {
        TcxEditButtonViewInfo* info = viewInfo->Button(i);
        const int width = GetButtonWidth(canvas, info->Data.Kind, info->Data.Width, info->Glyph,
                                         info->Data.VisibleCaption, info->Data.LoneDropDown);
        PlaceButton(viewInfo, i, rest, width);
        totalWidth += info->Data.VisibleBounds.right - info->Data.VisibleBounds.left;
    }
    DistributeButtonWidths(viewInfo, totalWidth, std::max(0, static_cast<int>(rest.right - rest.left)));

    // States.
    const bool leftOnly = (mouseShift_ - TShiftState{ssDouble}) == TShiftState{ssLeft};
    const bool anyDown = !(mouseShift_ - TShiftState{ssDouble}).Empty();
    const bool leftDown = mouseShift_.Contains(ssLeft);
    for (int i = 0; i < VisibleButtonCount; ++i) {
        TcxEditButtonViewInfo* info = viewInfo->Button(i);
        const TcxEditButtonState old = i < static_cast<int>(oldStates.size()) ? oldStates[static_cast<size_t>(i)]
                                                                              : ebsNormal;
        TcxEditButtonState state = ebsNormal;
        const TRect& visible = info->Data.VisibleBounds;
        if (!Enabled || !shown[static_cast<size_t>(i)]->Enabled()) {
            state = ebsDisabled;
        } else if (ShowsButtonPressed(i) || (!IsDesigning && PtInRect(&visible, p))) {
            const bool held = ShowsButtonPressed(i);
            const bool byClick = leftOnly && ((isMouseEvent && CanButtonTrackMouse(i)) || i == previousPressed);
            const bool stillDown = old == ebsPressed && leftDown;
            const bool captured = !isMouseEvent && leftDown && old == ebsNormal && Edit &&
                                  Edit->CapturedButtonIndex == i && CanButtonTrackMouse(i);
            if (held || byClick || stillDown || captured) {
                state = ebsPressed;
                viewInfo->PressedIndex = i;
                if (held || stillDown || captured || (isMouseEvent && leftOnly)) viewInfo->PressIsReal = true;
            } else if (anyDown) {
                state = ebsNormal;
            } else {
                state = ebsSelected;
                viewInfo->HotIndex = i;
            }
        }
        if (viewInfo->OnGetButtonStateHandler) viewInfo->OnGetButtonStateHandler(info, state);
        info->Data.State = state;
        CalcNativeButtonPart(info);
    }
    SetGroupMarks(viewInfo);
}

void TcxCustomEditViewData::CalcNativeButtonPart(TcxEditButtonViewInfo* button) {
    TcxEditButtonViewInfoData& data = button->Data;
    data.NativePart = 0;
    data.PartiallyTransparent = false;
    if (!data.NativeStyle) return;
    const bool comboBox = data.LoneDropDown && !InplaceMode && IsDwmCompositionEnabled();
    HTHEME theme = OpenCachedTheme(comboBox ? totComboBox : totButton);
    if (!theme) return;
    data.NativePart = comboBox ? (data.LeftAlignment ? 7 : 6) : 1;
    data.NativeState = ButtonPartStates[data.State];
    data.PartiallyTransparent = dxUxTheme::IsThemeBackgroundPartiallyTransparent(theme, data.NativePart,
                                                                                 data.NativeState) != FALSE;
}

void TcxCustomEditViewData::SetGroupMarks(TcxCustomEditViewInfo* viewInfo) {
    for (auto& info : viewInfo->ButtonInfos) info->Data.FirstInGroup = info->Data.LastInGroup = false;
    auto mark = [&](int index, bool first) {
        if (index < 0) return;
        (first ? viewInfo->Button(index)->Data.FirstInGroup : viewInfo->Button(index)->Data.LastInGroup) = true;
    };
    const bool hasLeft = LeftGroupFirst >= 0;
    const bool hasRight = RightGroupLast >= 0;
    mark(LeftGroupFirst, true);
    mark(RightGroupLast, false);
    if (!(FillButtons && hasRight)) mark(LeftGroupLast, false);
    if (!(FillButtons && hasLeft)) mark(RightGroupFirst, true);
}

void TcxCustomEditViewData::DistributeButtonWidths(TcxCustomEditViewInfo* viewInfo, int totalWidth,
                                                   int extraWidth) {
    if (!FillButtons || extraWidth <= 0 || viewInfo->ButtonInfos.empty()) return;
    const int count = viewInfo->ButtonCount();
    auto widthOf = [&](int i) { return viewInfo->Button(i)->Bounds.right - viewInfo->Button(i)->Bounds.left; };
    std::vector<bool> candidate(static_cast<size_t>(count), false);
    int64_t sum = 0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        if (viewInfo->Button(i)->Data.Stretchable && !IsButtonWidthFixed(i)) {
            candidate[static_cast<size_t>(i)] = true;
            sum += widthOf(i);
            any = true;
        }
    }
    if (!any) {
        std::fill(candidate.begin(), candidate.end(), true);
        sum = totalWidth;
    }
    if (sum <= 0) return;
    int lastCandidate = -1;
    for (int i = 0; i < count; ++i)
        if (candidate[static_cast<size_t>(i)]) {
            lastCandidate = i;
            break;
        }
    // The product of an extra width near MaxInt (a standalone editor measured on MaxInt bounds)
    // and a button width does not fit 32 bits.
    int64_t remaining = extraWidth;
    for (int i = count - 1; i >= 0; --i) {
        if (!candidate[static_cast<size_t>(i)]) continue;
        const int64_t share =
            i == lastCandidate ? remaining : static_cast<int64_t>(extraWidth) * widthOf(i) / sum;
        remaining -= share;
        WidenButton(viewInfo, i, static_cast<int>(share));
    }
}

void TcxCustomEditViewData::WidenButton(TcxCustomEditViewInfo* viewInfo, int index, int delta) {
    if (delta == 0) return;
    TcxEditButtonViewInfo* widened = viewInfo->Button(index);
    const bool left = widened->Data.LeftAlignment;
    const TRect before = widened->Bounds;
    auto shift = [](TcxEditButtonViewInfo* b, int dx) {
        OffsetRect(&b->Bounds, dx, 0);
        OffsetRect(&b->Data.VisibleBounds, dx, 0);
    };
    for (auto& info : viewInfo->ButtonInfos) {
        if (info.get() == widened || info->Data.LeftAlignment != left) continue;
        if (left && info->Bounds.left >= before.right) shift(info.get(), delta);
        if (!left && info->Bounds.right <= before.left) shift(info.get(), -delta);
    }
    if (left) {
        widened->Bounds.right += delta;
        widened->Data.VisibleBounds.right += delta;
    } else {
        widened->Bounds.left -= delta;
        widened->Data.VisibleBounds.left -= delta;
    }
}

TRect TcxCustomEditViewData::CalcEditSize(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo) {
    (void)canvas;
    TRect margins = GetBorderExtent();
    if (Properties && Properties->ButtonLayoutMode() != 0 && viewInfo->ButtonCount() > 0) {
        const TRect native = GetNativeBorderExtent();
        margins.left = native.left;
        margins.right = native.right;
    }
    if (HScrollBar && HScrollBar->Visible()) margins.bottom += HScrollBar->Height();
    if (VScrollBar && VScrollBar->Visible()) margins.right += VScrollBar->Width();
    const TRect& bounds = viewInfo->OuterRect;
    for (const auto& info : viewInfo->ButtonInfos) {
        const TRect& visible = info->Data.VisibleBounds;
        if (visible.right <= visible.left) continue;
        if (info->Data.LeftAlignment)
            margins.left = std::max(margins.left, visible.right - bounds.left);
        else
            margins.right = std::max(margins.right, bounds.right - visible.left);
    }
    return margins;
}

// ---------------------------------------------------------------------------------------------
// Measuring

TSize TcxCustomEditViewData::MeasureValue(TcxCanvas& canvas, bool isInplace, const Variant& value,
                                          TcxCustomEditViewInfo* viewInfo) {
    (void)isInplace, (void)value;
    std::unique_ptr<TcxContainerViewInfo> temporary;
    if (!viewInfo) {
        temporary = Properties ? Properties->ViewInfoClass()() : TcxCustomEditViewInfo::Class()();
        viewInfo = dynamic_cast<TcxCustomEditViewInfo*>(temporary.get());
        if (!viewInfo) return TSize{0, 0};
        CalculateLayout(canvas, TRect{0, 0, MaxBound, MaxBound}, TPoint{-1, -1}, -1, TShiftState{}, viewInfo, false);
    }
    TSize minSize, extraSize;
    CalcEditorContentSize(canvas, viewInfo, minSize, extraSize);
    return TSize{minSize.cx + extraSize.cx, minSize.cy + extraSize.cy};
}

void TcxCustomEditViewData::CalcEditorContentSize(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo,
                                                  TSize& minSize, TSize& extraSize) {
    const TRect& bounds = viewInfo->OuterRect;
    const TRect& client = viewInfo->ContentRect;
    minSize = TSize{(bounds.right - bounds.left) - (client.right - client.left),
                    (bounds.bottom - bounds.top) - (client.bottom - client.top)};
    extraSize = TSize{0, 0};
    int tallest = 0;
    for (const auto& info : viewInfo->ButtonInfos) {
        if (info->Data.Kind == bkGlyph && IsNonEmptyBitmap(info->Glyph))
            tallest = std::max(tallest, info->Glyph->Height());
        if (InplaceMode && info->Data.Kind == bkText && Style) {
            canvas.AssignFont(*Style->GetEffectiveFont());
            tallest = std::max(tallest, canvas.MeasureTextHeight(info->Data.VisibleCaption));
        }
    }
    if (tallest <= 0) return;
    int height = tallest;
    if (!SkinPainter()) {
        const TRect native = GetNativeBorderExtent();
        height += native.top + native.bottom;
    }
    const TcxEditButtonStyle style = viewInfo->ButtonInfos.empty() ? btsDefault : viewInfo->Button(0)->Data.Style;
    const bool native = !viewInfo->ButtonInfos.empty() && viewInfo->Button(0)->Data.NativeStyle;
    height += GetEditButtonsContentVerticalOffset(canvas, style, native);
    extraSize.cy = std::max(0, static_cast<int>(height - minSize.cy));
}

TSize TcxCustomEditViewData::GetTextContentSize(TcxCanvas& canvas, const Variant& value, int width) {
    if (Properties && Properties->ButtonLayoutMode() != 0) {
        if (Style) canvas.AssignFont(*Style->GetEffectiveFont());
        return TSize{0, SumContentOffsets().cy + canvas.MeasureTextHeight("Zg")};
    }
    return MeasureContent(canvas, value, width);
}

TSize TcxCustomEditViewData::CalculateAutoSize(TcxCanvas& canvas, const Variant& value,
                                               const TcxEditSizeLimits& limits) {
    const TSize size = MeasureValue(canvas, InplaceMode, value, nullptr);
    int room = -1;
    bool overflow = false;
    if (limits.Width >= 0) {
        room = limits.Width - size.cx;
        if (room < 0) {
            room = 0;
            overflow = true;
        }
    }
    const TSize content = GetTextContentSize(canvas, value, room);
    TSize result{overflow ? limits.Width : size.cx + content.cx, size.cy + content.cy};
    return result;
}
