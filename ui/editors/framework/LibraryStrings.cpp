#include "ui/editors/framework/LibraryStrings.h"

VZ_LIBRARY_STRINGS(VZ_DEFINE_RES_STRING)

const char* const LibraryStringsGroup = "cxLibrary";

namespace {
void Fill(TdxProductResourceStrings* product) {
    VZ_LIBRARY_STRINGS(VZ_ADD_RES_STRING)
}
} // namespace

void LibraryStringsInitialize() {
    GetResourceStringsRepository()->AddProduct(LibraryStringsGroup, Fill);
}

void LibraryStringsFinalize() {
    GetResourceStringsRepository()->RemoveProduct(LibraryStringsGroup);
}
