// The base editor as a control: its inner edit, inplace activation by a host (by key and by
// mouse, with the double-click timer), clicks, the stored size and painting.
#include <algorithm>
#include <climits>

#include "platform/core/Win32Boundary.h"
#include "ui/core/ControlServices.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/ScopeExit.h"

namespace {
// The property that ties a foreign inner edit window to its editor while it is subclassed.
const char* const InnerEditOwnerProp = "VzInnerEditOwner";

bool LeftButtonDown() {
    const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    return (GetAsyncKeyState(button) & 0x8000) != 0;
}

} // namespace

// --- inner edit ------------------------------------------------------------------------------
IcxCustomInnerEdit* TcxCustomEdit::QueryInnerEdit(TWinControl* control) {
    return dynamic_cast<IcxCustomInnerEdit*>(control);
}

void TcxCustomEdit::SetUpInnerEdit() {
    innerEdit_->SetParent(this);
    if (GetEffectiveProperties()->TracksDisplayChanges())
        innerEdit_->SetOnChange([this](TObject*) { HandleInnerEditChange(); });
    SetInnerControl(innerEdit_->GetControl());
}

void TcxCustomEdit::SubclassInnerEdit() {
    if (!innerEdit_ || innerEditSubclassed_) return;
    TWinControl* control = innerEdit_->GetControl();
    HWND window = control->Handle();
    if (FindControl(window) == control) {
        // Our own control: its window procedure must stay the platform's, so the message method
        // is replaced instead.
        savedInnerWindowProc_ = control->WindowProc;
        control->WindowProc = [this](TMessage& message) { InnerEditWndProc(message); };
    } else {
        SetPropA(window, InnerEditOwnerProp, reinterpret_cast<HANDLE>(this));
        savedInnerWndProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignInnerEditProc)));
    }
    innerEditSubclassed_ = true;
}

void TcxCustomEdit::UnsubclassInnerEdit() {
    if (!innerEditSubclassed_) return;
    innerEditSubclassed_ = false;
    TWinControl* control = innerEdit_->GetControl();
    if (savedInnerWndProc_) {
        HWND window = control->Handle();
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedInnerWndProc_));
        RemovePropA(window, InnerEditOwnerProp);
        savedInnerWndProc_ = nullptr;
    } else {
        control->WindowProc = std::move(savedInnerWindowProc_);
        savedInnerWindowProc_ = nullptr;
    }
}

void TcxCustomEdit::InnerEditWndProc(TMessage& message) {
    if (savedInnerWndProc_) {
        message.Result = CallWindowProcA(savedInnerWndProc_, innerEdit_->GetControl()->Handle(), message.Msg,
                                         message.WParam, message.LParam);
    } else if (savedInnerWindowProc_) {
        savedInnerWindowProc_(message);
    }
}

LRESULT CALLBACK TcxCustomEdit::ForeignInnerEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* edit = reinterpret_cast<TcxCustomEdit*>(GetPropA(window, InnerEditOwnerProp));
    if (!edit || !edit->savedInnerWndProc_) return DefWindowProcA(window, message, wParam, lParam);
    return GuardedCall(
        [&]() -> LRESULT {
            TMessage msg{message, wParam, lParam, 0};
            edit->InnerEditWndProc(msg);
            return msg.Result;
        },
        LRESULT{0});
}

// --- inplace activation ----------------------------------------------------------------------
void TcxCustomEdit::ActivateInplace(TcxCustomEditData*& editData) {
    EnsureInitialized();
    if (!editData && EditDataClass()) editData = TcxCustomEditData::Create(EditDataClass(), this).release();
    editData_ = editData;
    if (editData_ && editData_->Cleared()) {
        InitNewEditData();
        editData_->SetCleared(false);
    }
    SetVisible(true);
    if (HandleAllocated() && CanTakeFocus()) {
        SetFocus();
        if (GetEffectiveProperties()->AutoSelect()) SelectAllContent();
    }
    SyncDisplayFromValue();
    SetChangedSinceEnter(false);
    inplaceActivated_ = true;
}

void TcxCustomEdit::ActivateByKey(char key, TcxCustomEditData*& editData) {
    EnsureInitialized();
    // Without an inner edit (the base editor, the progress bar) there is nothing to subclass: the
    // editor still activates and takes the key.
    const bool subclass = innerEdit_ != nullptr;
    if (subclass) SubclassInnerEdit();
    TScopeExit restore([this, subclass] {
        if (subclass) UnsubclassInnerEdit();
    });
    ActivateInplace(editData);
    if (ReplaysActivationKey(key)) SendMessageA(Handle(), WM_CHAR, static_cast<unsigned char>(key), 0);
}

void TcxCustomEdit::ActivateByMouse(TShiftState shift, int x, int y, TcxCustomEditData*& editData) {
    ActivateInplace(editData);
    const TPoint p{x - Left(), y - Top()};
    const LPARAM point = MAKELPARAM(p.x, p.y);
    if (shift.Contains(ssLeft)) {
        SendMessageA(Handle(), WM_LBUTTONDOWN, ShiftStateToMouseKeys(shift), point);
        if (GetCapture() == Handle() && !LeftButtonDown()) ReleaseCapture();
    } else {
        SendMessageA(Handle(), WM_LBUTTONUP, ShiftStateToMouseKeys(shift), point);
    }
    DblClickTimer()->SetEnabled(true);
}

bool TcxCustomEdit::DeactivateInplace() {
    DblClickTimer()->SetEnabled(false);
    userAction_ = false;
    const bool valid = ValidateValue(true);
    if (valid) {
        SyncDisplayFromValue();
        validated_ = true;
    }
    return valid;
}

TcxTimer* TcxCustomEdit::DblClickTimer() {
    if (!dblClickTimer_) {
        dblClickTimer_ = std::make_unique<TcxTimer>();
        dblClickTimer_->SetEnabled(false);
        dblClickTimer_->SetInterval(GetDoubleClickTime());
        TcxTimer* timer = dblClickTimer_.get();
        dblClickTimer_->SetOnTimer([timer](TObject*) { timer->SetEnabled(false); });
    }
    return dblClickTimer_.get();
}

// --- mouse and clicks ------------------------------------------------------------------------
void TcxCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // The press that follows an activation by mouse within the double-click time.
    bool doubleClick = false;
    if (button == mbLeft && dblClickTimer_ && dblClickTimer_->Enabled()) {
        dblClickTimer_->SetEnabled(false);
        doubleClick = GetButtonIndexAt(TPoint{x, y}) == -1;
    }
    TcxContainer::MouseDown(button, shift, x, y);
    if (doubleClick || (button == mbLeft && shift.Contains(ssDouble))) DblClick();
}

void TcxCustomEdit::Click() {
    if (IsDestroying() || clickLockCount_ != 0 || (IsLoading() && !ClicksWhileLoading())) return;
    if (OnClick) OnClick(this);
}

void TcxCustomEdit::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TcxCustomEdit::MarkModifiedAndClick() {
    SetModified(true);
    if (clickLockCount_ == 0) Click();
}

// --- size --------------------------------------------------------------------------------------
bool TcxCustomEdit::CanAutoWidth() {
    return GetEffectiveProperties()->ButtonLayoutMode() == 2;
}

void TcxCustomEdit::SetAutoSize(bool value) {
    if (value == autoSize_ || IsInplace()) return;
    autoSize_ = value;
    // The size is measured through the window: make it when it can be made, once.
    if (autoSize_ && !ensuringHandle_ && Parent() && Parent()->HandleAllocated() && !IsDestroying()) {
        ensuringHandle_ = true;
        TScopeExit done([this] { ensuringHandle_ = false; });
        Handle();
    }
    if (autoSize_) AlignInnerControl();
    RefreshAtCursor();
}

bool TcxCustomEdit::AppliesAutoWidth() {
    const TAlign align = Align();
    return CanAutoHeight() && CanAutoWidth() && (align == alNone || align == alLeft || align == alRight);
}

void TcxCustomEdit::FillSizeLimits(TcxEditSizeLimits& limits) {
    limits.Height = -1;
    limits.LineCount = 1;
    limits.Width = AppliesAutoWidth() ? INT_MAX : Width();
}

void TcxCustomEdit::CalculateAutoSize(int& width, int& height) {
    if (!initialized_ || IsDestroying() || !CanAutoHeight()) return;
    TcxEditSizeLimits limits;
    FillSizeLimits(limits);
    const TSize size = CreateViewData()->CalculateAutoSize(*GetSharedScreenCanvas(), EditValue(), limits);
    const TAlign align = Align();
    if (AppliesAutoWidth()) width = size.cx;
    if (align == alNone || align == alTop || align == alBottom) height = size.cy;
}

bool TcxCustomEdit::CanResize(int& newWidth, int& newHeight) {
    if (!TcxContainer::CanResize(newWidth, newHeight)) return false;
    // Measured once the window exists, as the layout is: until then the bounds set stay.
    if (!IsLoading() && HandleAllocated()) CalculateAutoSize(newWidth, newHeight);
    return true;
}

void TcxCustomEdit::AlignInnerControl() {
    if (HandleAllocated() && initialized_ && !IsDestroying() && !IsLoading()) {
        int width = Width(), height = Height();
        CalculateAutoSize(width, height);
        int left = Left();
        if (AppliesAutoWidth()) {
            // The first auto width keeps the left edge even where the right one is kept later.
            if (KeepsRightEdge() && !firstAutoSizePending_) left -= width - Width();
            firstAutoSizePending_ = false;
        }
        SetBounds(left, Top(), width, height);
    }
    if (innerEdit_ && !IsDestroying()) AlignInnerEdit();
}

void TcxCustomEdit::AlignInnerEdit() {
    TcxContainer::AlignInnerControl();
    if (TWinControl* inner = InnerControl()) inner->Realign();
}

void TcxCustomEdit::RequestAlign() {
    TcxContainer::RequestAlign();
    RefreshAtCursor();
}

void TcxCustomEdit::DefineProperties(TFiler* filer) {
    TcxContainer::DefineProperties(filer);
    auto* ancestor = dynamic_cast<TcxCustomEdit*>(filer->Ancestor);
    const bool heightStored = !CanAutoHeight() && (!ancestor || ancestor->Height() != Height());
    const bool widthStored =
        !(CanAutoHeight() && CanAutoWidth()) && (!ancestor || ancestor->Width() != Width());
    filer->DefineProperty(
        "Height", [this](TReader& reader) { SetHeight(reader.ReadInteger()); },
        [this](TWriter& writer) { writer.WriteInteger(Height()); }, heightStored);
    filer->DefineProperty(
        "Width", [this](TReader& reader) { SetWidth(reader.ReadInteger()); },
        [this](TWriter& writer) { writer.WriteInteger(Width()); }, widthStored);
}

// --- layout and buttons ------------------------------------------------------------------------
TcxContainerStyleClass TcxCustomEdit::StyleClass() {
    // Before the properties exist (the container's constructor) the container's own.
    return ownProperties_ ? GetEffectiveProperties()->StyleClass() : TcxContainer::StyleClass();
}

TcxContainerViewInfoClass TcxCustomEdit::ViewInfoClass() {
    return ownProperties_ ? GetEffectiveProperties()->ViewInfoClass() : TcxContainer::ViewInfoClass();
}

TcxCustomEditViewInfo* TcxCustomEdit::EditViewInfo() const {
    return dynamic_cast<TcxCustomEditViewInfo*>(ViewInfo());
}

int TcxCustomEdit::GetButtonIndexAt(TPoint p) {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    return viewInfo ? viewInfo->ButtonAt(p) : -1;
}

bool TcxCustomEdit::RefreshAtPoint(TPoint p, int button, TShiftState shift, bool isMouseEvent) {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (!HandleAllocated() || !initialized_ || IsDestroying() || !viewInfo) return false;
    MarkViewInfoCalculated();
    if (CapturedButtonIndex != -1 && !MouseCapture()) CapturedButtonIndex = -1;
    // A mouse event compares with the layout before, so that only what changed is repainted and
    // the buttons' presses and releases are told.
    std::unique_ptr<TcxContainerViewInfo> old;
    if (isMouseEvent) {
        old = ViewInfoClass()();
        old->AssignFromViewInfo(viewInfo);
    }
    {
        std::unique_ptr<TcxCustomEditViewData> data = CreateViewData();
        // The container's button codes (0 none, 1 left, 2 right, 3 middle) as a mouse button.
        const int mouseButton = button == 0 ? -1 : button == 1 ? mbLeft : button == 2 ? mbRight : mbMiddle;
        data->CalculateLayout(*GetSharedScreenCanvas(), TRect{0, 0, Width(), Height()}, p, mouseButton, shift,
                              viewInfo, isMouseEvent);
    }
    const TRect innerRect = InnerControl() ? GetControlBoundsRect(InnerControl()) : TRect{};
    const bool changed = viewInfo->RepaintChanges(this, innerRect, old.get());
    if (old && !changed) return false;
    AlignInnerControl();
    UpdateInnerControlStyle();
    {
        regionUpdating_ = true;
        TScopeExit done([this] { regionUpdating_ = false; });
        UpdateWindowRegion();
    }
    if (viewInfo->HotIndex != -1 || viewInfo->StateSet.Contains(cstHot)) {
        TRect hotRect;
        GetHotTrackRect(hotRect);
        StartMouseLeaveTracking(this, hotRect, this);
    }
    if (auto* before = dynamic_cast<TcxCustomEditViewInfo*>(old.get())) HandleButtonStateChange(before, button != 0);
    return true;
}

void TcxCustomEdit::HandleButtonStateChange(TcxCustomEditViewInfo* old, bool isMouseEvent) {
    (void)isMouseEvent;
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (viewInfo->PressedIndex == old->PressedIndex) return;
    if (old->PressedIndex != -1) {
        const int released = old->PressedIndex;
        ButtonUp(released);
        // Released over itself: a click.
        if (EditViewInfo() && EditViewInfo()->HotIndex == released) FireButtonClick(released);
    } else if (viewInfo->PressedIndex != -1) {
        ButtonDown(viewInfo->PressedIndex);
    }
}

void TcxCustomEdit::FireButtonClick(int viewInfoIndex) {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (!viewInfo || viewInfoIndex < 0 || viewInfoIndex >= viewInfo->ButtonCount()) return;
    const int collectionIndex = viewInfo->Button(viewInfoIndex)->Data.CollectionIndex;
    if (TcxEditButtonClickEvent handler = OwnProperties()->OnButtonClicked) handler(this, collectionIndex);
    if (RepositoryItem())
        if (TcxEditButtonClickEvent handler = RepositoryItem()->Properties()->OnButtonClicked)
            handler(this, collectionIndex);
}

bool TcxCustomEdit::ClickButtonByAccelerator(WORD ch) {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (!viewInfo) return false;
    TcxEditButtons* buttons = GetEffectiveProperties()->Buttons();
    for (int i = 0; i < viewInfo->ButtonCount(); ++i) {
        const TcxEditButtonViewInfo* button = viewInfo->Button(i);
        const int index = button->Data.CollectionIndex;
        if (button->Data.State == ebsDisabled || index < 0 || index >= buttons->Count()) continue;
        if (IsAccel(ch, buttons->GetItem(index)->Caption())) {
            FireButtonClick(i);
            return true;
        }
    }
    return false;
}

// --- painting ----------------------------------------------------------------------------------
bool TcxCustomEdit::PaintsCopy() {
    return ControlState.Contains(csPaintCopy) && UsesDataStorage();
}

void TcxCustomEdit::Paint() {
    if (initialized_ && PaintsCopy())
        PaintDetached(Canvas());
    else
        TcxContainer::Paint();
}

void TcxCustomEdit::PaintDetached(TcxCanvas& canvas) {
    EnsureInitialized();
    const TRect bounds{0, 0, Width(), Height()};
    {
        canvas.PushClipRegion();
        TScopeExit restore([&canvas] { canvas.PopClipRegion(); });
        if (HandleAllocated()) canvas.ApplyClipRegion(std::make_unique<TcxRegion>(CreateWindowShapeRegion()), rcmIntersect);
        std::unique_ptr<TcxContainerViewInfo> made = ViewInfoClass()();
        auto* viewInfo = dynamic_cast<TcxCustomEditViewInfo*>(made.get());
        if (!viewInfo) return;
        viewInfo->Editor = this;
        viewInfo->PaintingCopy = true;
        std::unique_ptr<TcxCustomEditViewData> data = CreateViewData();
        data->EditValueToViewInfo(canvas, DataBinding()->ReadStoredValue(), viewInfo);
        data->CalculateLayout(canvas, bounds, TPoint{-1, -1}, -1, TShiftState{}, viewInfo, false);
        viewInfo->DrawOn(canvas);
    }
    canvas.ExcludeFromClip(bounds);
}

// --- parent, loading and the window ------------------------------------------------------------
void TcxCustomEdit::SetParent(TWinControl* parent) {
    if (parent && !IsDestroying()) {
        EnsureInitialized();
        if (parentPending_) {
            parentPending_ = false;
            DataBinding()->EditorStateChanged();
            ApplyPropertiesChange(OwnProperties());
            DataBinding()->RefreshDisplayValue();
        }
    }
    TcxContainer::SetParent(parent);
}

void TcxCustomEdit::SetName(const AnsiString& newName) {
    TcxContainer::SetName(newName);
    DataBinding()->EditorStateChanged();
}

void TcxCustomEdit::Loaded() {
    TcxContainer::Loaded();
    EnsureInitialized();
    LockChangeEvents(true);
    LockClick(true);
    TScopeExit unlock([this] {
        LockClick(false);
        LockChangeEvents(false, false);
    });
    DataBinding()->EditorStateChanged();
    RefreshAtCursor();
    // Reading the stored form may have left the own properties without their handler.
    if (!repositoryItem_)
        ownProperties_->ChangedHandler = [this](TObject* sender) { ApplyPropertiesChange(sender); };
    ApplyPropertiesChange(GetEffectiveProperties());
    if (TcxCustomEditViewInfo* viewInfo = EditViewInfo()) viewInfo->DropShadow = false;
    HandleStylesChanged();
}

void TcxCustomEdit::CreateHandle() {
    TcxContainer::CreateHandle();
    if (innerEdit_ && HandleAllocated() && Focused()) innerEdit_->GetControl()->SetFocus();
}

// --- tab order, actions and reading ----------------------------------------------------------
void TcxCustomEdit::GetTabOrderList(std::vector<TWinControl*>& list) {
    TcxContainer::GetTabOrderList(list);
    // The host of a shown inplace editor is not a stop of its own while the editor is.
    if (IsInplace() && Visible() && Parent()) list.erase(std::remove(list.begin(), list.end(), Parent()), list.end());
}

bool TcxCustomEdit::ExecuteAction(TObject* action) {
    return TcxContainer::ExecuteAction(action) || DataBinding()->HandleExecuteAction(action);
}

bool TcxCustomEdit::UpdateAction(TObject* action) {
    return TcxContainer::UpdateAction(action) || DataBinding()->HandleUpdateAction(action);
}

void TcxCustomEdit::ReadState(TReader& reader) {
    // Changes read from the stored form reach the editor at Loaded, not one by one.
    EnsureInitialized();
    ownProperties_->ChangedHandler = nullptr;
    TcxContainer::ReadState(reader);
}

// --- hints -------------------------------------------------------------------------------------
bool TcxCustomEdit::GetHintInfo(THintInfo& info) {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (!viewInfo) return false;
    const TPoint p = info.CursorPos;
    AnsiString hint;
    TRect rect;
    const int index = viewInfo->ButtonAt(p);
    if (index != -1) {
        const TcxEditButtonViewInfo* button = viewInfo->Button(index);
        const int collectionIndex = button->Data.CollectionIndex;
        TcxEditButtons* buttons = GetEffectiveProperties()->Buttons();
        if (collectionIndex >= 0 && collectionIndex < buttons->Count())
            hint = buttons->GetItem(collectionIndex)->Hint();
        if (hint.empty() && ShowHint()) hint = Hint();
        rect = button->Bounds;
    } else if (PtInRect(&viewInfo->InnerRect, p)) {
        if (ShowHint()) hint = Hint();
        // Between the innermost buttons of either side, whichever side they are aligned to.
        rect = viewInfo->GetEditAreaRect();
    } else {
        return false;
    }
    const size_t bar = hint.find('|');
    if (bar != AnsiString::npos) hint.resize(bar);
    if (hint.empty()) return false;
    info.HintStr = hint;
    info.CursorRect = rect;
    return true;
}
