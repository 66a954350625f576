#include "platform/core/UnitTable.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/core/Exceptions.h"

namespace {
// Units started so far, in start order. Plain data: nothing runs before main.
std::vector<UnitEntry> started;
bool initialized = false;

void FinalizeStarted(std::exception_ptr& first) {
    while (!started.empty()) {
        UnitEntry unit = started.back();
        started.pop_back();
        try {
            if (unit.Finalize) unit.Finalize();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
}
} // namespace

void InitializeUnits(std::span<const UnitEntry> table) {
    if (initialized) throw EInvalidOperation("Units are already initialized");
    std::vector<UnitEntry> order(table.begin(), table.end());
    std::stable_sort(order.begin(), order.end(),
                     [](const UnitEntry& a, const UnitEntry& b) { return a.Order < b.Order; });
    for (size_t i = 1; i < order.size(); ++i)
        if (order[i].Order == order[i - 1].Order)
            throw EInvalidOperation(Format("Units %s and %s share the start order %d",
                                           {order[i - 1].Name, order[i].Name, order[i].Order}));
    initialized = true;
    for (const UnitEntry& unit : order) {
        try {
            if (unit.Initialize) unit.Initialize();
        } catch (...) {
            // Undo what has started; the start failure is what the caller hears of.
            std::exception_ptr ignored;
            FinalizeStarted(ignored);
            initialized = false;
            throw;
        }
        started.push_back(unit);
    }
}

void FinalizeUnits() {
    std::exception_ptr first;
    FinalizeStarted(first);
    initialized = false;
    if (first) std::rethrow_exception(first);
}

bool UnitsInitialized() {
    return initialized;
}

std::vector<UnitEntry> SelectUnits(std::span<const UnitEntry> table, const std::vector<const char*>& names) {
    const auto named = [&](const char* name) {
        return [name](const UnitEntry& unit) { return std::strcmp(unit.Name, name) == 0; };
    };
    for (const char* name : names)
        if (std::none_of(table.begin(), table.end(), named(name)))
            throw EInvalidOperation(Format("No unit %s in the table", {name}));
    std::vector<UnitEntry> selected;
    for (const UnitEntry& unit : table)
        if (std::any_of(names.begin(), names.end(), [&](const char* name) { return named(name)(unit); }))
            selected.push_back(unit);
    return selected;
}

std::vector<UnitEntry> JoinUnits(std::initializer_list<std::vector<UnitEntry>> lists) {
    std::vector<UnitEntry> joined;
    for (const std::vector<UnitEntry>& list : lists)
        joined.insert(joined.end(), list.begin(), list.end());
    return joined;
}
