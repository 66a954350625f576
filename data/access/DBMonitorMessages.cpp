#include "data/access/DBMonitorMessages.h"

namespace {
void WriteParams(TMessagePacker& packer, const TMsgSQLParams& params) {
    packer.WriteInteger(static_cast<int32_t>(params.size()));
    for (const TMsgSQLParam& param : params) {
        packer.WriteString(param.Name);
        packer.WriteString(param.DataType);
        packer.WriteString(param.ParamType);
        packer.WriteString(param.Value);
    }
}
} // namespace

void TMonitorMessage::Write(TMessagePacker& packer) const {
    packer.WriteInteger(ProcessId);
}

void TEventMessage::Write(TMessagePacker& packer) const {
    TMonitorMessage::Write(packer);
    packer.WriteInteger(EventType);
    packer.WriteString(Description);
}

void TStartupMessage::Write(TMessagePacker& packer) const {
    TEventMessage::Write(packer);
    packer.WriteString(ExeName);
}

void TEventStartMessage::Write(TMessagePacker& packer) const {
    TEventMessage::Write(packer);
    packer.WriteInteger(EventID);
    packer.WriteInteger(static_cast<int32_t>(StartTime));
    packer.WriteInteger(ObjectID);
    packer.WriteString(ObjectName);
    packer.WriteInteger(ObjectType);
    packer.WriteString(ObjectTypeName);
    packer.WriteInteger(ParentID);
    packer.WriteString(ParentName);
    packer.WriteInteger(ParentType);
    packer.WriteString(ParentTypeName);
    packer.WriteString(SQL);
    WriteParams(packer, Params);
    packer.WriteInteger(static_cast<int32_t>(CallStack.size()));
    for (const WideString& line : CallStack)
        packer.WriteString(line);
}

void TEventEndMessage::Write(TMessagePacker& packer) const {
    TEventMessage::Write(packer);
    packer.WriteInteger(EventID);
    packer.WriteInteger(static_cast<int32_t>(EndTime));
    packer.WriteInteger(Failed ? 1 : 0);
    packer.WriteString(ErrorText);
    WriteParams(packer, Params);
    packer.WriteInteger(RowsAffected);
}
