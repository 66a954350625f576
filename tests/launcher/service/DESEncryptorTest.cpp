#include <gtest/gtest.h>

#include "launcher/DESEncryptor.h"

namespace {

std::vector<uint8_t> Bytes(TStream& s) {
    s.SetPosition(0);
    std::vector<uint8_t> out(static_cast<size_t>(s.Size()));
    if (!out.empty()) s.ReadBuffer(out.data(), static_cast<int>(out.size()));
    return out;
}

std::unique_ptr<TMemoryStream> Stream(const std::vector<uint8_t>& bytes) {
    auto s = std::make_unique<TMemoryStream>();
    if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    return s;
}

TEST(DESEncryptorTest, MatchesThePublishedTestVector) {
    const uint8_t key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
    std::vector<uint8_t> plain = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    std::vector<uint8_t> cipher = TOFDDESEncryptor::DesEcb(key, plain, true);
    EXPECT_EQ(cipher, (std::vector<uint8_t>{0x85, 0xE8, 0x13, 0x54, 0x0F, 0x0A, 0xB4, 0x05}));
    EXPECT_EQ(TOFDDESEncryptor::DesEcb(key, cipher, false), plain);
}

TEST(DESEncryptorTest, FinalBlockCarriesTheRemainderCount) {
    for (size_t n : {0u, 1u, 7u, 8u, 9u, 1000u}) {
        std::vector<uint8_t> plain(n);
        for (size_t i = 0; i < n; ++i)
            plain[i] = static_cast<uint8_t>(i * 31);
        auto source = Stream(plain);
        source->SetPosition(static_cast<int64_t>(n)); // rewound by the encryptor
        auto enc = TOFDDESEncryptor::Encrypt(source.get(), "税务密钥");
        EXPECT_EQ(enc->Size(), static_cast<int64_t>(n / 8 * 8 + 8)) << n;
        uint8_t key[8];
        TOFDDESEncryptor::KeyFromText("税务密钥", key);
        std::vector<uint8_t> raw = TOFDDESEncryptor::DesEcb(key, Bytes(*enc), false);
        EXPECT_EQ(raw.back(), n % 8) << n;
        auto dec = TOFDDESEncryptor::Decrypt(enc.get(), "税务密钥");
        EXPECT_EQ(dec->Position(), 0);
        EXPECT_EQ(Bytes(*dec), plain) << n;
    }
}

TEST(DESEncryptorTest, BadInputRaisesInvalidFileFormat) {
    for (size_t n : {0u, 5u, 17u}) {
        auto source = Stream(std::vector<uint8_t>(n, 1));
        try {
            TOFDDESEncryptor::Decrypt(source.get(), "k");
            FAIL() << n;
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.Message(), "Invalid file format");
        }
    }
    // A wrong key makes the count byte garbage in nearly every case; it must not read past the data.
    auto enc = TOFDDESEncryptor::Encrypt(Stream({1, 2, 3}).get(), "right");
    try {
        auto dec = TOFDDESEncryptor::Decrypt(enc.get(), "wrong");
        EXPECT_LE(dec->Size(), 7);
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.Message(), "Invalid file format");
    }
}

} // namespace
