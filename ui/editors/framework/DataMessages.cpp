#include "ui/editors/framework/DataMessages.h"

VZ_DATA_MESSAGES(VZ_DEFINE_RES_STRING)

const char* const DataMessagesGroup = "cxDataController";

namespace {
void Fill(TdxProductResourceStrings* product) {
    VZ_DATA_MESSAGES(VZ_ADD_RES_STRING)
}
} // namespace

void DataMessagesInitialize() {
    GetResourceStringsRepository()->AddProduct(DataMessagesGroup, Fill);
}

void DataMessagesFinalize() {
    GetResourceStringsRepository()->RemoveProduct(DataMessagesGroup);
}
