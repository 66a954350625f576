#pragma once
// Start-up and shut-down of the program's units in a fixed order. Units do no work in static
// constructors: each exposes a start and an end function, and the program lists them once, in
// one table, which it hands to InitializeUnits at start and FinalizeUnits undoes at the end.
#include <initializer_list>
#include <span>
#include <vector>

struct UnitEntry {
    const char* Name;     // for error messages
    int Order;            // ascending start order; unique within the table
    void (*Initialize)(); // may be nullptr
    void (*Finalize)();   // may be nullptr
};

// Runs the Initialize functions in ascending Order (EInvalidOperation for a repeated Order or
// when units are already initialised). When one raises, the units already started are finalised
// in reverse and the exception goes on to the caller.
void InitializeUnits(std::span<const UnitEntry> table);
inline void InitializeUnits(std::initializer_list<UnitEntry> table) {
    InitializeUnits(std::span<const UnitEntry>(table.begin(), table.size()));
}
// Runs the Finalize functions of the started units in reverse order. Every unit is finalised
// even when one raises; the first exception is raised afterwards.
void FinalizeUnits();
bool UnitsInitialized();

// The entries of table with the given names, in the table's order, for programs that start only
// part of a library's units. EInvalidOperation for a name the table lacks.
std::vector<UnitEntry> SelectUnits(std::span<const UnitEntry> table, const std::vector<const char*>& names);
// The lists one after another, for a table built from several libraries' lists.
std::vector<UnitEntry> JoinUnits(std::initializer_list<std::vector<UnitEntry>> lists);
