#pragma once
// The messages the data-access layer sends to an external monitor, and how they are encoded:
// big-endian 32-bit integers, texts as UTF-8 after their byte length.
#include <cstdint>
#include <vector>

#include "platform/core/ObjectModel.h"
#include "platform/core/Strings.h"

// What writes a message's fields.
class TMessagePacker : public TObject {
public:
    VZ_CLASS(TMessagePacker, TObject)
    virtual void WriteByte(uint8_t value) = 0;
    virtual void WriteInteger(int32_t value) = 0;
    virtual void WriteString(const WideString& value) = 0;
};

// The message type codes on the wire.
constexpr int32_t mtEvent = 1;
constexpr int32_t mtStartup = 2;
constexpr int32_t mtEventStart = 4;
constexpr int32_t mtEventEnd = 5;
constexpr int32_t mtProbe = 6;

struct TMsgSQLParam {
    WideString Name;
    WideString DataType;
    WideString ParamType;
    WideString Value;
};
using TMsgSQLParams = std::vector<TMsgSQLParam>;

class TMonitorMessage : public TObject {
public:
    VZ_CLASS(TMonitorMessage, TObject)
    int32_t ProcessId = 0;
    virtual int32_t MessageType() const = 0;
    // The fields after the message type.
    virtual void Write(TMessagePacker& packer) const;
};

class TEventMessage : public TMonitorMessage {
public:
    VZ_CLASS(TEventMessage, TMonitorMessage)
    int32_t EventType = 0;
    WideString Description;
    int32_t MessageType() const override { return mtEvent; }
    void Write(TMessagePacker& packer) const override;
};

class TStartupMessage : public TEventMessage {
public:
    VZ_CLASS(TStartupMessage, TEventMessage)
    WideString ExeName;
    // Kept with the message, not sent.
    WideString Host;
    int32_t MessageType() const override { return mtStartup; }
    void Write(TMessagePacker& packer) const override;
};

class TEventStartMessage : public TEventMessage {
public:
    VZ_CLASS(TEventStartMessage, TEventMessage)
    int32_t EventID = 0;
    uint32_t StartTime = 0;
    int32_t ObjectID = 0;
    WideString ObjectName;
    int32_t ObjectType = 0;
    WideString ObjectTypeName;
    int32_t ParentID = 0;
    WideString ParentName;
    int32_t ParentType = 0;
    WideString ParentTypeName;
    WideString SQL;
    TMsgSQLParams Params;
    std::vector<WideString> CallStack;
    int32_t MessageType() const override { return mtEventStart; }
    void Write(TMessagePacker& packer) const override;
};

class TEventEndMessage : public TEventMessage {
public:
    VZ_CLASS(TEventEndMessage, TEventMessage)
    int32_t EventID = 0;
    uint32_t EndTime = 0;
    bool Failed = false;
    WideString ErrorText;
    TMsgSQLParams Params;
    int32_t RowsAffected = 0;
    int32_t MessageType() const override { return mtEventEnd; }
    void Write(TMessagePacker& packer) const override;
};
