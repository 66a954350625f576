#pragma once
// The mask editor: the single-line text editor whose keys, characters, pastes and caret moves go
// to the mode of its mask kind while it is masked. Unmasked, it behaves as the text editor.
#include <memory>

#include "ui/editors/MaskEditProperties.h"
#include "ui/editors/TextEdit.h"

class TcxCustomMaskEdit : public TcxCustomTextEdit {
public:
    VZ_CLASS(TcxCustomMaskEdit, TcxCustomTextEdit)
    explicit TcxCustomMaskEdit(TComponent* owner) : TcxCustomMaskEdit(owner, false) {}
    TcxCustomMaskEdit(TComponent* owner, bool isInplace);
    ~TcxCustomMaskEdit() override;

    TcxCustomMaskEditProperties* ActiveProperties();
    // nullptr before the editor is initialised.
    TcxMaskEditCustomMode* Mode() const { return mode_.get(); }
    bool IsMasked();
    bool SettingSelection() const { return settingSelection_; }
    bool SendingKey() const { return sendingKey_; }
    // The value text kept for the display text shown.
    const AnsiString& ValueText() const { return valueText_; }

    virtual bool AllowsTextAssign() { return true; }
    // Applies the text shown again as the display value.
    virtual void ReapplyDisplayText();

    // position is 1-based; may change ch.
    virtual bool AcceptsMaskChar(char& ch, int position) { (void)ch, (void)position; return true; }
    bool ShiftHeld() const { return shiftHeld_; }

    // --- text editor overrides
    void SyncDisplayFromValue() override;
    void ApplyPropertiesChange(TObject* sender) override;
    void ConvertDisplayToEdit(Variant& displayValue, bool isFocused) override;
    void PasteClipboardText() override;
    void CutSelectionToClipboard() override;
    bool CanEditPlainText() override;
    void KeyPress(char& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void HandleInnerSelChange(TObject* sender) override;
    void InsertText(const AnsiString& text) override;
    void DblClick() override;

protected:
    TClass PropertiesClass() override { return TcxCustomMaskEditProperties::StaticClass(); }
    void InitializeEditor() override;
    void ApplyDisplayValue(const Variant& displayValue) override;
    void HandleInnerEditChange() override;
    void HandleKeyDown(WORD& key, TShiftState shift) override;
    bool HandleKeyPress(char& key) override;
    void DoEnter() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Loaded() override;

private:
    class TSide;
    friend class TSide;
    void MakeMode();
    template <class F> void Sending(F&& f);
    template <class F> void Selecting(F&& f);

    std::unique_ptr<TSide> side_;
    std::unique_ptr<TcxMaskEditCustomMode> mode_;
    bool settingSelection_ = false;
    bool sendingKey_ = false;
    bool shiftHeld_ = false;
    bool applyingProperties_ = false;
    AnsiString valueText_;
};

// The published mask editor.
class TcxMaskEdit : public TcxCustomMaskEdit {
public:
    VZ_CLASS(TcxMaskEdit, TcxCustomMaskEdit)
    using TcxCustomMaskEdit::TcxCustomMaskEdit;

    TcxMaskEditProperties* Properties();
    // Assigns into the editor's own properties.
    void SetProperties(TcxMaskEditProperties* value);
    bool CanEditText() override { return CanEditPlainText(); }

protected:
    TClass PropertiesClass() override { return TcxMaskEditProperties::StaticClass(); }
};
