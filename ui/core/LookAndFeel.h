#pragma once
// Look-and-feel settings: which painter a control draws with. Kind, NativeStyle and SkinName are
// set locally or inherited from a master, and every look and feel without a master inherits
// from the one root, which controllers on forms edit. Also the listener of system colour changes.
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Components.h"
#include "platform/core/UtilWindow.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/PainterRegistry.h"
#include "ui/core/ThemeManager.h"

enum TcxLookAndFeelValue { lfvKind, lfvNativeStyle, lfvSkinName };
using TcxLookAndFeelValues = TSmallSet<TcxLookAndFeelValue>;
constexpr TcxLookAndFeelValues cxLookAndFeelAllValues{lfvKind, lfvNativeStyle, lfvSkinName};

struct TcxLookAndFeelData {
    TcxLookAndFeelKind Kind = lfUltraFlat;
    bool NativeStyle = false;
    TdxSkinName SkinName;
    TcxCustomLookAndFeelPainterClass Painter = nullptr;
};

class TcxLookAndFeel;

// Everything that follows a look and feel: controls, containers, editors, controllers.
class IcxLookAndFeelListener {
public:
    virtual TObject* GetListenerObject() = 0;
    virtual void LookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues) = 0;
    virtual void LookAndFeelDestroying(TcxLookAndFeel* sender) = 0;

protected:
    ~IcxLookAndFeelListener() = default;
};

// ---------------------------------------------------------------------------------------------
// System colour changes. The listener window lives while any notifier does; it refreshes the
// Office 2003 colours first, then tells the primary notifiers and then the others, each list
// from the last to the first.
class TcxSystemPaletteChangedNotifier : public TObject {
public:
    VZ_CLASS(TcxSystemPaletteChangedNotifier, TObject)
    explicit TcxSystemPaletteChangedNotifier(bool isPrimary = false);
    ~TcxSystemPaletteChangedNotifier() override;

    bool IsPrimary() const { return isPrimary_; }
    virtual void FireChanged();

    TNotifyEvent OnSystemPaletteChanged;

private:
    bool isPrimary_;
};

class TcxSystemPaletteChangedListener : public TObject {
public:
    VZ_CLASS(TcxSystemPaletteChangedListener, TObject)
    TcxSystemPaletteChangedListener(); // acquires the Office 2003 colours, then makes the window
    ~TcxSystemPaletteChangedListener() override;

    HWND Window() const { return window_; }
    void AddNotifier(TcxSystemPaletteChangedNotifier* notifier);
    void RemoveNotifier(TcxSystemPaletteChangedNotifier* notifier);
    TList PrimaryNotifiers;
    TList Notifiers;

private:
    void WndProc(TMessage& message);

    HWND window_ = nullptr;
};

// The listener while any notifier lives; nullptr otherwise.
TcxSystemPaletteChangedListener* SystemPaletteChangedListener();
void AddPaletteListenerRef();
void ReleasePaletteListenerRef();

// ---------------------------------------------------------------------------------------------
class TcxLookAndFeel : public TcxInterfacedPersistent,
                       public IcxLookAndFeelListener,
                       public IcxPainterRegistryListener {
public:
    VZ_CLASS(TcxLookAndFeel, TcxInterfacedPersistent)
    explicit TcxLookAndFeel(TPersistent* owner = nullptr);
    ~TcxLookAndFeel() override;

    void Assign(TPersistent* source) override;

    TcxLookAndFeelKind Kind() const { return currentState_.Kind; }
    bool NativeStyle() const { return currentState_.NativeStyle; }
    const TdxSkinName& SkinName() const { return currentState_.SkinName; }
    void SetKind(TcxLookAndFeelKind value);
    void SetNativeStyle(bool value);
    void SetSkinName(const TdxSkinName& value); // compared case-sensitively
    TcxLookAndFeelValues AssignedValues() const { return assignedValues_; }
    void SetAssignedValues(TcxLookAndFeelValues value);
    void ClearAssignedValues() { SetAssignedValues({}); }

    // nullptr for the root; else the master, or the root when there is none.
    TcxLookAndFeel* Master() const;
    void SetMaster(TcxLookAndFeel* value);

    TcxCustomLookAndFeelPainterClass GetEffectivePainter() const { return currentState_.Painter; }
    TcxCustomLookAndFeelPainterClass SkinPainter() const { return skinPainter_; }
    TcxCustomLookAndFeelPainterClass ChoosePainterForThemedType(TdxThemedObjectType themedType) const;
    bool IsRoot() const { return isRoot_; }

    void AttachChangeListener(IcxLookAndFeelListener* listener);
    void DetachChangeListener(IcxLookAndFeelListener* listener);
    int ChangeListenerCount() const { return static_cast<int>(changeListeners_.size()); }
    // After a skin was reloaded.
    void UpdateAndNotifyAll() { UpdateAndNotify(cxLookAndFeelAllValues); }

    // What a stored form keeps: each setting when it is assigned here, and the extra "SkinName"
    // entry (an empty name) when an empty name is assigned here.
    bool IsKindStored() const { return assignedValues_.Contains(lfvKind); }
    bool IsNativeStyleStored() const { return assignedValues_.Contains(lfvNativeStyle); }
    bool IsSkinNameStored() const { return assignedValues_.Contains(lfvSkinName); }
    bool IsEmptySkinNameStored() const { return IsSkinNameStored() && SkinName().empty(); }

    TcxSystemPaletteChangedNotifier* PaletteNotifier() const { return paletteNotifier_.get(); }

    std::function<void(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues)> OnChanged;

    // IcxLookAndFeelListener: following the master.
    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues) override;
    void LookAndFeelDestroying(TcxLookAndFeel* sender) override;
    // IcxPainterRegistryListener: a skin painter came or went.
    void PainterListChanged(TcxCustomLookAndFeelPainterClass painter) override;

protected:
    virtual TcxLookAndFeelKind ResolveKind() const;
    virtual bool ResolveNativeStyle() const;
    virtual TdxSkinName ResolveSkinName() const;
    virtual bool ResolveSkinPainter(TcxCustomLookAndFeelPainterClass& painter) const;
    virtual bool LookupSkinPainter(const TdxSkinName& name, TcxCustomLookAndFeelPainterClass& painter) const;
    virtual void HandlePaletteChange();

    TcxLookAndFeelKind InheritedKind() const;
    bool InheritedNativeStyle() const;
    TdxSkinName InheritedSkinName() const;
    bool InheritedSkinPainter(TcxCustomLookAndFeelPainterClass& painter) const;
    TcxCustomLookAndFeelPainterClass ChoosePainter(bool nativeUsable) const;
    void UpdateAndNotify(TcxLookAndFeelValues changedValues);
    void RememberState();
    void NotifyStateDifferences();
    void MasterChanged(TcxLookAndFeelValues changedValues);

private:
    friend void LookAndFeelInitialize();
    // The master's list this object is in (the root's when there is no master).
    TcxLookAndFeel* ListenedMaster() const;

    TcxLookAndFeelValues assignedValues_;
    std::vector<IcxLookAndFeelListener*> changeListeners_;
    TcxLookAndFeelData currentState_;
    TcxLookAndFeelData data_;
    bool isDestroying_ = false;
    bool isRoot_ = false;
    TcxLookAndFeel* master_ = nullptr;
    TcxCustomLookAndFeelPainterClass skinPainter_ = nullptr;
    TcxLookAndFeelData prevState_;
    std::unique_ptr<TcxSystemPaletteChangedNotifier> paletteNotifier_;
};

// Edits the root: one controller restyles every control that inherits.
class TcxLookAndFeelController : public TComponent, public IcxLookAndFeelListener {
public:
    VZ_CLASS(TcxLookAndFeelController, TComponent)
    explicit TcxLookAndFeelController(TComponent* owner);
    ~TcxLookAndFeelController() override;

    TcxLookAndFeelKind Kind() const;
    bool NativeStyle() const;
    TdxSkinName SkinName() const;
    void SetKind(TcxLookAndFeelKind value);
    void SetNativeStyle(bool value);
    void SetSkinName(const TdxSkinName& value);
    bool IsSkinNameStored() const { return !SkinName().empty(); }

    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues) override;
    void LookAndFeelDestroying(TcxLookAndFeel* sender) override;

protected:
    // Only a designer hears of these; at run time there is none.
    virtual void MasterChanged() {}
    virtual void MasterDestroying() {}
};

// The root look and feel; nullptr before the unit starts and after it ends.
TcxLookAndFeel* GetRootLookAndFeel();
int RootLookAndFeelControllerCount();
// Whether skin painters are used (the skin controller publishes it).
extern bool cxUseSkins;

// Unit start: the root. Unit end: the root is freed.
void LookAndFeelInitialize();
void LookAndFeelFinalize();
