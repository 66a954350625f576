#pragma once
// The progress bar as an editor: its edit value is the position, kept inside the range except
// while the form loads, when the value is checked once loading is over. It paints through its own
// window with the editor's view info; a position change that moves nothing and shows no text is
// not repainted.
#include "ui/editors/ProgressBar.h"
#include "ui/editors/ProgressBarViewInfo.h"
#include "ui/editors/framework/Edit.h"

class TcxCustomProgressBar : public TcxCustomEdit {
public:
    VZ_CLASS(TcxCustomProgressBar, TcxCustomEdit)
    explicit TcxCustomProgressBar(TComponent* owner) : TcxCustomProgressBar(owner, false) {}
    TcxCustomProgressBar(TComponent* owner, bool isInplace);
    ~TcxCustomProgressBar() override;

    TcxCustomProgressBarProperties* ActiveProperties();
    // The editor's view info, the one its window paints.
    TcxCustomProgressBarViewInfo& ProgressViewInfo();

    // The position shown (the view info's).
    double Position();
    // Kept inside [Min, Max] unless loading; becomes the edit value.
    void SetPosition(double value);

    // Replaces an edit value outside the range by the nearer end of it.
    virtual void CheckEditValue();
    // CheckEditValue for a standalone editor whose value is its own.
    virtual void CheckEditValueIfStandalone();
    bool CheckingEditValue() const { return checkingEditValue_; }

    bool CanFocus() override;
    bool CanFocusOnClick() override;
    bool DefaultParentColor() override { return true; }

protected:
    TClass PropertiesClass() override { return TcxProgressBarProperties::StaticClass(); }
    void InitializeEditor() override;
    void SyncDisplayFromValue() override;
    void ApplyPropertiesChange(TObject* sender) override;

private:
    // Paints the window now: each animation step.
    void RepaintNow();
    bool checkingEditValue_ = false;
};

class TcxProgressBar : public TcxCustomProgressBar {
public:
    VZ_CLASS(TcxProgressBar, TcxCustomProgressBar)
    using TcxCustomProgressBar::TcxCustomProgressBar;

    TcxProgressBarProperties* Properties();
    // Assigns into the editor's own properties.
    void SetProperties(TcxProgressBarProperties* value);
};
