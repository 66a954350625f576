#pragma once
// Stream encryption with DES in ECB mode (through the system's CryptoAPI). The key is the first
// 8 bytes of the MD5 digest of the key text. The last block holds the remaining 0 to 7 bytes,
// zero-filled, with their count in its last byte.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

class ECipherException : public Exception {
public:
    using Exception::Exception;
};

class TOFDEncryptor : public TObject {
public:
    VZ_CLASS(TOFDEncryptor, TObject)
};

class TOFDDESEncryptor : public TOFDEncryptor {
public:
    VZ_CLASS(TOFDDESEncryptor, TOFDEncryptor)
    // New streams owned by the caller; source is read from its start.
    static std::unique_ptr<TMemoryStream> Encrypt(TStream* source, const AnsiString& keyText);
    // Raises ECipherException "Invalid file format" for a length that is not whole blocks.
    static std::unique_ptr<TMemoryStream> Decrypt(TStream* source, const AnsiString& keyText);

    // The raw cipher over whole 8-byte blocks with a raw 8-byte key.
    static std::vector<uint8_t> DesEcb(const uint8_t key[8], const std::vector<uint8_t>& data, bool encrypt);
    static void KeyFromText(const AnsiString& keyText, uint8_t key[8]);
};
