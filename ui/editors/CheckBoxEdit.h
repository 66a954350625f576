#pragma once
// The check box as an editor: a state mapped to three values, toggled by Space, by a click or by
// the caption's accelerator, and linked to an action's Checked.
#include <memory>
#include <optional>

#include "platform/forms/ActnList.h"
#include "ui/editors/CheckBox.h"
#include "ui/editors/CheckBoxViewInfo.h"
#include "ui/editors/framework/Edit.h"

// An edit style without a border of the editor's own (its border style frames the box).
class TcxCheckBoxStyle : public TcxEditStyle {
public:
    VZ_CLASS(TcxCheckBoxStyle, TcxEditStyle)
    using TcxEditStyle::TcxEditStyle;
    static TcxContainerStyleClass Class();
};

class TcxCustomCheckBox;

// Follows the action's Checked; a grayed box is not linked.
class TcxCheckBoxActionLink : public TWinControlActionLink {
public:
    VZ_CLASS(TcxCheckBoxActionLink, TWinControlActionLink)
    explicit TcxCheckBoxActionLink(TcxCustomCheckBox* client);

    bool IsCheckedLinked() const override;
    // Sets Checked with clicks and change events locked.
    void SetChecked(bool value) override;

private:
    TcxCustomCheckBox* checkBox_;
};

class TcxCustomCheckBox : public TcxCustomEdit {
public:
    VZ_CLASS(TcxCustomCheckBox, TcxCustomEdit)
    explicit TcxCustomCheckBox(TComponent* owner) : TcxCustomCheckBox(owner, false) {}
    TcxCustomCheckBox(TComponent* owner, bool isInplace);
    ~TcxCustomCheckBox() override;

    TcxCustomCheckBoxProperties* ActiveProperties();

    TcxCheckBoxState State();
    // While loading remembered and applied after loading.
    void SetState(TcxCheckBoxState value);
    bool IsStateStored();
    bool Checked() { return State() == cbsChecked; }
    void SetChecked(bool value) { SetState(value ? cbsChecked : cbsUnchecked); }
    // Checked to unchecked, grayed to checked, unchecked to grayed (AllowGrayed) or checked; as the
    // user's action, so it needs edit mode; ImmediatePost posts the modified value.
    virtual void Toggle();
    // Space is down on the box.
    bool KeyPressed() const { return keyPressed_; }

    // The linked action (nullptr none); the link follows its Checked.
    TAction* Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }
    void SetAction(TAction* value);
    TcxCheckBoxActionLink* ActionLink() const { return actionLink_.get(); }

    void ClearValue() override { SetChecked(false); }
    // State 0, 1, 2 to ValueUnchecked, ValueChecked, ValueGrayed.
    void ConvertDisplayToEdit(Variant& displayValue, bool isFocused) override;
    AnsiString ReadDisplayText() override;
    void SyncDisplayFromValue() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    TClass PropertiesClass() override { return TcxCheckBoxProperties::StaticClass(); }
    void InitializeEditor() override;
    void StoreEditValue(const Variant& value, bool spare) override;
    void HandleKeyDown(WORD& key, TShiftState shift) override;
    bool HandleKeyPress(char& key) override;
    void HandleKeyUp(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool ReplaysActivationKey(char key) override { return key == ' '; }
    void WndProc(TMessage& message) override;
    using TcxCustomEdit::WndProc;
    bool RefreshAtPoint(TPoint p, int button, TShiftState shift, bool isMouseEvent) override;

private:
    TcxCustomCheckBoxViewInfo* CheckBoxViewInfo() const;
    // Repaints the box alone once the view info shows the new state.
    void InvalidateBox();
    void SetKeyPressed(bool value);

    bool keyPressed_ = false;
    // Whether the view info's pressed box came from the key.
    bool keyPressedInLayout_ = false;
    std::optional<TcxCheckBoxState> loadedState_;
    std::unique_ptr<TcxCheckBoxActionLink> actionLink_;
};

class TcxCheckBox : public TcxCustomCheckBox {
public:
    VZ_CLASS(TcxCheckBox, TcxCustomCheckBox)
    using TcxCustomCheckBox::TcxCustomCheckBox;

    TcxCheckBoxProperties* Properties();
    // Assigns into the editor's own properties.
    void SetProperties(TcxCheckBoxProperties* value);
    TcxCheckBoxStyle* Style();
};
