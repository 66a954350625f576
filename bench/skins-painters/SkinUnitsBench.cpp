// Starting the 22 skin units (packs, skin infos, registration) beside loading the same 22 packs
// into bare skins; LoadUserSkinFromFile of the skin-library file's third entry beside
// LoadUserSkinAt at that entry's offset. Prints both pairs and their ratios. The painting units
// need a display: run it under xvfb-run.
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/BenchTiming.h"
#include "platform/core/Streams.h"
#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPack.h"
#include "ui/skins/SkinPainters.h"
#include "ui/skins/SkinsUnits.h"

int main() {
    InitializeUnits(JoinUnits({PaintingCoreUnits(), SelectUnits(SkinsUnits(), {"dxSkinsCore"})}));
    const std::vector<UnitEntry> units = SkinPainterUnits(63);
    const HMODULE module = GetModuleHandle(nullptr);

    const double packs = BestTime<std::milli>(
        [&] {
            std::vector<std::unique_ptr<TdxSkin>> skins;
            skins.push_back(std::make_unique<TdxSkin>("DefaultUserSkinData", module, true));
            for (int i = 0; i < dxBuiltInSkinCount; ++i)
                skins.push_back(std::make_unique<TdxSkin>(BuiltInSkin(i).Name, module, true));
        },
        1, 3);
    const double started = BestTime<std::milli>(
        [&] {
            for (const UnitEntry& unit : units)
                unit.Initialize();
            for (auto unit = units.rbegin(); unit != units.rend(); ++unit)
                unit->Finalize();
        },
        1, 3);
    std::printf("22 packs loaded alone:     %8.1f ms\n", packs);
    std::printf("22 skin units started:     %8.1f ms  (%.3fx)\n", started, started / packs);

    for (const UnitEntry& unit : units)
        unit.Initialize();
    // The third entry's offset: header, count, then two entries of size and pack.
    int64_t third = 0;
    {
        TFileStream file(VZ_SKIN_LIBRARY, fmOpenRead | fmShareDenyNone);
        file.SetPosition(18 + 4);
        for (int i = 0; i < 2; ++i) {
            int32_t size = ReadPackInteger(&file);
            file.SetPosition(file.Position() + size);
        }
        third = file.Position() + 4;
    }
    const double at = BestTime<std::milli>(
        [&] {
            TFileStream file(VZ_SKIN_LIBRARY, fmOpenRead | fmShareDenyNone);
            LoadUserSkinAt(&file, third);
        },
        5, 5);
    const double fromFile =
        BestTime<std::milli>([&] { LoadUserSkinFromFile(VZ_SKIN_LIBRARY, "DadavAzodo"); }, 5, 5);
    std::printf("LoadUserSkinAt, third entry:      %8.2f ms\n", at);
    std::printf("LoadUserSkinFromFile, DadavAzodo: %8.2f ms  (%.3fx)\n", fromFile, fromFile / at);
    FinalizeUnits();
    return 0;
}
