#include "ui/editors/framework/EditorStrings.h"

VZ_EDITOR_STRINGS(VZ_DEFINE_RES_STRING)

const char* const EditorStringsGroup = "cxEditor";

namespace {
void Fill(TdxProductResourceStrings* product) {
    VZ_EDITOR_STRINGS(VZ_ADD_RES_STRING)
}
} // namespace

void EditorStringsInitialize() {
    GetResourceStringsRepository()->AddProduct(EditorStringsGroup, Fill);
}

void EditorStringsFinalize() {
    GetResourceStringsRepository()->RemoveProduct(EditorStringsGroup);
}
