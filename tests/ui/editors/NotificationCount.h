#pragma once
// Counts the change notifications of editor properties during an action.
#include <functional>

#include "ui/editors/framework/EditProperties.h"

inline int CountNotifications(TcxCustomEditProperties& properties, const std::function<void()>& action) {
    int count = 0;
    properties.ChangedHandler = [&](TObject*) { ++count; };
    action();
    properties.ChangedHandler = nullptr;
    return count;
}
