#include "ui/editors/framework/FilterStrings.h"

VZ_FILTER_STRINGS(VZ_DEFINE_RES_STRING)
VZ_EXT_EDIT_STRINGS(VZ_DEFINE_RES_STRING)
VZ_FILTER_CONTROL_STRINGS(VZ_DEFINE_RES_STRING)

const char* const FilterStringsGroup = "cxFilter";
const char* const ExtEditStringsGroup = "cxExtEdit";
const char* const FilterControlStringsGroup = "cxFilterControl";

namespace {
void FillFilter(TdxProductResourceStrings* product) {
    VZ_FILTER_STRINGS(VZ_ADD_RES_STRING)
}

void FillExtEdit(TdxProductResourceStrings* product) {
    VZ_EXT_EDIT_STRINGS(VZ_ADD_RES_STRING)
}

void FillFilterControl(TdxProductResourceStrings* product) {
    VZ_FILTER_CONTROL_STRINGS(VZ_ADD_RES_STRING)
}
} // namespace

void FilterStringsInitialize() {
    GetResourceStringsRepository()->AddProduct(FilterStringsGroup, FillFilter);
}

void FilterStringsFinalize() {
    GetResourceStringsRepository()->RemoveProduct(FilterStringsGroup);
}

void ExtEditStringsInitialize() {
    GetResourceStringsRepository()->AddProduct(ExtEditStringsGroup, FillExtEdit);
}

void ExtEditStringsFinalize() {
    GetResourceStringsRepository()->RemoveProduct(ExtEditStringsGroup);
}

void FilterControlStringsInitialize() {
    GetResourceStringsRepository()->AddProduct(FilterControlStringsGroup, FillFilterControl);
}

void FilterControlStringsFinalize() {
    GetResourceStringsRepository()->RemoveProduct(FilterControlStringsGroup);
}
