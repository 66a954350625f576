#pragma once
// What the editor unit keeps for the whole library: the registry of editor properties classes
// (each with a description "DisplayName|sentence"), the editor unit's small shared routines, and
// its start and end (the mouse-wheel cursor, the list of live properties objects).
#include "platform/forms/Forms.h"
#include "platform/graphics/Graphics.h"
#include "ui/core/CoreClasses.h"

class TComponent;

// The mouse-wheel panning cursor of the editors, in the screen's cursor table.
constexpr int crcxEditMouseWheel = 4101;

// Registered editor properties classes, sorted by description; made on first use.
TcxRegisteredClasses* GetEditPropertiesClassList();
bool EditPropertiesClassListExists();

// Both numeric, or of the same type, and equal for editing: 1 equals 1.0, "1" differs from 1.
bool EditValuesEqual(const Variant& a, const Variant& b);
// Same variant type and equal for editing.
bool VarSameTypeAndValue(const Variant& a, const Variant& b);
// Raises each dimension of size to at least that of minSize.
void EnlargeSizeTo(TSize& size, const TSize& minSize);
// The first component on the owner chain of persistent (itself included), nullptr when none.
TComponent* FindOwningComponent(TPersistent* persistent);
// #0, tab, line feed, form feed, carriage return and space.
bool IsBlankChar(char ch);
// The container's button code (0 none, 1 left, 2 right, 3 middle) as a shift state.
TShiftState MouseButtonToShiftState(int button);
TShiftState ButtonToShiftState(TMouseButton button);
void SendKeyDownMessage(TWinControl* control, WORD key);
void SendCharMessage(TWinControl* control, char ch);
bool IsRegionEmpty(HRGN region);
// Combines other into region.
void UniteRegions(HRGN region, HRGN other);
// An option of the edit framework that nothing sets.
inline bool GetCheckTextOffsetFlag() { return false; }

// Start and end of the base editor unit.
void EditUnitInitialize();
void EditUnitFinalize();
