#include "ui/editors/framework/Container.h"

#include <algorithm>
#include <cstring>

#include "ui/core/ControlServices.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/ThemeBinding.h"

namespace {

bool SameFont(const TFont& a, const TFont& b) {
    const LOGFONTA la = a.LogFont(), lb = b.LogFont();
    return a.Color() == b.Color() && std::memcmp(&la, &lb, sizeof(LOGFONTA)) == 0;
}

bool SameInnerBounds(const TcxContainer::TcxInnerBounds& a, const TcxContainer::TcxInnerBounds& b) {
    if (a.Empty || b.Empty) return a.Empty == b.Empty;
    return EqualRect(&a.Rect, &b.Rect) != 0;
}

// Runs a write the container makes itself, so that the change it causes is not taken for the user's.
class TInternalSetting {
public:
    explicit TInternalSetting(bool& flag) : flag_(flag), previous_(flag) { flag = true; }
    ~TInternalSetting() { flag_ = previous_; }

private:
    bool& flag_;
    bool previous_;
};

} // namespace

TcxContainer::TcxContainer(TComponent* owner) : TcxControl(owner) {
    creating_ = true;
    sizeGripVisible_ = false;
    stateStyles_ = StylesClass()(this, StyleClass());
    stateStyles_->SetOnChanged([this](TObject*) { HandleStylesChanged(); });
    activeState_ = TcxContainerState{cstNormal};
    activeStyle_ = GetNormalStyle();
    drawInfo_ = ViewInfoClass()();
    LookAndFeel().SetMaster(&GetNormalStyle()->LookAndFeel());
    ControlStyle.Include(csCaptureMouse);
    SetTabStop(true);
    const bool parentColor =
        DefaultParentColor() && !IsInplace() && !GetNormalStyle()->IsStyleValueAssigned(svColor);
    if (parentColor) {
        SetParentColor(true);
    } else {
        TInternalSetting internal(internalSetting_);
        SetColor(clWindow);
    }
    ResetInnerControlBounds();
    creating_ = false;
}

TcxContainer::~TcxContainer() {
    StopMouseLeaveTracking(this);
    destroying_ = true;
    SetInnerControl(nullptr);
    // The window dies in the base destructor: nothing reached from there may find these.
    drawInfo_.reset();
    stateStyles_->SetOnChanged(nullptr);
    stateStyles_.reset();
    activeStyle_ = nullptr;
}

void TcxContainer::RecreateStylesAndViewInfo() {
    LookAndFeel().SetMaster(nullptr);
    stateStyles_->SetOnChanged(nullptr);
    activeStyle_ = nullptr;
    stateStyles_ = StylesClass()(this, StyleClass());
    stateStyles_->SetOnChanged([this](TObject*) { HandleStylesChanged(); });
    activeStyle_ = GetNormalStyle();
    drawInfo_ = ViewInfoClass()();
    LookAndFeel().SetMaster(&GetNormalStyle()->LookAndFeel());
}

TcxContainerViewInfoClass TcxContainer::ViewInfoClass() {
    return [] { return std::make_unique<TcxContainerViewInfo>(); };
}

// ---------------------------------------------------------------------------------------------
// Styles and state

TcxContainerStyle* TcxContainer::GetActiveStyle() {
    if (!drawInfo_ || !stateStyles_) return stateStyles_ ? GetNormalStyle() : nullptr;
    if (activeStyle_ && drawInfo_->StateSet == activeState_) return activeStyle_;
    activeState_ = drawInfo_->StateSet;
    activeStyle_ = SelectStyleForState(activeState_);
    return activeStyle_;
}

TcxContainerStyle* TcxContainer::SelectStyleForState(TcxContainerState state) {
    if (state.Contains(cstDisabled)) return StyleDisabled();
    if (state.Contains(cstFocused)) return StyleFocused();
    if (GetNormalStyle()->HotTrack() && state.Contains(cstHot)) return StyleHot();
    return Style();
}

bool TcxContainer::UsesNativeStyle() {
    return IsNativeThemeActive(GetNormalStyle()->LookAndFeel().NativeStyle(),
                               static_cast<TdxThemedObjectType>(GetNativeObjectType()));
}

bool TcxContainer::HasShadow() {
    return GetActiveStyle()->Shadow() && !UsesNativeStyle();
}

int TcxContainer::GetNativePart() {
    return IsDwmCompositionEnabled() ? 3 : 1;
}

int TcxContainer::GetNativeState() {
    if (!Enabled()) return 4;
    if (IsReadOnly()) return 6;
    if (Focused()) return 5;
    if (drawInfo_->StateSet.Contains(cstHot)) return 2;
    return 1;
}

bool TcxContainer::NeedsWindowRegion() {
    return !(drawInfo_->UsesTheme && drawInfo_->FrameStyle != cbsNone);
}

bool TcxContainer::IsStyleValueStored(const AnsiString& name, bool isStateStyle) {
    if (isStateStyle && !Style()->IsPropertyPublished(name)) return false;
    const TcxContainerStyleValue value = Style()->FindStyleValueIndex(name);
    if (value >= 0 && value < 32 && (GetUnsupportedStyleValues() & StyleValueBit(value)) != 0) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// View info and geometry

void TcxContainer::CalculateViewInfo(TPoint p, bool hot) {
    TcxContainerViewInfo& info = *drawInfo_;
    TcxContainerStyle* normal = GetNormalStyle();
    info.UsesTheme = UsesNativeStyle();
    info.SkinPainter = normal->LookAndFeel().SkinPainter();
    const bool native = info.UsesTheme;
    const int previousWidth = GetContainerBorderWidth(info.FrameStyle);
    auto stateStep = [&] {
        TcxContainerState state;
        if (!Enabled())
            state = TcxContainerState{cstDisabled};
        else if (IsDesigning())
            state = TcxContainerState{cstNormal};
        else
            state = Focused() ? TcxContainerState{cstFocused} : TcxContainerState{cstNormal};
        if (hot) {
            TRect hotRect;
            GetHotTrackRect(hotRect);
            if (PtInRect(&hotRect, p)) state.Include(cstHot);
        }
        info.StateSet = state;
        TcxContainerStyle* active = GetActiveStyle();
        info.HotMode = !active->HotTrack() ? 0 : state.Contains(cstFocused) || state.Contains(cstHot) ? 2 : 1;
        if (native) {
            info.FrameStyle = normal->BorderStyle();
        } else {
            info.FrameStyle = active->BorderStyle();
            if (info.FrameStyle == cbsUltraFlat || info.FrameStyle == cbsOffice11) info.FrameStyle = cbsSingle;
        }
    };
    stateStep();
    // The hot area depends on the border: a thinner one asks again.
    if (!native && GetContainerBorderWidth(info.FrameStyle) < previousWidth) stateStep();
    if (native) {
        info.ThemeClassKind = static_cast<uint8_t>(GetNativeObjectType());
        info.ThemePart = GetNativePart();
        info.ThemeState = GetNativeState();
    }
    TcxContainerStyle* active = GetActiveStyle();
    info.OuterRect = TRect{0, 0, Width(), Height()};
    TRect extent;
    GetBorderExtent(extent);
    info.InnerRect = TRect{extent.left, extent.top, Width() - extent.right, Height() - extent.bottom};
    info.ContentRect = info.InnerRect;
    info.FrameWidth = info.SkinPainter ? 1 : GetContainerBorderWidth(info.FrameStyle);
    info.FrameSides = active->Edges();
    info.DropShadow = HasShadow();

    const bool highlighted = info.StateSet.Contains(cstFocused) ||
                             (info.StateSet.Contains(cstHot) && active->HotTrack()) ||
                             (IsDesigning() && Enabled());
    const TcxContainerBorderStyle activeBorder = active->BorderStyle();
    if (info.SkinPainter)
        info.FrameColor = info.SkinPainter->GetEditBorderColor(highlighted);
    else if (activeBorder != cbsUltraFlat && activeBorder != cbsOffice11)
        info.FrameColor = active->BorderColor();
    else if (!highlighted)
        info.FrameColor = clBtnShadow;
    else
        info.FrameColor = activeBorder == cbsOffice11 ? Office11SelectedBorderColor : clHighlight;

    info.FillColor = active->GetColor();
    if (native && !Enabled() && !active->IsStyleValueAssigned(svColor)) {
        COLORREF fill = 0;
        HTHEME theme = OpenCachedTheme(static_cast<TdxThemedObjectType>(info.ThemeClassKind));
        if (theme && SUCCEEDED(dxUxTheme::GetThemeColor(theme, info.ThemePart, info.ThemeState,
                                                        cxThemeFillColorProperty, &fill)))
            info.FillColor = static_cast<TColor>(fill);
    }
}

void TcxContainer::GetBorderExtent(TRect& extent) {
    TcxContainerStyle* active = GetActiveStyle();
    TcxContainerStyle* normal = GetNormalStyle();
    const bool native = drawInfo_->UsesTheme;
    if (active->TransparentBorder() && !normal->LookAndFeel().SkinPainter()) {
        extent = TRect{2, 2, 2, 2};
    } else if (!active->IsBorderShown() || (native && normal->BorderStyle() == cbsNone)) {
        extent = TRect{0, 0, 0, 0};
    } else if (native) {
        extent = TRect{2, 2, 2, 2};
    } else {
        const int width = GetContainerBorderWidth(drawInfo_->FrameStyle);
        const TcxBorders edges = active->Edges();
        extent = TRect{edges.Contains(bLeft) ? width : 0, edges.Contains(bTop) ? width : 0,
                       edges.Contains(bRight) ? width : 0, edges.Contains(bBottom) ? width : 0};
    }
    if (HasShadow()) {
        extent.right += cxShadowSize;
        extent.bottom += cxShadowSize;
    }
}

void TcxContainer::GetHotTrackRect(TRect& rect) {
    rect = TRect{0, 0, Width(), Height()};
    if (!IsInplace()) {
        TcxContainerStyle* normal = GetNormalStyle();
        const bool transparent = GetActiveStyle()->TransparentBorder();
        const bool native = drawInfo_->UsesTheme;
        if (drawInfo_->DropShadow) {
            rect.right -= cxShadowSize;
            rect.bottom -= cxShadowSize;
        }
        if (normal->IsBorderShown()) {
            if (native) {
                if (transparent && normal->BorderStyle() == cbsNone) InflateRect(&rect, -2, -2);
            } else if (transparent) {
                const int width = GetContainerBorderWidth(drawInfo_->FrameStyle);
                InflateRect(&rect, width - 2, width - 2);
                DeflateUnedgedSides(rect, width, GetActiveStyle()->Edges());
            }
        } else if (transparent) {
            InflateRect(&rect, -2, -2);
        }
    }
    if (rect.bottom < rect.top) rect = TRect{rect.left, 0, rect.right, 0};
}

void TcxContainer::GetWindowShapeRect(TRect& rect) {
    TRect extent;
    GetBorderExtent(extent);
    const TRect& outer = drawInfo_->OuterRect;
    rect = TRect{outer.left + extent.left, outer.top + extent.top, outer.right - extent.right,
                 outer.bottom - extent.bottom};
    const int width = GetContainerBorderWidth(drawInfo_->EffectiveBorderStyle());
    InflateRect(&rect, width, width);
    DeflateUnedgedSides(rect, width, GetActiveStyle()->Edges());
}

HRGN TcxContainer::CreateWindowShapeRegion() {
    TRect rect;
    GetWindowShapeRect(rect);
    HRGN region = CreateRectRgnIndirect(&rect);
    if (drawInfo_->DropShadow) {
        HRGN shadow = CreateRectRgnIndirect(&rect);
        OffsetRgn(shadow, cxShadowSize, cxShadowSize);
        CombineRgn(region, region, shadow, RGN_OR);
        DeleteObject(shadow);
    }
    return region;
}

void TcxContainer::UpdateWindowRegion() {
    if (!HandleAllocated()) return;
    SetWindowRegionIfChanged(Handle(), NeedsWindowRegion() ? CreateWindowShapeRegion() : nullptr);
}

void TcxContainer::ClipCanvasToWindowRegion() {
    auto region = std::make_unique<TcxRegion>(CreateWindowShapeRegion());
    Canvas().ApplyClipRegion(std::move(region), rcmIntersect);
}

// ---------------------------------------------------------------------------------------------
// Refreshing

bool TcxContainer::RefreshAtPoint(TPoint p, int button, TShiftState shift, bool isMouseEvent) {
    (void)button, (void)isMouseEvent;
    if (refreshLocked_ || IsDestroying()) return true;
    viewInfoCalculated_ = true;
    CalculateViewInfo(p, shift.Empty() && GetActiveStyle()->HotTrack());
    AlignInnerControl();
    UpdateInnerControlStyle();
    UpdateWindowRegion();
    if (HandleAllocated()) {
        if (!hostedControl_)
            InvalidateRect(Handle(), nullptr, FALSE);
        else
            InvalidateRectOutside(Handle(), GetControlBoundsRect(this), drawInfo_->InnerRect);
    }
    if (drawInfo_->StateSet.Contains(cstHot) && HandleAllocated()) {
        TRect hotRect;
        GetHotTrackRect(hotRect);
        StartMouseLeaveTracking(this, hotRect, this);
    }
    return true;
}

void TcxContainer::RefreshAtCursor(bool isMouseEvent) {
    if (!HandleAllocated() || IsDestroying() || refreshing_) return;
    refreshing_ = true;
    TPoint p{-1, -1};
    const TPoint screen = GetCursorScreenPos();
    if (IsControlWindow(this, WindowFromPoint(screen), true)) p = ScreenToClient(screen);
    RefreshAtPoint(p, 0, GetShiftStateFromKeyboard(), isMouseEvent);
    refreshing_ = false;
}

void TcxContainer::HandleStylesChanged() {
    if (creating_ || HasState(csLoading) || IsDestroying()) return;
    RefreshAtCursor();
    TcxContainerStyle* normal = GetNormalStyle();
    if (!ParentColor() || (normal->AssignedValues() & StyleValueBit(svColor)) != 0)
        SetInternalColor(normal->GetControlColor());
    if (TFont* font = normal->Font()) {
        TInternalSetting internal(internalSetting_);
        const bool parentFont = parentFont_;
        if (!SameFont(Font(), *font)) Font().Assign(*font);
        parentFont_ = parentFont;
    }
    if (normal->IsStyleValueAssigned(svFont)) SetParentFont(false);
}

void TcxContainer::SetInternalColor(TColor color) {
    if (!ParentColor() && color_ == color) return;
    TInternalSetting internal(internalSetting_);
    SetColor(color);
}

void TcxContainer::HandleColorChanged() {
    if (IsDestroying() || !stateStyles_) return;
    if (internalSetting_) {
        RefreshAtCursor();
        return;
    }
    GetNormalStyle()->SetColor(color_);
}

void TcxContainer::HandleFontChanged() {
    if (IsDestroying() || !stateStyles_ || creating_) return;
    if (internalSetting_) {
        AlignInnerControl();
        SyncScrollBars();
        RefreshAtCursor();
        return;
    }
    TcxContainerStyle* normal = GetNormalStyle();
    const bool wasAssigned = (normal->AssignedValues() & StyleValueBit(svFont)) != 0;
    normal->SetFont(&Font());
    // The font still counts as not the style's own; the bit goes without the font being re-read.
    if (!wasAssigned) normal->ClearFontAssigned();
}

void TcxContainer::HandleParentColorChanged() {
    if (IsDestroying() || !stateStyles_) return;
    TcxContainerStyle* normal = GetNormalStyle();
    const TcxContainerStyleValues assigned = normal->AssignedValues();
    if (ParentColor() && (assigned & StyleValueBit(svColor)) != 0)
        normal->SetAssignedValues(assigned & ~StyleValueBit(svColor));
    if (normal->GetColor() != Color())
        HandleStylesChanged();
    else
        RefreshAtCursor();
    if (IsTransparent() && !ParentColor()) Invalidate();
}

void TcxContainer::HandleParentFontChanged() {
    if (IsDestroying() || !stateStyles_) return;
    if (!ParentFont()) GetNormalStyle()->RefreshFont();
}

void TcxContainer::HandleEnabledChanged() {
    for (TcxControlScrollBar* bar : {HScrollBar(), VScrollBar()})
        if (bar) bar->SetEnabled(Enabled());
    RefreshAtCursor();
}

// ---------------------------------------------------------------------------------------------
// The inner control

void TcxContainer::SetInnerControl(TWinControl* value) {
    if (value == hostedControl_) return;
    if (hostedControl_) hostedControl_->RemoveFreeNotification(this);
    hostedControl_ = value;
    ResetInnerControlBounds();
    if (value) value->FreeNotification(this);
}

void TcxContainer::Notification(TComponent* component, TOperation operation) {
    TcxControl::Notification(component, operation);
    if (operation == opRemove && component == hostedControl_) {
        hostedControl_ = nullptr;
        ResetInnerControlBounds();
    }
}

void TcxContainer::CalculateInnerControlBounds(const TRect& clientRect, TControl* control, TcxInnerBounds& result) {
    const TRect bounds = control->BoundsRect();
    result.Rect = TRect{0, 0, control->Width(), control->Height()};
    bool cut = false;
    if (bounds.left < clientRect.left) {
        result.Rect.left = clientRect.left - bounds.left;
        cut = true;
    }
    if (bounds.top < clientRect.top) {
        result.Rect.top = clientRect.top - bounds.top;
        cut = true;
    }
    if (bounds.right > clientRect.right) {
        result.Rect.right -= bounds.right - clientRect.right;
        cut = true;
    }
    if (bounds.bottom > clientRect.bottom) {
        result.Rect.bottom -= bounds.bottom - clientRect.bottom;
        cut = true;
    }
    result.Empty = !cut;
}

void TcxContainer::AlignControls(TControl* control, TRect& rect) {
    if (UsesStandardChildLayout()) return TcxControl::AlignControls(control, rect);
    if (alignLockCount_ > 0 || (control && IsOwnScrollControl(control))) return;
    if (!control) return TcxControl::AlignControls(control, rect);
    if (creating_) return;
    auto* child = dynamic_cast<TWinControl*>(control);
    if (!child || !child->HandleAllocated()) return;
    TcxInnerBounds visible;
    CalculateInnerControlBounds(rect, control, visible);
    const bool inner = control == hostedControl_;
    if (inner && SameInnerBounds(visible, innerBounds_)) return;
    SetWindowRgn(child->Handle(), visible.Empty ? nullptr : CreateRectRgnIndirect(&visible.Rect), TRUE);
    // Only the inner control's part is remembered: another child's would be compared with it later.
    if (inner) innerBounds_ = visible;
}

void TcxContainer::AdjustClientRect(TRect& rect) {
    if (!IsDestroying() && drawInfo_) rect = drawInfo_->ContentRect;
}

void TcxContainer::LockAlignControls(bool lock) {
    if (lock)
        ++alignLockCount_;
    else if (alignLockCount_ > 0)
        --alignLockCount_;
}

void TcxContainer::AlignInnerControl() {
    if (!hostedControl_) return;
    const TRect content = drawInfo_->ContentRect;
    const TRect bounds = hostedControl_->BoundsRect();
    if (EqualRect(&bounds, &content)) return;
    refreshLocked_ = true;
    hostedControl_->SetBounds(content.left, content.top, content.right - content.left, content.bottom - content.top);
    refreshLocked_ = false;
}

void TcxContainer::UpdateInnerControlStyle() {
    if (!hostedControl_) return;
    // Only real changes: a repaint of the inner window on every hot change would flicker.
    if (hostedControl_->ParentColor() || hostedControl_->Color() != drawInfo_->FillColor)
        hostedControl_->SetColor(drawInfo_->FillColor);
    TFont* font = GetActiveStyle()->GetEffectiveFont();
    if (!SameFont(hostedControl_->Font(), *font)) hostedControl_->Font().Assign(*font);
}

void TcxContainer::CallSavedInnerWndProc(TMessage& message) {
    if (SavedInnerWndProc) SavedInnerWndProc(message);
}

bool TcxContainer::HandleInnerControlMessage(TMessage& message) {
    if (message.Msg != WM_CONTEXTMENU) return false;
    message.Result = Perform(WM_CONTEXTMENU, message.WParam, message.LParam);
    return message.Result != 0;
}

bool TcxContainer::HandleInnerShortCut(TMessage& message) {
    if (message.Msg != CN_KEYDOWN && message.Msg != CN_SYSKEYDOWN) return false;
    if (!TryPopupMenuShortCut(static_cast<WORD>(message.WParam))) return false;
    message.Result = 1;
    return true;
}

bool TcxContainer::GetInnerScrollBarInfo(SCROLLBARINFO& info, TScrollBarKind kind) {
    TGetScrollBarInfoProc proc = GetScrollBarInfoProc();
    if (!proc || IsDestroying() || !HandleAllocated() || !hostedControl_ || !hostedControl_->HandleAllocated())
        return false;
    info = SCROLLBARINFO{};
    info.cbSize = sizeof(info);
    return proc(hostedControl_->Handle(), kind == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, &info) != FALSE;
}

void TcxContainer::SyncScrollBars() {
    if (!HasScrollBars() || scrollBarsCalculating_) return;
}

void TcxContainer::DoCursorChanged() {
    TcxControl::DoCursorChanged();
    if (hostedControl_) hostedControl_->SetCursor(Cursor());
}

void TcxContainer::SetDragMode(TDragMode value) {
    TcxControl::SetDragMode(value);
    if (hostedControl_) hostedControl_->SetDragMode(value);
}

// ---------------------------------------------------------------------------------------------
// Focus

bool TcxContainer::IsWindowTreeFocused() {
    if (!HandleAllocated()) return false;
    HWND focus = GetFocus();
    if (focus == handle_) return true;
    return hostedControl_ && hostedControl_->HandleAllocated() && focus == hostedControl_->Handle();
}

bool TcxContainer::Focused() {
    if (IsDesigning() || IsDestroying()) return false;
    return IsWindowTreeFocused();
}

void TcxContainer::SetFocus() {
    if (IsDesigning() || SkipsSetFocus()) return;
    TcxControl::SetFocus();
    if (hostedControl_ && hostedControl_->HandleAllocated() && HandleAllocated() && GetFocus() == handle_) {
        FocusInnerControl();
        if (TForm* form = GetParentForm(this)) form->FocusControl(hostedControl_);
    }
}

void TcxContainer::FocusInnerControl() {
    if (hostedControl_) hostedControl_->SetFocus();
}

bool TcxContainer::CanTakeFocus() {
    if (!CanFocus()) return false;
    TForm* form = GetParentForm(this);
    return !form || (form->CanFocus() && form->Enabled());
}

bool TcxContainer::CanFocusOnClick() {
    if (!TcxControl::CanFocusOnClick() || InnerMouseDown) return false;
    return !(hostedControl_ && hostedControl_->Focused());
}

bool TcxContainer::DefaultTabStop() {
    return !(hostedControl_ && hostedControl_->Focused());
}

void TcxContainer::GetTabOrderList(std::vector<TWinControl*>& list) {
    if (UsesStandardChildLayout()) return TcxControl::GetTabOrderList(list);
    TForm* form = GetParentForm(this);
    if (form && hostedControl_ && form->ActiveControl == hostedControl_ && CanFocus())
        std::replace(list.begin(), list.end(), static_cast<TWinControl*>(this), hostedControl_);
}

void TcxContainer::KeyDown(WORD& key, TShiftState shift) {
    TcxControl::KeyDown(key, shift);
    if (key != VK_TAB || shift.Contains(ssCtrl) || shift.Contains(ssAlt) || !Focused() || !NavigatesOnTab())
        return;
    key = 0;
    if (TForm* form = GetParentForm(this)) {
        TWinControl* current = form->ActiveControl ? form->ActiveControl : this;
        form->SelectNext(current, !shift.Contains(ssShift), true);
    }
    if (HandleAllocated() && GetFocus() == handle_ && hostedControl_ && hostedControl_->CanFocus())
        hostedControl_->SetFocus();
}

void TcxContainer::DoFocusChanged() {
    TcxControl::DoFocusChanged();
    RefreshAtCursor();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TcxContainer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TcxControl::MouseDown(button, shift, x, y);
    if (IsDestroying()) return;
    RefreshAtPoint(TPoint{x, y}, button == mbLeft ? 1 : button == mbRight ? 2 : 3, shift, true);
}

void TcxContainer::MouseMove(TShiftState shift, int x, int y) {
    TcxControl::MouseMove(shift, x, y);
    if (IsDestroying()) return;
    RefreshAtPoint(TPoint{x, y}, 0, shift, true);
    if (HandleAllocated()) {
        TRect hotRect;
        GetHotTrackRect(hotRect);
        StartMouseLeaveTracking(this, hotRect, this);
    }
}

void TcxContainer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TcxControl::MouseUp(button, shift, x, y);
    if (IsDestroying()) return;
    RefreshAtPoint(TPoint{x, y}, button == mbLeft ? 1 : button == mbRight ? 2 : 3, shift, true);
}

void TcxContainer::DoMouseEnter(TControl* control) {
    TcxControl::DoMouseEnter(control);
    RefreshAtCursor(true);
    if (HandleAllocated() && !IsDestroying()) {
        TRect hotRect;
        GetHotTrackRect(hotRect);
        StartMouseLeaveTracking(this, hotRect, this);
    }
}

void TcxContainer::DoMouseLeave(TControl* control) {
    TcxControl::DoMouseLeave(control);
    RefreshAtCursor(true);
    StopMouseLeaveTracking(this);
}

void TcxContainer::MouseLeave() {
    LeaveMouseTracking();
}

void TcxContainer::LeaveMouseTracking() {
    DoMouseLeave(this);
    StopMouseLeaveTracking(this);
}

void TcxContainer::DoContextPopup(TPoint mousePos, bool& handled) {
    if ((mousePos.x == -1 && mousePos.y == -1) || CanShowContextPopupAt(mousePos))
        TcxControl::DoContextPopup(mousePos, handled);
    else
        handled = true;
}

// ---------------------------------------------------------------------------------------------
// Window and painting

void TcxContainer::CreateWnd() {
    TcxControl::CreateWnd();
    if (HandleAllocated()) PostMessageA(handle_, CM_CONTAINERCREATED, 0, 0);
}

void TcxContainer::Resize() {
    refreshing_ = false;
    TcxControl::Resize();
    if (!creating_) RefreshAtCursor();
}

void TcxContainer::Paint() {
    if (IsDestroying()) return;
    TcxCanvas& canvas = Canvas();
    if (!viewInfoCalculated_) {
        RefreshAtCursor();
        if (!viewInfoCalculated_) RefreshAtPoint(TPoint{-1, -1}, 0, TShiftState{}, false);
    }
    if (!canvas.IsRectVisible(drawInfo_->OuterRect)) return;
    if (ControlState.Contains(csPaintCopy)) ClipCanvasToWindowRegion();
    if (drawInfo_->SkinPainter && drawInfo_->FrameStyle != cbsNone) {
        // The band outside the frame shows what lies behind the control.
        canvas.PushClipRegion();
        TRect frame = drawInfo_->InnerRect;
        InflateRect(&frame, 1, 1);
        canvas.ExcludeFromClip(frame);
        PaintBackgroundBehindControl(this, canvas, drawInfo_->OuterRect, false);
        canvas.PopClipRegion();
    }
    drawInfo_->DrawOn(canvas);
}

void TcxContainer::ChangeScale(int multiplier, int divider) {
    const bool previous = internalSetting_;
    // A font of its own is scaled through the style below, not taken back from the control.
    if (!ParentFont()) internalSetting_ = true;
    TcxControl::ChangeScale(multiplier, divider);
    internalSetting_ = previous;
    if (multiplier == divider || !stateStyles_) return;
    TcxContainerStyle* normal = GetNormalStyle();
    if (!normal->IsStyleValueAssigned(svFont) || (HasState(csLoading) && !ScaleFontWhileLoading)) return;
    if ((normal->AssignedValues() & StyleValueBit(svFont)) != 0) {
        TFont* font = normal->Font();
        font->SetSize(MulDiv(font->Size(), multiplier, divider));
    } else if (HasState(csLoading)) {
        if (TcxStyleController* controller = normal->ActiveStyleController())
            controller->ScaleFont(multiplier, divider);
    }
}

void TcxContainer::Loaded() {
    TcxControl::Loaded();
    HandleStylesChanged();
}

void TcxContainer::WndProc(TMessage& message) {
    const UINT msg = message.Msg;
    switch (msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (hostedControl_ && hostedControl_->HandleAllocated()) {
            message.Result = SendMessageA(hostedControl_->Handle(), msg, message.WParam, message.LParam);
            return;
        }
        break;
    case CN_KEYDOWN:
    case CN_KEYUP:
    case CN_CHAR:
        if (hostedControl_) {
            message.Result = hostedControl_->Perform(msg, message.WParam, message.LParam);
            return;
        }
        break;
    case WM_NCPAINT:
        message.Result = 0;
        return;
    case WM_SETCURSOR:
        if (hostedControl_ && reinterpret_cast<HWND>(message.WParam) == handle_ &&
            LOWORD(message.LParam) == HTCLIENT && drawInfo_) {
            const TPoint p = ScreenToClient(GetCursorScreenPos());
            if (!PtInRect(&drawInfo_->ContentRect, p)) {
                ::SetCursor(Screen().Cursors(crArrow));
                message.Result = 1;
                return;
            }
        }
        break;
    case WM_SETFOCUS:
        if (!Visible()) {
            message.Result = 0;
            return;
        }
        if (HandleAllocated() && hostedControl_ && hostedControl_->HandleAllocated() &&
            reinterpret_cast<HWND>(message.WParam) == hostedControl_->Handle()) {
            message.Result = 0;
            return;
        }
        TcxControl::WndProc(message);
        if (!IsDestroying() && hostedControl_ && hostedControl_->HandleAllocated() && hostedControl_->CanFocus() &&
            GetFocus() == handle_)
            hostedControl_->SetFocus();
        return;
    case WM_KILLFOCUS:
        if (hostedControl_ && hostedControl_->HandleAllocated() &&
            reinterpret_cast<HWND>(message.WParam) == hostedControl_->Handle()) {
            message.Result = 0;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGING:
        if (IsDestroying()) {
            message.Result = 0;
            return;
        }
        TcxControl::WndProc(message);
        if (HandleAllocated() && GetFocus() == handle_ && hostedControl_ && hostedControl_->CanFocus() &&
            !ControlState.Contains(csFocusing)) {
            if (TForm* form = GetParentForm(this))
                form->FocusControl(hostedControl_);
        }
        return;
    case WM_WINDOWPOSCHANGED:
        TcxControl::WndProc(message);
        if (IsTransparent()) RefreshAtCursor();
        return;
    case CM_CONTAINERCREATED:
        RefreshAtCursor();
        message.Result = 0;
        return;
    case CM_SYNCSCROLLBARS:
        SyncScrollBars();
        message.Result = 0;
        return;
    case CM_COLORCHANGED:
        TcxControl::WndProc(message);
        HandleColorChanged();
        return;
    case CM_ENABLEDCHANGED:
        TcxControl::WndProc(message);
        HandleEnabledChanged();
        return;
    case CM_CTL3DCHANGED:
    case CM_SYSCOLORCHANGE:
        TcxControl::WndProc(message);
        RefreshAtCursor();
        return;
    case CM_PARENTCOLORCHANGED:
        TcxControl::WndProc(message);
        HandleParentColorChanged();
        return;
    case CM_PARENTFONTCHANGED:
        TcxControl::WndProc(message);
        HandleParentFontChanged();
        return;
    case CM_FONTCHANGED:
        TcxControl::WndProc(message);
        HandleFontChanged();
        return;
    default:
        break;
    }
    TcxControl::WndProc(message);
}

LRESULT TcxContainer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return TcxControl::WndProc(message, wParam, lParam);
}
