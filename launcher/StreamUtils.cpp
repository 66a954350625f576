#include "launcher/Utils.h"
#include "platform/core/Streams.h"

std::unique_ptr<TMemoryStream> BytesToStream(const std::vector<uint8_t>& bytes) {
    auto stream = std::make_unique<TMemoryStream>();
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    stream->SetPosition(0);
    return stream;
}

std::vector<uint8_t> StreamToBytes(TStream& stream) {
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
    stream.SetPosition(0);
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}
