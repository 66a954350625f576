#pragma once
// The data controller's messages (group "cxDataController").
#include "ui/editors/framework/StringTable.h"

#define VZ_DATA_MESSAGES(X)                                                                                  \
    X(cxSDataReadError, "Stream read error")                                                                 \
    X(cxSDataWriteError, "Stream write error")                                                               \
    X(cxSDataItemExistError, "Item already exists")                                                          \
    X(cxSDataRecordIndexError, "RecordIndex out of range")                                                   \
    X(cxSDataItemIndexError, "ItemIndex out of range")                                                       \
    X(cxSDataProviderModeError, "This operation is not supported in provider mode")                          \
    X(cxSDataInvalidStreamFormat, "Invalid stream format")                                                   \
    X(cxSDataRowIndexError, "RowIndex out of range")                                                         \
    X(cxSDataCustomDataSourceInvalidCompare, "GetInfoForCompare not implemented")                            \
    X(cxSDBDetailFilterControllerNotFound, "DetailFilterController not found")                               \
    X(cxSDBNotInGridMode, "DataController not in GridMode")                                                  \
    X(cxSDBKeyFieldNotFound, "Key Field not found")

VZ_DATA_MESSAGES(VZ_DECLARE_RES_STRING)

extern const char* const DataMessagesGroup;
void DataMessagesInitialize();
void DataMessagesFinalize();
