#include "ui/core/Control.h"

#include <algorithm>
#include <cstdlib>

#include "ui/core/Geometry.h"

namespace {
// Drops the weak link however the guarded code ends.
class TLinkGuard {
public:
    explicit TLinkGuard(TObject* object) : link_(CreateObjectLink(object)) {}
    ~TLinkGuard() { FreeObjectLink(link_); }
    TLinkGuard(const TLinkGuard&) = delete;
    TLinkGuard& operator=(const TLinkGuard&) = delete;
    bool Alive() const { return link_ && link_->Ref; }

private:
    TcxObjectLink* link_;
};

// Sets a re-entrance flag for the guarded span and clears it however the span ends.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& flag_;
};

TPoint MessagePoint(LPARAM lParam) {
    return TPoint{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// Message coordinates are 16 bits wide.
constexpr int MaxMessageCoordinate = 32768;
constexpr TCursor NoDropCursor = -13;
constexpr TCursor DragCursor = -12;
} // namespace

// ---------------------------------------------------------------------------------------------
TcxControlChildComponent::TcxControlChildComponent(TcxControl* control, bool assignOwner)
    : TcxComponent(assignOwner && control ? control->Owner() : nullptr) {
    Initialize();
    SetControl(control);
}

TcxControlChildComponent::~TcxControlChildComponent() {
    Destroying();
    if (control_) control_->RemoveChildComponent(this);
}

void TcxControlChildComponent::SetParentComponent(TComponent* parent) {
    if (auto* control = dynamic_cast<TcxControl*>(parent)) control->AddChildComponent(this);
}

TComponent* TcxControlChildComponent::GetParentComponent() const {
    return control_;
}

// ---------------------------------------------------------------------------------------------
TcxSizeGrip::TcxSizeGrip(TComponent* owner) : TCustomControl(owner) {
    color_ = clBtnFace;
    parentColor_ = false;
    ControlStyle.Include(csNoDesignVisible);
    lookAndFeel_ = std::make_unique<TcxLookAndFeel>(this);
    lookAndFeel_->OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { Invalidate(); };
    visible_ = false;
}

TcxSizeGrip::~TcxSizeGrip() {
    Destroying();
    DestroyHandle();
}

void TcxSizeGrip::Paint() {
    TcxCanvas canvas(&Canvas());
    canvas.FillRectColor(GetClientRect(), lookAndFeel_->GetEffectivePainter()->GetSizeGripAreaColor());
}

LRESULT TcxSizeGrip::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    return TCustomControl::WndProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
TcxDragAndDropObject::TcxDragAndDropObject(TcxControl* control)
    : Control(control), Canvas(&control->Canvas()) {}

void TcxDragAndDropObject::SetDirty(bool value) {
    if (value == dirty_) return;
    dirty_ = value;
    DirtyChanged();
}

TCursor TcxDragAndDropObject::GetDragAndDropCursor(bool accepted) {
    return accepted ? DragCursor : NoDropCursor;
}

void TcxDragAndDropObject::DragAndDrop(TPoint, bool& accepted) {
    SetDirty(false);
    Screen().SetCursor(GetDragAndDropCursor(accepted));
}

void TcxDragAndDropObject::EndDragAndDrop(bool) {
    SetDirty(true);
}

void TcxDragAndDropObject::DoBeginDragAndDrop() {
    TPoint p = GetCursorPosOrInvalid();
    if (Control->HandleAllocated()) p = Control->ScreenToClient(p);
    CurMousePos = PrevMousePos = p;
    BeginDragAndDrop();
}

void TcxDragAndDropObject::DoDragAndDrop(TPoint point, bool& accepted) {
    PrevMousePos = CurMousePos;
    CurMousePos = point;
    DragAndDrop(point, accepted);
}

void TcxDragAndDropObject::DoEndDragAndDrop(bool accepted) {
    EndDragAndDrop(accepted);
    AfterDragAndDrop(accepted);
}

TCursor TcxDragControlObject::GetDragCursor(bool accepted, int x, int y) {
    auto* source = dynamic_cast<TcxControl*>(Control);
    if (accepted && source && source->IsCopyDragDrop()) return crDragCopy;
    return TDragControlObject::GetDragCursor(accepted, x, y);
}

// ---------------------------------------------------------------------------------------------
TcxControlScrollBar::TcxControlScrollBar(TComponent* owner) : TcxScrollBar(owner) {
    SetColor(clBtnFace);
    ControlStyle.Exclude(csFramed);
    ControlStyle.Include(csNoDesignVisible);
    SetTabStop(false);
    visible_ = false;
}

TcxControlScrollBar::~TcxControlScrollBar() {
    ResetObjectLinks(this);
}

void TcxControlScrollBar::ApplyData() {
    if (Data.Visible) {
        SetScrollValues(Data.Min, Data.Max, true, Data.PageSize, Data.Position);
        SetSmallChange(Data.SmallChange);
        SetLargeChange(Data.LargeChange);
    }
    SetEnabled(Data.Enabled);
    SetVisible(Data.Visible);
}

void TcxControlScrollBar::FocusParentControl() {
    if (auto* control = dynamic_cast<TcxControl*>(Parent())) {
        if (control->CanFocusOnScrollBarClick()) control->SetFocus();
    } else if (Parent() && Parent()->CanFocus()) {
        Parent()->SetFocus();
    }
}

void TcxControlScrollBar::WndProc(TMessage& message) {
    if (message.Msg == WM_LBUTTONDOWN) {
        TLinkGuard link(this);
        FocusParentControl();
        if (!link.Alive()) return;
    }
    TcxScrollBar::WndProc(message);
}

// ---------------------------------------------------------------------------------------------
TcxControl::TcxControl(TComponent* owner) : TCustomControl(owner) {
    canvas_ = std::make_unique<TcxCanvas>(&TCustomControl::Canvas());
    defaultCursor_ = cursor_;
    lookAndFeel_ = std::make_unique<TcxLookAndFeel>(this);
    lookAndFeel_->OnChanged = [this](TcxLookAndFeel* sender, TcxLookAndFeelValues changed) {
        if (!HasState(csDestroying)) HandleLookAndFeelChange(sender, changed);
    };
    CreateScrollBars();
    tabStop_ = DefaultTabStop();
    ControlStyle.Include(csParentBackground);
    lastParentBackground_ = true;
}

TcxControl::~TcxControl() {
    Destroying();
    if (Dragging()) EndDrag(false);
    DestroyHandle();
    DestroyScrollBars();
    fontListeners_.clear();
    dragAndDropObject_.reset();
    ResetObjectLinks(this);
}

void TcxControl::CreateScrollBars() {
    if (hScrollBar_ || !HasScrollBars()) return;
    hScrollBar_ = new TcxControlScrollBar(nullptr);
    hScrollBar_->SetKind(sbHorizontal);
    vScrollBar_ = new TcxControlScrollBar(nullptr);
    vScrollBar_->SetKind(sbVertical);
    vScrollBar_->SetBounds(0, 0, GetSystemMetric(SM_CXVSCROLL), vScrollBar_->Height());
    hScrollBar_->SetBounds(0, 0, hScrollBar_->Width(), GetSystemMetric(SM_CYHSCROLL));
    hScrollBar_->OnScroll = [this](TObject*, TScrollCode code, int& pos) {
        HandleScroll(sbHorizontal, code, pos);
    };
    vScrollBar_->OnScroll = [this](TObject*, TScrollCode code, int& pos) {
        HandleScroll(sbVertical, code, pos);
    };
    sizeGrip_ = new TcxSizeGrip(nullptr);
    for (TControl* part : {static_cast<TControl*>(hScrollBar_), static_cast<TControl*>(vScrollBar_),
                           static_cast<TControl*>(sizeGrip_)})
        part->ControlStyle.Include(csReplicatable);
    hScrollBar_->LookAndFeel().SetMaster(lookAndFeel_.get());
    vScrollBar_->LookAndFeel().SetMaster(lookAndFeel_.get());
    sizeGrip_->LookAndFeel().SetMaster(lookAndFeel_.get());
    GetSettingsController()->AddControl(this);
}

void TcxControl::DestroyScrollBars() {
    if (!hScrollBar_) return;
    GetSettingsController()->RemoveControl(this);
    delete sizeGrip_;
    sizeGrip_ = nullptr;
    delete vScrollBar_;
    vScrollBar_ = nullptr;
    delete hScrollBar_;
    hScrollBar_ = nullptr;
}

void TcxControl::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

void TcxControl::CreateWnd() {
    ControlState.Include(csCreating);
    try {
        TCustomControl::CreateWnd();
    } catch (...) {
        ControlState.Exclude(csCreating);
        throw;
    }
    ControlState.Exclude(csCreating);
    SyncDragImageStyle();
    if (HasScrollBars())
        CreateScrollBars();
    else
        DestroyScrollBars();
    if (HandleAllocated()) AttachScrollBars();
}

void TcxControl::AttachScrollBars() {
    if (!hScrollBar_) return;
    hScrollBar_->SetParent(this);
    vScrollBar_->SetParent(this);
    sizeGrip_->SetParent(this);
}

void TcxControl::DestroyWindowHandle() {
    TCustomControl::DestroyWindowHandle();
    ControlState.Exclude(csClicked);
}

bool TcxControl::IsOwnScrollControl(TControl* control) {
    return control && (control == hScrollBar_ || control == vScrollBar_ || control == sizeGrip_);
}

void TcxControl::SetBorderStyle(int value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    BoundsChanged();
    Invalidate();
}

void TcxControl::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_) return;
    scrollBars_ = value;
    BoundsChanged();
}

// ---------------------------------------------------------------------------------------------
// Geometry

TRect TcxControl::GetBounds() {
    if (!IsEmptyRect(BoundsOverride)) return BoundsOverride;
    if (HandleAllocated()) return GetClientRect();
    return TRect{0, 0, Width(), Height()};
}

int TcxControl::GetBorderWidth() {
    return borderStyle_ == 0 ? 0 : lookAndFeel_->GetEffectivePainter()->GetBorderWidth();
}

TRect TcxControl::GetClientBounds() {
    const int border = GetBorderWidth();
    TRect r = GrowRect(GetBounds(), -border, -border);
    if (IsHorzScrollBarVisible()) r.bottom -= hScrollBar_->Height();
    if (IsVertScrollBarVisible()) r.right -= vScrollBar_->Width();
    return r;
}

bool TcxControl::IsHorzScrollBarVisible() const {
    if (!hScrollBar_) return false;
    return calculatingScrollBarsParams_ ? hScrollBar_->Data.Visible : hScrollBar_->Visible();
}

bool TcxControl::IsVertScrollBarVisible() const {
    if (!vScrollBar_) return false;
    return calculatingScrollBarsParams_ ? vScrollBar_->Data.Visible : vScrollBar_->Visible();
}

TRect TcxControl::CalcHScrollBarRect() {
    const TRect cb = GetClientBounds();
    return TRect{cb.left, cb.bottom, cb.right, cb.bottom + hScrollBar_->Height()};
}

TRect TcxControl::CalcVScrollBarRect() {
    const TRect cb = GetClientBounds();
    return TRect{cb.right, cb.top, cb.right + vScrollBar_->Width(), cb.bottom};
}

TRect TcxControl::CalcSizeGripRect() {
    const TRect h = CalcHScrollBarRect(), v = CalcVScrollBarRect();
    return TRect{v.left, h.top, v.right, h.bottom};
}

void TcxControl::PlaceScrollBars() {
    auto place = [](TControl* control, const TRect& r) {
        if (control->Visible()) control->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    };
    place(hScrollBar_, CalcHScrollBarRect());
    place(vScrollBar_, CalcVScrollBarRect());
    place(sizeGrip_, CalcSizeGripRect());
}

void TcxControl::RefreshScrollBarStates() {
    for (TcxScrollBar* bar :
         {static_cast<TcxScrollBar*>(hScrollBar_), static_cast<TcxScrollBar*>(vScrollBar_)})
        if (bar && bar->Visible()) bar->Update();
    if (sizeGrip_ && sizeGrip_->Visible()) sizeGrip_->Update();
}

void TcxControl::BringScrollBarsToFront() {
    for (TWinControl* part : {static_cast<TWinControl*>(hScrollBar_), static_cast<TWinControl*>(vScrollBar_),
                              static_cast<TWinControl*>(sizeGrip_)})
        if (part->HandleAllocated())
            SetWindowPos(part->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TcxControl::SetScrollBarInfo(TScrollBarKind kind, int min, int max, int smallChange, int pageSize,
                                  int position, bool allowShow, bool allowHide) {
    if (!hScrollBar_) return;
    TcxScrollBarData& data = (kind == sbHorizontal ? hScrollBar_ : vScrollBar_)->Data;
    const bool permitted = kind == sbHorizontal ? scrollBars_ == ssHorizontal || scrollBars_ == ssBoth
                                                : scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    data.AllowShow = allowShow && permitted;
    data.AllowHide = allowHide;
    if (!data.AllowShow) {
        data.Visible = false;
    } else if (min > max || static_cast<int64_t>(pageSize) >= static_cast<int64_t>(max) - min + 1 ||
               position < min || max < pageSize) {
        // Nothing to scroll, or (below a negative min) a page above max, which the bar refuses:
        // put in force later, inside a window procedure, it would raise there.
        if (allowHide) {
            data.Visible = false;
        } else {
            data.Visible = true;
            data.Enabled = false;
        }
    } else {
        data.Min = min;
        data.Max = max;
        data.Position = position;
        data.PageSize = pageSize;
        // The steps are 16 bits wide: a larger page would wrap negative and scroll backwards.
        data.SmallChange = static_cast<TScrollBarInc>(std::clamp(smallChange, 1, 32767));
        data.LargeChange = static_cast<TScrollBarInc>(std::clamp(pageSize, 1, 32767));
        data.Enabled = true;
        data.Visible = true;
    }
}

void TcxControl::CalcScrollBarsParams() {
    if (calculatingScrollBarsParams_) return;
    TFlagGuard calculating(calculatingScrollBarsParams_);
    TcxScrollBarData& h = hScrollBar_->Data;
    TcxScrollBarData& v = vScrollBar_->Data;
    h.Visible = v.Visible = false;
    for (int round = 0; round < MaxScrollBarParamsRounds; ++round) {
        const bool hVisible = h.Visible, vVisible = v.Visible;
        CalcScrollBarParams();
        if (h.Visible == hVisible && v.Visible == vVisible) break;
    }
    if (h.Visible && h.Enabled && h.AllowHide && v.Visible && v.Enabled && v.AllowHide) {
        const int vWidth = vScrollBar_->Width(), hHeight = hScrollBar_->Height();
        const bool hNeedless =
            CanAutoHideScrollBar(sbHorizontal) &&
            static_cast<int64_t>(vWidth) + h.PageSize >= static_cast<int64_t>(h.Max) - h.Min + 1;
        const bool vNeedless =
            CanAutoHideScrollBar(sbVertical) &&
            static_cast<int64_t>(hHeight) + v.PageSize >= static_cast<int64_t>(v.Max) - v.Min + 1;
        if (hNeedless && vNeedless) {
            // Each bar is there only because of the other.
            const TcxScrollBarData hData = h, vData = v;
            SetScrollBarInfo(sbHorizontal, hData.Min, hData.Max, hData.SmallChange, hData.PageSize + vWidth,
                             hData.Position, hData.AllowShow, true);
            SetScrollBarInfo(sbVertical, vData.Min, vData.Max, vData.SmallChange, vData.PageSize + hHeight,
                             vData.Position, vData.AllowShow, true);
        }
    }
}

void TcxControl::RecalcScrollBars() {
    if (!hScrollBar_) return;
    if (scrollBarsLockCount_ > 0) {
        scrollBarsUpdateNeeded_ = true;
        return;
    }
    const bool outermost = !updatingScrollBars_;
    if (outermost) {
        initialHScrollBarVisible_ = hScrollBar_->Visible();
        initialVScrollBarVisible_ = vScrollBar_->Visible();
    }
    const bool savedUpdating = updatingScrollBars_;
    updatingScrollBars_ = true;
    struct TRestore {
        TcxControl* self;
        bool saved, outermost;
        ~TRestore() {
            self->updatingScrollBars_ = saved;
            if (outermost) self->isInitialScrollBarsParams_ = false;
        }
    } restore{this, savedUpdating, outermost};
    const bool hBefore = hScrollBar_->Visible(), vBefore = vScrollBar_->Visible();
    if (!isInitialScrollBarsParams_) {
        CalcScrollBarsParams();
        if (!outermost && hScrollBar_->Data.Visible == initialHScrollBarVisible_ &&
            vScrollBar_->Data.Visible == initialVScrollBarVisible_) {
            // Back where we started: a bar that appeared only because the other one changed the
            // client size stays, disabled, instead of flipping on and off.
            isInitialScrollBarsParams_ = true;
            if (hScrollBar_->Visible() != initialHScrollBarVisible_) {
                hScrollBar_->SetVisible(true);
                hScrollBar_->SetEnabled(false);
            }
            if (vScrollBar_->Visible() != initialVScrollBarVisible_) {
                vScrollBar_->SetVisible(true);
                vScrollBar_->SetEnabled(false);
            }
        } else {
            hScrollBar_->ApplyData();
            vScrollBar_->ApplyData();
        }
    }
    if (hScrollBar_->Visible() != hBefore || vScrollBar_->Visible() != vBefore) {
        BoundsChanged();
    } else {
        sizeGrip_->SetVisible(hScrollBar_->Visible() && vScrollBar_->Visible());
        PlaceScrollBars();
        if (KeepScrollBarsOnTop()) BringScrollBarsToFront();
    }
}

void TcxControl::UnlockScrollBars() {
    if (scrollBarsLockCount_ == 0) return;
    if (--scrollBarsLockCount_ == 0 && scrollBarsUpdateNeeded_) {
        scrollBarsUpdateNeeded_ = false;
        RecalcScrollBars();
    }
}

void TcxControl::BoundsChanged() {
    RecalcScrollBars();
}

void TcxControl::Resize() {
    TCustomControl::Resize();
    BoundsChanged();
}

void TcxControl::AdoptScrollBarMetrics() {
    if (!hScrollBar_) return;
    const int height = GetSystemMetric(SM_CYHSCROLL), width = GetSystemMetric(SM_CXVSCROLL);
    if (height == hScrollBar_->Height() && width == vScrollBar_->Width()) return;
    hScrollBar_->SetHeight(height);
    vScrollBar_->SetWidth(width);
    BoundsChanged();
}

// ---------------------------------------------------------------------------------------------
// Scrolling

TcxScrollKind TcxControl::GetWheelScrollKind() {
    return IsVertScrollBarVisible() ? skVertical : skNone;
}

void TcxControl::ScrollContentStep(TcxDirection direction) {
    if (direction == dirNone) return;
    if (!hScrollBar_ && !CanScrollWithoutBars(direction)) return;
    const bool horizontal = direction == dirLeft || direction == dirRight;
    const TScrollCode code = direction == dirLeft || direction == dirUp ? scLineUp : scLineDown;
    TcxControlScrollBar* bar = horizontal ? hScrollBar_ : vScrollBar_;
    int pos = bar ? bar->Position() : 0;
    TLinkGuard link(this);
    HandleScroll(horizontal ? sbHorizontal : sbVertical, code, pos);
    if (link.Alive()) Update();
}

bool TcxControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    TLinkGuard link(this);
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    if (!link.Alive()) return true;
    const TcxScrollKind kind = GetWheelScrollKind();
    if (kind == skNone) return false;
    const bool up = wheelDelta >= 0;
    const UINT lines = Mouse().ScrollLines();
    if (lines == WHEEL_PAGESCROLL) {
        // A screen per notch: one page step, not four thousand million line steps.
        TcxControlScrollBar* bar = kind == skHorizontal ? hScrollBar_ : vScrollBar_;
        int pos = bar ? bar->Position() : 0;
        HandleScroll(kind == skHorizontal ? sbHorizontal : sbVertical, up ? scPageUp : scPageDown, pos);
        if (link.Alive()) Update();
        return true;
    }
    const TcxDirection direction = kind == skHorizontal ? (up ? dirLeft : dirRight) : (up ? dirUp : dirDown);
    for (UINT i = 0; i < lines && link.Alive(); ++i)
        ScrollContentStep(direction);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TcxControl::WndProc(TMessage& message) {
    TLinkGuard link(this);
    const UINT msg = message.Msg;
    switch (msg) {
    case WM_GETDLGCODE:
        message.Result = DlgCode();
        return;
    case WM_RBUTTONUP:
        mouseRightButtonReleased_ = true;
        break;
    case WM_PAINT: {
        // Painting beneath a shown drag image would leave it in the picture.
        TDragObject* dragObject = DragObject();
        if (dragObject) dragObject->HideDragImage();
        TCustomControl::WndProc(message);
        if (dragObject && DragObject() == dragObject) dragObject->ShowDragImage();
        return;
    }
    case WM_ERASEBKGND:
        if (!ErasesBackground()) {
            message.Result = 1;
            return;
        }
        message.Result = DefaultHandler(msg, message.WParam, message.LParam);
        return;
    case WM_NCCALCSIZE:
        TCustomControl::WndProc(message);
        if (link.Alive() && HandleAllocated()) PostMessageA(Handle(), DXM_NCSIZECHANGED, 0, 0);
        return;
    case DXM_NCSIZECHANGED:
        AdoptScrollBarMetrics();
        message.Result = 0;
        return;
    case WM_CANCELMODE:
        TCustomControl::WndProc(message);
        if (!link.Alive()) return;
        FinishDragAndDrop(false);
        CancelMouseOperations();
        return;
    case WM_CAPTURECHANGED:
        TCustomControl::WndProc(message);
        // Taken away, not let go by the release that ends the drag.
        if (link.Alive() && dragAndDropState_ == ddsInProcess && !releasingButton_ &&
            reinterpret_cast<HWND>(message.LParam) != handle_)
            FinishDragAndDrop(false);
        return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
        const WORD key = static_cast<WORD>(message.WParam);
        if (TryPopupMenuShortCut(key)) {
            message.Result = 1;
            return;
        }
        if (msg == CN_KEYDOWN && dragAndDropState_ != ddsNone) {
            message.Result = 1;
            if (key == VK_ESCAPE) Perform(WM_KEYDOWN, VK_ESCAPE, message.LParam);
            return;
        }
        break;
    }
    case WM_CONTEXTMENU: {
        if (message.Result) return;
        const TPoint p = MessagePoint(message.LParam);
        bool handled = false;
        if (p.x == -1 && p.y == -1) {
            DoContextPopup(p, handled);
        } else {
            const TPoint client = ScreenToClient(p);
            const TRect r = GetClientRect();
            if (!PtInRect(&r, client)) {
                // Outside the client area (over the border): the parent's business.
                message.Result = DefaultHandler(msg, message.WParam, message.LParam);
                return;
            }
            DoContextPopup(client, handled);
        }
        message.Result = handled;
        return;
    }
    case CM_COLORCHANGED:
        DoColorChanged();
        if (!link.Alive()) return;
        TCustomControl::WndProc(message);
        return;
    case CM_TEXTCHANGED:
    case CM_VISIBLECHANGED:
        TCustomControl::WndProc(message);
        if (!link.Alive()) return;
        if (msg == CM_TEXTCHANGED)
            DoTextChanged();
        else
            DoVisibleChanged();
        return;
    case CM_DESIGNHITTEST:
        TCustomControl::WndProc(message);
        if (link.Alive() && message.Result == 0) {
            const TPoint p = MessagePoint(message.LParam);
            message.Result = GetDesignHitTest(p.x, p.y, MouseKeysToShiftState(message.WParam));
        }
        return;
    case CM_CURSORCHANGED:
        DoCursorChanged();
        break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
        TCustomControl::WndProc(message);
        if (!link.Alive()) return;
        auto* control = reinterpret_cast<TControl*>(message.LParam);
        if (!control) control = this;
        if (msg == CM_MOUSEENTER)
            DoMouseEnter(control);
        else
            DoMouseLeave(control);
        return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TCustomControl::WndProc(message);
        if (link.Alive()) DoFocusChanged();
        return;
    default:
        break;
    }
    const bool leftDown = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
    if (leftDown) ControlState.Include(csLButtonDown);
    if (msg == WM_LBUTTONUP) releasingButton_ = true;
    TCustomControl::WndProc(message);
    if (!link.Alive()) return;
    releasingButton_ = false;
    if (leftDown) ControlState.Exclude(csLButtonDown);
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
        TPoint p = MessagePoint(message.LParam);
        if (Width() > MaxMessageCoordinate || Height() > MaxMessageCoordinate)
            p = ScreenToClient(GetCursorPosOrInvalid());
        const TMouseButton button = msg == WM_LBUTTONDOWN   ? mbLeft
                                    : msg == WM_RBUTTONDOWN ? mbRight
                                                            : mbMiddle;
        StartDragOrPanning(button, p.x, p.y);
    }
}

int TcxControl::DlgCode() {
    int code = 0;
    if (keys_.Contains(kAll)) code |= DLGC_WANTALLKEYS;
    if (keys_.Contains(kArrows)) code |= DLGC_WANTARROWS;
    if (keys_.Contains(kChars)) code |= DLGC_WANTCHARS;
    if (keys_.Contains(kTab) && !IsControlKeyDown()) code |= DLGC_WANTTAB;
    return code;
}

bool TcxControl::CanFocusOnClick() {
    return !IsDesigning() && FocusOnClick && CanFocus();
}

void TcxControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TLinkGuard link(this);
    mouseDownPos_ = TPoint{x, y};
    if (CanFocusOnMouseDown(x, y) && !shift.Contains(ssDouble)) {
        const TPoint before = HandleAllocated() ? ClientToScreen(TPoint{0, 0}) : TPoint{0, 0};
        SetFocus();
        if (!link.Alive()) return;
        TForm* form = GetParentForm(this);
        if (form && form->ActiveControl == this && !HasFocus()) ::SetFocus(Handle());
        if (!HasFocus() && !AllowsMouseDownWithoutFocus()) {
            SetMouseCapture(false);
            return;
        }
        // Focusing may have scrolled the control into view.
        const TPoint after = HandleAllocated() ? ClientToScreen(TPoint{0, 0}) : TPoint{0, 0};
        x -= after.x - before.x;
        y -= after.y - before.y;
    }
    if (button == mbLeft && !shift.Contains(ssDouble)) {
        if (StartDragAndDrop(mouseDownPos_)) {
            if (DragAndDropObject()->GetImmediateStart())
                BeginDragAndDrop();
            else
                dragAndDropState_ = ddsStarting;
        } else {
            FinishDragAndDrop(false);
        }
        if (!link.Alive()) return;
    }
    BeforeMouseDown(button, shift, x, y);
    if (!link.Alive()) return;
    TCustomControl::MouseDown(button, shift, x, y);
    if (link.Alive()) mouseButtonPressed_ = MouseCapture();
}

void TcxControl::MouseMove(TShiftState shift, int x, int y) {
    TLinkGuard link(this);
    // The part under the mouse decides the cursor; DefaultCursor stays what was set.
    cursor_ = GetDefaultCursor(x, y);
    TCustomControl::MouseMove(shift, x, y);
    if (!link.Alive()) return;
    if (dragAndDropState_ == ddsStarting && !IsInsideDragThreshold(mouseDownPos_, x, y)) {
        BeginDragAndDrop();
    } else if (dragAndDropState_ == ddsInProcess) {
        bool accepted = false;
        DragAndDrop(TPoint{x, y}, accepted);
    }
}

void TcxControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TLinkGuard link(this);
    mouseButtonPressed_ = false;
    EndMouseAction();
    if (link.Alive()) TCustomControl::MouseUp(button, shift, x, y);
}

void TcxControl::EndMouseAction() {
    FinishDragAndDrop(true);
    SetMouseCaptureObject(nullptr);
}

void TcxControl::CancelMouseOperations() {
    mouseButtonPressed_ = false;
    SetMouseCaptureObject(nullptr);
}

void TcxControl::SetMouseCaptureObject(TObject* value) {
    if (value == mouseCaptureObject_) return;
    if (auto* previous = dynamic_cast<IcxMouseCaptureObject*>(mouseCaptureObject_)) previous->DoCancelMode();
    const bool wasCaptured = MouseCapture();
    mouseCaptureObject_ = value;
    SetMouseCapture(value != nullptr);
    if (wasCaptured && !MouseCapture() && dragAndDropState_ == ddsStarting && HandleAllocated())
        SendMessageA(Handle(), WM_CANCELMODE, 0, 0);
}

void TcxControl::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_ESCAPE) {
        TLinkGuard link(this);
        FinishDragAndDrop(false);
        if (!link.Alive()) return;
    }
    TCustomControl::KeyDown(key, shift);
}

void TcxControl::StartDragOrPanning(TMouseButton button, int x, int y) {
    if (dragMode_ == dmAutomatic && button == mbLeft && MouseCapture() &&
        (!IsDesigning() || CanDragAt(x, y)) && CanBeginDragAndDrop() && DetectDragMove(Handle()) == 1)
        BeginDrag(true, -1);
    else if (button == mbMiddle)
        RunContentPanning();
}

bool TcxControl::CanStartDragAt(int x, int y) {
    return dragMode_ == dmManual || IsInsideDragThreshold(mouseDownPos_, x, y);
}

void TcxControl::DoFocusChanged() {
    if (OnFocusChanged) OnFocusChanged(this);
}

void TcxControl::DoMouseEnter(TControl* control) {
    if (OnMouseEnter) OnMouseEnter(control);
}

void TcxControl::DoMouseLeave(TControl* control) {
    if (OnMouseLeave) OnMouseLeave(control);
}

bool TcxControl::CanTakeFocus() {
    if (!CanFocus()) return false;
    TForm* form = GetParentForm(this);
    return !form || (form->CanFocus() && form->Enabled() && form->Visible());
}

// ---------------------------------------------------------------------------------------------
// In-control drag and drop

std::unique_ptr<TcxDragAndDropObject> TcxControl::CreateDragAndDropObject() {
    if (DragAndDropObjectClass) return DragAndDropObjectClass(this);
    return std::make_unique<TcxDragAndDropObject>(this);
}

TcxDragAndDropObject* TcxControl::DragAndDropObject() {
    if (!dragAndDropObject_) dragAndDropObject_ = CreateDragAndDropObject();
    return dragAndDropObject_.get();
}

void TcxControl::SetDragAndDropState(TcxDragAndDropState value) {
    if (value == dragAndDropState_) return;
    dragAndDropState_ = value;
    if (value == ddsNone && !finishingDragAndDrop_) CancelMouseOperations();
}

void TcxControl::BeginDragAndDrop() {
    DragAndDropObject()->DoBeginDragAndDrop();
    SetMouseCapture(true);
    dragAndDropPrevCursor_ = Screen().Cursor();
    dragAndDropState_ = ddsInProcess;
}

void TcxControl::DragAndDrop(TPoint point, bool& accepted) {
    DragAndDropObject()->DoDragAndDrop(point, accepted);
}

void TcxControl::EndDragAndDrop(bool accepted) {
    dragAndDropState_ = ddsNone;
    Screen().SetCursor(dragAndDropPrevCursor_);
    SetMouseCapture(false);
    SetMouseCaptureObject(nullptr);
    DragAndDropObject()->DoEndDragAndDrop(accepted);
}

void TcxControl::FinishDragAndDrop(bool accepted) {
    if (finishingDragAndDrop_) return;
    TLinkGuard link(this);
    finishingDragAndDrop_ = true;
    try {
        if (dragAndDropState_ == ddsInProcess)
            EndDragAndDrop(accepted);
        else
            dragAndDropState_ = ddsNone;
    } catch (...) {
        if (link.Alive()) finishingDragAndDrop_ = false;
        throw;
    }
    // The end handlers may have freed the control.
    if (!link.Alive()) return;
    dragAndDropObject_.reset();
    finishingDragAndDrop_ = false;
}

// ---------------------------------------------------------------------------------------------
// Platform drag and drop

bool TcxControl::DoStartDrag(TDragObject*& dragObject) {
    Update();
    if (!TCustomControl::DoStartDrag(dragObject)) return false;
    if (!dragObject) dragObject = new TcxDragControlObject(this);
    if (!AcceptsDragObject(dragObject)) {
        delete dragObject;
        dragObject = nullptr;
        return false;
    }
    return true;
}

void TcxControl::SyncDragImageStyle() {
    // Asked late rather than at construction, where a descendant's answer is not yet in force.
    if (HasDragImages()) ControlStyle.Include(csDisplayDragImage);
}

void TcxControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    SyncDragImageStyle();
    TCustomControl::DragOver(source, x, y, state, accept);
}

void TcxControl::DoEndDrag(TObject* target, int x, int y) {
    TLinkGuard link(this);
    TCustomControl::DoEndDrag(target, x, y);
    if (link.Alive()) dragImages_.reset();
}

TDragImageList* TcxControl::GetDragImages() {
    if (!HasDragImages()) return nullptr;
    if (!dragImages_) {
        dragImages_ = GetDragImageListClass()->Create<TDragImageList>();
        FillDragImageList(dragImages_.get());
    }
    return dragImages_->Count() > 0 ? dragImages_.get() : nullptr;
}

void TcxControl::FillDragImageList(TDragImageList* list) {
    const TSize size = GetDragImageSize();
    list->SetSize(size.cx, size.cy);
    if (size.cx <= 0 || size.cy <= 0) return;
    TBitmap bitmap(size.cx, size.cy, pf32bit);
    {
        TcxCanvas canvas(&bitmap.Canvas());
        PaintDragImage(canvas, TRect{0, 0, size.cx, size.cy});
    }
    list->AddMasked(&bitmap, bitmap.TransparentColor());
}

// ---------------------------------------------------------------------------------------------
// Content panning

TcxPanningMove CalcPanningMove(TPoint anchor, TPoint point, int zoneSize, bool canH, bool canV,
                               TSize screen) {
    const int half = zoneSize / 2;
    TRect zone{anchor.x - half, anchor.y - half, anchor.x - half + zoneSize, anchor.y - half + zoneSize};
    if (!canH) {
        zone.left = 0;
        zone.right = screen.cx;
    }
    if (!canV) {
        zone.top = 0;
        zone.bottom = screen.cy;
    }
    if (PtInRect(&zone, point)) return TcxPanningMove{dirNone, 0, false};
    const int dx = std::abs(point.x - anchor.x), dy = std::abs(point.y - anchor.y);
    const bool vertical = !canH || (canV && dy >= dx);
    const TcxDirection direction =
        vertical ? (point.y < anchor.y ? dirUp : dirDown) : (point.x < anchor.x ? dirLeft : dirRight);
    const int distance = vertical ? dy : dx;
    return TcxPanningMove{direction, std::min((distance - half) / 5 + 1, 12), true};
}

TCursor PanningCursor(TcxDirection direction, bool canH, bool canV) {
    switch (direction) {
    case dirLeft:
        return crLeftScroll;
    case dirRight:
        return crRightScroll;
    case dirUp:
        return crUpScroll;
    case dirDown:
        return crDownScroll;
    default:
        return canH && canV ? crFullScroll : canH ? crHorScroll : crVerScroll;
    }
}

HWND TcxControl::PanningAnchorWindow() const {
    return panningAnchor_;
}

void TcxControl::RunContentPanning() {
    const bool canH = IsHorzScrollBarVisible(), canV = IsVertScrollBarVisible();
    if (!canH && !canV) return;
    TLinkGuard link(this);
    isScrollingContent_ = true;
    const TPoint anchor = GetCursorPosOrInvalid();
    const char* name = canH && canV ? "CX_FULLSCROLLBITMAP"
                       : canH       ? "CX_HORSCROLLBITMAP"
                                    : "CX_VERSCROLLBITMAP";
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), name);
    BITMAP info{};
    if (bitmap) GetObjectA(bitmap, sizeof(info), &info);
    const int w = info.bmWidth > 0 ? info.bmWidth : 32, h = info.bmHeight > 0 ? info.bmHeight : 32;
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP,
                                  anchor.x - w / 2, anchor.y - h / 2, w, h, Handle(), nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    panningAnchor_ = window;
    auto paintAnchor = [&] {
        if (!window) return;
        HDC dc = GetDC(window);
        if (bitmap) {
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(source, bitmap);
            BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
        }
        HRGN frame = CreateEllipticRgn(0, 0, w + 1, h + 1);
        HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
        FrameRgn(dc, frame, brush, 1, 1);
        DeleteObject(brush);
        DeleteObject(frame);
        ReleaseDC(window, dc);
    };
    if (window) {
        SetWindowRgn(window, CreateEllipticRgn(0, 0, w + 1, h + 1), FALSE);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        paintAnchor();
    }
    const UINT_PTR timer = SetTimer(nullptr, 0, PanningTickMs, nullptr);
    panningTimer_ = timer;
    SetMouseCapture(true);
    TcxPanningMove move{dirNone, 1, false};
    int ticks = 0;
    bool leftZone = false;
    const TCursor prevCursor = Screen().Cursor();
    Screen().SetCursor(PanningCursor(dirNone, canH, canV));
    TPoint last = anchor;
    const TSize screen{GetSystemMetric(SM_CXSCREEN), GetSystemMetric(SM_CYSCREEN)};
    const HWND self = Handle();
    bool done = false;
    while (!done && link.Alive() && GetCapture() == self) {
        MSG msg;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_PAINT:
            if (msg.hwnd != window) break;
            ValidateRect(window, nullptr);
            paintAnchor();
            continue;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg.wParam != VK_ESCAPE) break;
            DispatchMessageA(&msg);
            done = true;
            continue;
        case WM_TIMER:
            if (msg.hwnd != nullptr || msg.wParam != timer) break;
            ++ticks;
            if (move.Speed > 0 && ticks % (13 - move.Speed) == 0) ScrollContentStep(move.Direction);
            continue;
        case WM_MOUSEMOVE: {
            TPoint p = MessagePoint(msg.lParam);
            ::ClientToScreen(msg.hwnd, &p);
            if (p.x != last.x || p.y != last.y) {
                last = p;
                move = CalcPanningMove(anchor, p, w, canH, canV, screen);
                leftZone = leftZone || move.Outside;
                Screen().SetCursor(PanningCursor(move.Direction, canH, canV));
            }
            continue;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
            done = true;
            continue;
        case WM_MBUTTONUP:
            DispatchMessageA(&msg);
            // A click without moving keeps panning until the next click.
            done = leftZone;
            continue;
        default:
            break;
        }
        if (IsKeyMessageConsumed(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (GetCapture() == self) ReleaseCapture();
    KillTimer(nullptr, timer);
    if (window) DestroyWindow(window);
    if (bitmap) DeleteObject(bitmap);
    Screen().SetCursor(prevCursor);
    if (link.Alive()) {
        panningAnchor_ = nullptr;
        panningTimer_ = 0;
        isScrollingContent_ = false;
    }
}

// ---------------------------------------------------------------------------------------------
// Popup menus

void TcxControl::SetPopupMenu(TComponent* value) {
    if (value && !dynamic_cast<TPopupMenu*>(value) && !dynamic_cast<IcxPopupMenu*>(value)) value = nullptr;
    if (value == popupMenu_) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = value;
    if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TcxControl::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

bool TcxControl::ShowPopupMenu(TComponent* menu, int x, int y) {
    return ShowComponentPopupMenu(this, menu, x, y);
}

void TcxControl::DoContextPopup(TPoint mousePos, bool& handled) {
    TCustomControl::DoContextPopup(mousePos, handled);
    if (handled) return;
    TPoint p = mousePos.x == -1 && mousePos.y == -1 ? TPoint{0, 0} : mousePos;
    p = ClientToScreen(p);
    handled = ShowPopupMenu(popupMenu_, p.x, p.y);
}

bool TcxControl::TryPopupMenuShortCut(WORD key) {
    if (IsDesigning()) return false;
    const TShiftState shift = KeyboardShiftState();
    const TShortCut shortCut =
        ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
    for (TControl* control = this; control; control = control->Parent())
        if (auto* cx = dynamic_cast<TcxControl*>(control);
            cx && IsPopupMenuShortCut(cx->PopupMenu(), shortCut))
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Painting and the rest

void TcxControl::Paint() {
    if (borderStyle_ == 1) {
        GetCurrentPainter()->PaintControlBorder(canvas_.get(), GetBounds());
        const TRect client = GetClientBounds();
        IntersectClipRect(canvas_->Handle(), client.left, client.top, client.right, client.bottom);
    }
    TCustomControl::Paint();
    RefreshScrollBarStates();
}

void TcxControl::InvalidateArea(const TRect& rect, bool erase) {
    if (HandleAllocated()) InvalidateRect(Handle(), &rect, erase);
}

void TcxControl::AddFontListener(IcxFontListener* listener) {
    if (std::find(fontListeners_.begin(), fontListeners_.end(), listener) == fontListeners_.end())
        fontListeners_.push_back(listener);
}

void TcxControl::RemoveFontListener(IcxFontListener* listener) {
    fontListeners_.erase(std::remove(fontListeners_.begin(), fontListeners_.end(), listener),
                         fontListeners_.end());
}

void TcxControl::FontChanged() {
    TCustomControl::FontChanged();
    for (IcxFontListener* listener : std::vector<IcxFontListener*>(fontListeners_))
        listener->Changed(this, &Font());
    Invalidate();
}

void TcxControl::SetParentBackground(bool value) {
    TCustomControl::SetParentBackground(value);
    if (ParentBackground() == lastParentBackground_) return;
    lastParentBackground_ = ParentBackground();
    HandleParentBackgroundChange();
}

bool TcxControl::GetDesignHitTest(int, int, TShiftState) {
    return dragAndDropState_ != ddsNone || mouseButtonPressed_;
}

void TcxControl::NotifyDesignerModified() {
    if (!IsDesigning()) return;
    for (TControl* control = this; control; control = control->Parent())
        if (control->HasState(csLoading) || control->HasState(csWriting) || control->HasState(csDestroying))
            return;
    NotifyFormDesigner(this);
}

void TcxControl::AddChildComponent(TcxControlChildComponent* child) {
    child->SetControl(this);
}

void TcxControl::RemoveChildComponent(TcxControlChildComponent* child) {
    child->SetControl(nullptr);
}
