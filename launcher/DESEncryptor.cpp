#include "launcher/DESEncryptor.h"

#include <wincrypt.h>

#include <cstring>

namespace {

class Provider {
public:
    Provider() {
        if (!CryptAcquireContextA(&prov_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            throw ECipherException("Cannot open the cryptographic provider");
    }
    ~Provider() {
        if (key_) CryptDestroyKey(key_);
        CryptReleaseContext(prov_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    HCRYPTPROV Get() const { return prov_; }
    HCRYPTKEY key_ = 0;

private:
    HCRYPTPROV prov_ = 0;
};

std::vector<uint8_t> ReadAll(TStream* source) {
    source->SetPosition(0);
    std::vector<uint8_t> data(static_cast<size_t>(source->Size()));
    if (!data.empty()) source->ReadBuffer(data.data(), static_cast<int>(data.size()));
    return data;
}

std::unique_ptr<TMemoryStream> ToStream(const std::vector<uint8_t>& data, size_t size) {
    auto out = std::make_unique<TMemoryStream>();
    if (size) out->WriteBuffer(data.data(), static_cast<int>(size));
    out->SetPosition(0);
    return out;
}

} // namespace

void TOFDDESEncryptor::KeyFromText(const AnsiString& keyText, uint8_t key[8]) {
    Provider prov;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(prov.Get(), CALG_MD5, 0, 0, &hash))
        throw ECipherException("Cannot create the key digest");
    BYTE digest[16] = {};
    DWORD len = sizeof digest;
    BOOL ok = CryptHashData(hash, reinterpret_cast<const BYTE*>(keyText.data()),
                            static_cast<DWORD>(keyText.size()), 0) &&
              CryptGetHashParam(hash, HP_HASHVAL, digest, &len, 0);
    CryptDestroyHash(hash);
    if (!ok) throw ECipherException("Cannot create the key digest");
    std::memcpy(key, digest, 8);
}

std::vector<uint8_t> TOFDDESEncryptor::DesEcb(const uint8_t key[8], const std::vector<uint8_t>& data,
                                              bool encrypt) {
    if (data.size() % 8) throw ECipherException("Invalid file format");
    Provider prov;
    struct {
        BLOBHEADER header;
        DWORD size;
        BYTE key[8];
    } blob{};
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = CALG_DES;
    blob.size = 8;
    std::memcpy(blob.key, key, 8);
    if (!CryptImportKey(prov.Get(), reinterpret_cast<BYTE*>(&blob), sizeof blob, 0, 0, &prov.key_))
        throw ECipherException("Cannot import the DES key");
    DWORD mode = CRYPT_MODE_ECB;
    CryptSetKeyParam(prov.key_, KP_MODE, reinterpret_cast<BYTE*>(&mode), 0);
    std::vector<uint8_t> out = data;
    // Final stays FALSE: blocks are whole, the provider must not add its own padding.
    const size_t step = 1 << 16;
    for (size_t at = 0; at < out.size(); at += step) {
        DWORD n = static_cast<DWORD>(std::min(step, out.size() - at));
        BOOL ok = encrypt ? CryptEncrypt(prov.key_, 0, FALSE, 0, out.data() + at, &n, n)
                          : CryptDecrypt(prov.key_, 0, FALSE, 0, out.data() + at, &n);
        if (!ok) throw ECipherException("DES failed");
    }
    return out;
}

std::unique_ptr<TMemoryStream> TOFDDESEncryptor::Encrypt(TStream* source, const AnsiString& keyText) {
    uint8_t key[8];
    KeyFromText(keyText, key);
    std::vector<uint8_t> data = ReadAll(source);
    size_t rest = data.size() % 8;
    data.resize(data.size() - rest + 8, 0);
    data.back() = static_cast<uint8_t>(rest);
    std::vector<uint8_t> out = DesEcb(key, data, true);
    return ToStream(out, out.size());
}

std::unique_ptr<TMemoryStream> TOFDDESEncryptor::Decrypt(TStream* source, const AnsiString& keyText) {
    std::vector<uint8_t> data = ReadAll(source);
    if (data.empty() || data.size() % 8) throw ECipherException("Invalid file format");
    uint8_t key[8];
    KeyFromText(keyText, key);
    std::vector<uint8_t> out = DesEcb(key, data, false);
    unsigned rest = out.back();
    if (rest > 7) throw ECipherException("Invalid file format");
    return ToStream(out, out.size() - 8 + rest);
}
