#include "platform/forms/ActnList.h"

#include <algorithm>

#include "platform/forms/Forms.h"

TAction::~TAction() {
    for (TActionLink* link : clients_)
        link->action_ = nullptr;
    clients_.clear();
}

void TAction::SetChecked(bool value) {
    if (value == checked_) return;
    // A link may drop itself while told: walk a copy.
    const std::vector<TActionLink*> clients = clients_;
    for (TActionLink* link : clients)
        if (std::find(clients_.begin(), clients_.end(), link) != clients_.end()) link->SetChecked(value);
    checked_ = value;
}

TActionLink::~TActionLink() {
    SetAction(nullptr);
}

void TActionLink::SetAction(TAction* value) {
    if (value == action_) return;
    if (action_) {
        auto& clients = action_->clients_;
        clients.erase(std::remove(clients.begin(), clients.end(), this), clients.end());
    }
    action_ = value;
    if (action_) action_->clients_.push_back(this);
}

TWinControlActionLink::TWinControlActionLink(TWinControl* client) : TControlActionLink(client) {}
