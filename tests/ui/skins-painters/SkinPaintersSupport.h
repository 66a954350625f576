#pragma once
// Pack bytes from the test program's resources, containers made of them, and a snapshot of the
// user skin to see whether a load changed or notified it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/core/UnitTable.h"
#include "ui/skins/SkinPack.h"
#include "ui/skins/SkinPainters.h"

inline std::string PackBytes(const char* name) {
    TResourceStream resource(GetModuleHandle(nullptr), name, "DXSKINS");
    return std::string(static_cast<const char*>(resource.Memory()), static_cast<size_t>(resource.Size()));
}

inline std::string SkinBytes(TdxSkin& skin) {
    TMemoryStream stream;
    skin.SaveToStream(&stream);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

inline void AppendInteger(std::string& bytes, int32_t value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

// A skin-library file: header, entry count, then each entry's size and bytes.
struct TEntry {
    std::string Bytes;
    int32_t Size; // as recorded
};
inline TEntry Entry(const std::string& bytes) {
    return {bytes, static_cast<int32_t>(bytes.size())};
}

inline std::string Container(const std::vector<TEntry>& entries, double version = 1.02,
                             const char* signature = "dxSkin", int32_t count = -1000) {
    std::string bytes;
    AppendInteger(bytes, 6);
    bytes.append(signature, 6);
    bytes.append(reinterpret_cast<const char*>(&version), sizeof(version));
    AppendInteger(bytes, count == -1000 ? static_cast<int32_t>(entries.size()) : count);
    for (const TEntry& entry : entries) {
        AppendInteger(bytes, entry.Size);
        bytes += entry.Bytes;
    }
    return bytes;
}

// Counts the notifications of the skin it listens to.
class TSkinNotificationCounter : public IdxSkinChangeListener {
public:
    explicit TSkinNotificationCounter(TdxSkin* skin) : skin_(skin) { skin_->AddListener(this); }
    ~TSkinNotificationCounter() { skin_->RemoveListener(this); }
    void SkinChanged(TdxSkin*) override { ++Count; }
    int Count = 0;

private:
    TdxSkin* skin_;
};

// Puts the user skin back to its seed pack.
inline void RestoreUserSkin() {
    std::string seed = PackBytes("DefaultUserSkinData");
    TStringStream stream(seed);
    LoadUserSkinAt(&stream, 0);
}

// Ends and starts the given units by hand, in the order a unit table would, for tests that
// restart the skin units.
inline void StopSkinUnits(const std::vector<UnitEntry>& units) {
    for (auto unit = units.rbegin(); unit != units.rend(); ++unit)
        unit->Finalize();
}

inline void StartSkinUnits(const std::vector<UnitEntry>& units) {
    for (const UnitEntry& unit : units)
        unit.Initialize();
}
