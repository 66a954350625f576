#include "ui/core/LookAndFeel.h"

#include <algorithm>

#include "ui/core/Office11Colors.h"
#include "ui/core/StandardPainters.h"
#include "ui/core/UltraFlatPainters.h"
#include "ui/core/WinXPPainter.h"

bool cxUseSkins = true;

namespace {
TcxLookAndFeel* rootLookAndFeel = nullptr;
int rootControllerCount = 0;
std::unique_ptr<TcxSystemPaletteChangedListener> paletteListener;
int paletteListenerRefs = 0;

bool IsController(IcxLookAndFeelListener* listener) {
    TObject* object = listener->GetListenerObject();
    return object && object->InheritsFrom(TcxLookAndFeelController::StaticClass());
}

// Tells the listeners of a list from the last to the first; notifiers may go while told.
void FireFromLast(TList& list) {
    for (int i = list.Count() - 1; i >= 0; --i) {
        if (i >= list.Count()) continue;
        static_cast<TcxSystemPaletteChangedNotifier*>(list.Items(i))->FireChanged();
    }
}
} // namespace

// ---------------------------------------------------------------------------------------------
// System colour changes

TcxSystemPaletteChangedNotifier::TcxSystemPaletteChangedNotifier(bool isPrimary) : isPrimary_(isPrimary) {
    AddPaletteListenerRef();
    paletteListener->AddNotifier(this);
}

TcxSystemPaletteChangedNotifier::~TcxSystemPaletteChangedNotifier() {
    if (paletteListener) paletteListener->RemoveNotifier(this);
    ReleasePaletteListenerRef();
}

void TcxSystemPaletteChangedNotifier::FireChanged() {
    if (OnSystemPaletteChanged) OnSystemPaletteChanged(this);
}

TcxSystemPaletteChangedListener::TcxSystemPaletteChangedListener() {
    AcquireOffice11Colors();
    try {
        window_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
    } catch (...) {
        DropOffice11Colors();
        throw;
    }
}

TcxSystemPaletteChangedListener::~TcxSystemPaletteChangedListener() {
    DeallocateHWnd(window_);
    DropOffice11Colors();
}

void TcxSystemPaletteChangedListener::AddNotifier(TcxSystemPaletteChangedNotifier* notifier) {
    (notifier->IsPrimary() ? PrimaryNotifiers : Notifiers).Add(notifier);
}

void TcxSystemPaletteChangedListener::RemoveNotifier(TcxSystemPaletteChangedNotifier* notifier) {
    (notifier->IsPrimary() ? PrimaryNotifiers : Notifiers).Remove(notifier);
}

void TcxSystemPaletteChangedListener::WndProc(TMessage& message) {
    if (message.Msg == WM_SYSCOLORCHANGE) {
        // The painters' colours are fresh before anyone repaints with them.
        ReloadOffice11Colors();
        FireFromLast(PrimaryNotifiers);
        FireFromLast(Notifiers);
    }
    message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
}

TcxSystemPaletteChangedListener* SystemPaletteChangedListener() {
    return paletteListener.get();
}

void AddPaletteListenerRef() {
    if (paletteListenerRefs == 0) paletteListener = std::make_unique<TcxSystemPaletteChangedListener>();
    ++paletteListenerRefs;
}

void ReleasePaletteListenerRef() {
    if (paletteListenerRefs == 0) return;
    if (--paletteListenerRefs == 0) paletteListener.reset();
}

// ---------------------------------------------------------------------------------------------
// TcxLookAndFeel

TcxLookAndFeel::TcxLookAndFeel(TPersistent* owner) : TcxInterfacedPersistent(owner) {
    paletteNotifier_ = std::make_unique<TcxSystemPaletteChangedNotifier>(false);
    paletteNotifier_->OnSystemPaletteChanged = [this](TObject*) { HandlePaletteChange(); };
    if (rootLookAndFeel) {
        rootLookAndFeel->AttachChangeListener(this);
        currentState_.Kind = ResolveKind();
        currentState_.NativeStyle = ResolveNativeStyle();
        currentState_.SkinName = ResolveSkinName();
        if (!currentState_.NativeStyle || !CanUseVisualStyles(0)) ResolveSkinPainter(skinPainter_);
        if (skinPainter_ && GetStylePainterRegistry()) GetStylePainterRegistry()->AttachListener(this);
    }
    currentState_.Painter = ChoosePainter(CanUseVisualStyles(0));
}

TcxLookAndFeel::~TcxLookAndFeel() {
    if (auto* registry = GetStylePainterRegistry()) registry->RemoveListener(this);
    paletteNotifier_.reset();
    // A going root is forgotten first, so that its followers do not join it again.
    if (rootLookAndFeel == this) rootLookAndFeel = nullptr;
    isDestroying_ = true;
    std::vector<IcxLookAndFeelListener*> listeners = changeListeners_;
    for (IcxLookAndFeelListener* listener : listeners)
        listener->LookAndFeelDestroying(this);
    isDestroying_ = false;
    changeListeners_.clear();
    if (TcxLookAndFeel* listened = ListenedMaster()) listened->DetachChangeListener(this);
}

TcxLookAndFeel* TcxLookAndFeel::ListenedMaster() const {
    if (isRoot_) return nullptr;
    return master_ ? master_ : rootLookAndFeel;
}

TcxLookAndFeel* TcxLookAndFeel::Master() const {
    return ListenedMaster();
}

void TcxLookAndFeel::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TcxLookAndFeel*>(source);
    if (!other) {
        TcxInterfacedPersistent::Assign(source);
        return;
    }
    RememberState();
    data_ = other->data_;
    assignedValues_ = other->assignedValues_;
    TcxLookAndFeel* newMaster = other->Master();
    if (newMaster != Master() && newMaster != this && !isRoot_) {
        if (TcxLookAndFeel* listened = ListenedMaster()) listened->DetachChangeListener(this);
        master_ = newMaster == rootLookAndFeel ? nullptr : newMaster;
        if (TcxLookAndFeel* listened = ListenedMaster()) listened->AttachChangeListener(this);
    }
    NotifyStateDifferences();
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind value) {
    TcxLookAndFeelKind previous = Kind();
    assignedValues_.Include(lfvKind);
    data_.Kind = value;
    if (ResolveKind() != previous) UpdateAndNotify({lfvKind});
}

void TcxLookAndFeel::SetNativeStyle(bool value) {
    bool previous = NativeStyle();
    assignedValues_.Include(lfvNativeStyle);
    data_.NativeStyle = value;
    if (ResolveNativeStyle() != previous) UpdateAndNotify({lfvNativeStyle});
}

void TcxLookAndFeel::SetSkinName(const TdxSkinName& value) {
    TdxSkinName previous = SkinName();
    assignedValues_.Include(lfvSkinName);
    data_.SkinName = value;
    if (ResolveSkinName() != previous) UpdateAndNotify({lfvSkinName});
}

void TcxLookAndFeel::SetAssignedValues(TcxLookAndFeelValues value) {
    if (value == assignedValues_) return;
    RememberState();
    assignedValues_ = value;
    NotifyStateDifferences();
}

void TcxLookAndFeel::SetMaster(TcxLookAndFeel* value) {
    if (isRoot_ || value == this || value == Master()) return;
    RememberState();
    if (TcxLookAndFeel* listened = ListenedMaster()) listened->DetachChangeListener(this);
    master_ = value;
    if (TcxLookAndFeel* listened = ListenedMaster()) listened->AttachChangeListener(this);
    NotifyStateDifferences();
}

void TcxLookAndFeel::AttachChangeListener(IcxLookAndFeelListener* listener) {
    if (!listener) return;
    bool controller = IsController(listener);
    if (controller && !isRoot_) return;
    if (std::find(changeListeners_.begin(), changeListeners_.end(), listener) != changeListeners_.end())
        return;
    changeListeners_.push_back(listener);
    if (controller) ++rootControllerCount;
}

void TcxLookAndFeel::DetachChangeListener(IcxLookAndFeelListener* listener) {
    if (!listener || isDestroying_) return;
    auto it = std::find(changeListeners_.begin(), changeListeners_.end(), listener);
    if (it == changeListeners_.end()) return;
    changeListeners_.erase(it);
    if (isRoot_ && IsController(listener) && --rootControllerCount == 0) ClearAssignedValues();
}

TcxLookAndFeelKind TcxLookAndFeel::ResolveKind() const {
    return assignedValues_.Contains(lfvKind) ? data_.Kind : InheritedKind();
}

bool TcxLookAndFeel::ResolveNativeStyle() const {
    return assignedValues_.Contains(lfvNativeStyle) ? data_.NativeStyle : InheritedNativeStyle();
}

TdxSkinName TcxLookAndFeel::ResolveSkinName() const {
    return assignedValues_.Contains(lfvSkinName) ? data_.SkinName : InheritedSkinName();
}

TcxLookAndFeelKind TcxLookAndFeel::InheritedKind() const {
    TcxLookAndFeel* master = ListenedMaster();
    return master ? master->Kind() : lfUltraFlat;
}

bool TcxLookAndFeel::InheritedNativeStyle() const {
    TcxLookAndFeel* master = ListenedMaster();
    return master ? master->NativeStyle() : false;
}

TdxSkinName TcxLookAndFeel::InheritedSkinName() const {
    TcxLookAndFeel* master = ListenedMaster();
    return master ? master->SkinName() : TdxSkinName();
}

bool TcxLookAndFeel::ResolveSkinPainter(TcxCustomLookAndFeelPainterClass& painter) const {
    if (assignedValues_.Contains(lfvSkinName)) return LookupSkinPainter(data_.SkinName, painter);
    return InheritedSkinPainter(painter);
}

bool TcxLookAndFeel::InheritedSkinPainter(TcxCustomLookAndFeelPainterClass& painter) const {
    painter = nullptr;
    TcxLookAndFeel* master = ListenedMaster();
    return master ? master->LookupSkinPainter(master->SkinName(), painter) : false;
}

bool TcxLookAndFeel::LookupSkinPainter(const TdxSkinName& name,
                                       TcxCustomLookAndFeelPainterClass& painter) const {
    painter = nullptr;
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    TcxCustomLookAndFeelPainterClass found = nullptr;
    bool result = !name.empty() && registry && registry->FindPainterOfName(name, found);
    if (result && cxUseSkins) painter = found;
    return result;
}

void TcxLookAndFeel::HandlePaletteChange() {
    UpdateAndNotify({lfvNativeStyle});
}

TcxCustomLookAndFeelPainterClass TcxLookAndFeel::ChoosePainter(bool nativeUsable) const {
    if (currentState_.NativeStyle && nativeUsable) return TcxWinXPLookAndFeelPainter::Painter();
    if (skinPainter_) return skinPainter_;
    switch (currentState_.Kind) {
    case lfFlat:
        return TcxFlatLookAndFeelPainter::Painter();
    case lfStandard:
        return TcxStandardLookAndFeelPainter::Painter();
    case lfOffice11:
        return TcxOffice11LookAndFeelPainter::Painter();
    case lfUltraFlat:
    default:
        return TcxUltraFlatLookAndFeelPainter::Painter();
    }
}

TcxCustomLookAndFeelPainterClass
TcxLookAndFeel::ChoosePainterForThemedType(TdxThemedObjectType themedType) const {
    return ChoosePainter(CanUseVisualStyles(0) && IsThemeUsable(themedType));
}

void TcxLookAndFeel::UpdateAndNotify(TcxLookAndFeelValues changedValues) {
    if (changedValues.Empty() || isDestroying_) return;
    currentState_.Kind = ResolveKind();
    currentState_.NativeStyle = ResolveNativeStyle();
    currentState_.SkinName = ResolveSkinName();
    skinPainter_ = nullptr;
    // Native style without usable themes falls back to the skin, so the skin is looked up then too.
    const bool nativeUsable = CanUseVisualStyles(0);
    if (!currentState_.NativeStyle || !nativeUsable) ResolveSkinPainter(skinPainter_);
    currentState_.Painter = ChoosePainter(nativeUsable);
    if (TcxExtendedStylePainters* registry = GetStylePainterRegistry()) {
        if (skinPainter_)
            registry->AttachListener(this);
        else
            registry->RemoveListener(this);
    }
    // A listener that changes the list during its call makes the same index be visited again.
    for (size_t i = 0; i < changeListeners_.size();) {
        size_t count = changeListeners_.size();
        changeListeners_[i]->LookAndFeelChanged(this, changedValues);
        if (changeListeners_.size() == count) ++i;
    }
    if (OnChanged) OnChanged(this, changedValues);
}

void TcxLookAndFeel::RememberState() {
    prevState_.Kind = Kind();
    prevState_.NativeStyle = NativeStyle();
    prevState_.SkinName = SkinName();
}

void TcxLookAndFeel::NotifyStateDifferences() {
    TcxLookAndFeelValues changed;
    if (ResolveKind() != prevState_.Kind) changed.Include(lfvKind);
    if (ResolveNativeStyle() != prevState_.NativeStyle) changed.Include(lfvNativeStyle);
    if (ResolveSkinName() != prevState_.SkinName) changed.Include(lfvSkinName);
    UpdateAndNotify(changed);
}

void TcxLookAndFeel::MasterChanged(TcxLookAndFeelValues changedValues) {
    UpdateAndNotify(changedValues - assignedValues_);
}

void TcxLookAndFeel::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues changedValues) {
    MasterChanged(changedValues);
}

void TcxLookAndFeel::LookAndFeelDestroying(TcxLookAndFeel*) {
    SetMaster(nullptr);
}

void TcxLookAndFeel::PainterListChanged(TcxCustomLookAndFeelPainterClass) {
    UpdateAndNotify(cxLookAndFeelAllValues);
}

// ---------------------------------------------------------------------------------------------
// TcxLookAndFeelController

TcxLookAndFeelController::TcxLookAndFeelController(TComponent* owner) : TComponent(owner) {
    if (rootLookAndFeel) rootLookAndFeel->AttachChangeListener(this);
}

TcxLookAndFeelController::~TcxLookAndFeelController() {
    if (rootLookAndFeel) rootLookAndFeel->DetachChangeListener(this);
}

TcxLookAndFeelKind TcxLookAndFeelController::Kind() const {
    return rootLookAndFeel ? rootLookAndFeel->Kind() : lfUltraFlat;
}

bool TcxLookAndFeelController::NativeStyle() const {
    return rootLookAndFeel ? rootLookAndFeel->NativeStyle() : false;
}

TdxSkinName TcxLookAndFeelController::SkinName() const {
    return rootLookAndFeel ? rootLookAndFeel->SkinName() : TdxSkinName();
}

void TcxLookAndFeelController::SetKind(TcxLookAndFeelKind value) {
    if (rootLookAndFeel) rootLookAndFeel->SetKind(value);
}

void TcxLookAndFeelController::SetNativeStyle(bool value) {
    if (rootLookAndFeel) rootLookAndFeel->SetNativeStyle(value);
}

void TcxLookAndFeelController::SetSkinName(const TdxSkinName& value) {
    if (rootLookAndFeel) rootLookAndFeel->SetSkinName(value);
}

void TcxLookAndFeelController::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {
    MasterChanged();
}

void TcxLookAndFeelController::LookAndFeelDestroying(TcxLookAndFeel*) {
    MasterDestroying();
}

// ---------------------------------------------------------------------------------------------

TcxLookAndFeel* GetRootLookAndFeel() {
    return rootLookAndFeel;
}

int RootLookAndFeelControllerCount() {
    return rootControllerCount;
}

void LookAndFeelInitialize() {
    if (rootLookAndFeel) return;
    auto* root = new TcxLookAndFeel(nullptr); // no root yet: it listens to nothing
    root->isRoot_ = true;
    rootLookAndFeel = root;
}

void LookAndFeelFinalize() {
    delete rootLookAndFeel; // clears the global
    rootLookAndFeel = nullptr;
    rootControllerCount = 0;
}
