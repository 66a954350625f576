#include "ui/editors/framework/EditRegistration.h"

#include <memory>

#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/Variants.h"

namespace {
std::unique_ptr<TcxRegisteredClasses> editPropertiesClassList;
} // namespace

TcxRegisteredClasses* GetEditPropertiesClassList() {
    if (!editPropertiesClassList) {
        editPropertiesClassList = std::make_unique<TcxRegisteredClasses>(false);
        editPropertiesClassList->EnableSorting(true);
    }
    return editPropertiesClassList.get();
}

bool EditPropertiesClassListExists() {
    return editPropertiesClassList != nullptr;
}

bool EditValuesEqual(const Variant& a, const Variant& b) {
    const bool numeric = VarIsNumericOrBcd(a) && VarIsNumericOrBcd(b);
    if (!numeric && a.VarType() != b.VarType()) return false;
    return VarEqualsForEdit(a, b);
}

bool VarSameTypeAndValue(const Variant& a, const Variant& b) {
    return a.VarType() == b.VarType() && VarEqualsForEdit(a, b);
}

void EnlargeSizeTo(TSize& size, const TSize& minSize) {
    if (size.cx < minSize.cx) size.cx = minSize.cx;
    if (size.cy < minSize.cy) size.cy = minSize.cy;
}

TComponent* FindOwningComponent(TPersistent* persistent) {
    while (persistent) {
        if (auto* component = dynamic_cast<TComponent*>(persistent)) return component;
        persistent = persistent->GetOwner();
    }
    return nullptr;
}

bool IsBlankChar(char ch) {
    switch (ch) {
    case '\0': case '\t': case '\n': case '\f': case '\r': case ' ': return true;
    default: return false;
    }
}

TShiftState MouseButtonToShiftState(int button) {
    switch (button) {
    case 1: return TShiftState{ssLeft};
    case 2: return TShiftState{ssRight};
    case 3: return TShiftState{ssMiddle};
    default: return {};
    }
}

TShiftState ButtonToShiftState(TMouseButton button) {
    switch (button) {
    case mbRight: return TShiftState{ssRight};
    case mbMiddle: return TShiftState{ssMiddle};
    default: return TShiftState{ssLeft};
    }
}

void SendKeyDownMessage(TWinControl* control, WORD key) {
    SendMessageA(control->Handle(), WM_KEYDOWN, key, 0);
}

void SendCharMessage(TWinControl* control, char ch) {
    SendMessageA(control->Handle(), WM_CHAR, static_cast<unsigned char>(ch), 0);
}

bool IsRegionEmpty(HRGN region) {
    RECT box{};
    return GetRgnBox(region, &box) == NULLREGION || IsRectEmpty(&box);
}

void UniteRegions(HRGN region, HRGN other) {
    CombineRgn(region, region, other, RGN_OR);
}

void EditUnitInitialize() {
    Screen().SetCursors(crcxEditMouseWheel, LoadCursorA(GetModuleHandleA(nullptr), "CXEDIT_MOUSEWHEEL"));
    EditPropertiesInitialize();
}

void EditUnitFinalize() {
    editPropertiesClassList.reset();
    EditPropertiesFinalize();
}
