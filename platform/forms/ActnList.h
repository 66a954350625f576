#pragma once
// Actions as far as controls follow them: an action with a Checked state that tells the links of
// its clients, and the links of a control and a windowed control. A link follows a value only
// while the client still shows the action's value (IsCheckedLinked), so a client changed by hand
// keeps its own.
#include <vector>

#include "platform/core/Components.h"

class TActionLink;
class TControl;
class TWinControl;

class TAction : public TComponent {
public:
    VZ_CLASS(TAction, TComponent)
    explicit TAction(TComponent* owner) : TComponent(owner) {}
    // Every link loses its action.
    ~TAction() override;

    bool Checked() const { return checked_; }
    // Each client link is told before the action takes the value, so that it compares its client
    // with the value it followed until now.
    void SetChecked(bool value);

    int ClientCount() const { return static_cast<int>(clients_.size()); }

private:
    friend class TActionLink;
    bool checked_ = false;
    std::vector<TActionLink*> clients_;
};

class TActionLink : public TObject {
public:
    VZ_CLASS(TActionLink, TObject)
    TActionLink() = default;
    ~TActionLink() override;
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;

    TAction* Action() const { return action_; }
    void SetAction(TAction* value);

    virtual bool IsCheckedLinked() const { return action_ != nullptr; }
    // The action's new Checked; nothing here.
    virtual void SetChecked(bool value) { (void)value; }

private:
    friend class TAction;
    TAction* action_ = nullptr;
};

class TControlActionLink : public TActionLink {
public:
    VZ_CLASS(TControlActionLink, TActionLink)
    explicit TControlActionLink(TControl* client) : client_(client) {}
    TControl* Client() const { return client_; }

private:
    TControl* client_;
};

class TWinControlActionLink : public TControlActionLink {
public:
    VZ_CLASS(TWinControlActionLink, TControlActionLink)
    explicit TWinControlActionLink(TWinControl* client);
};
