#pragma once
// Pack bytes from the test program's resources, containers made of them, and a snapshot of the
// user skin to see whether a load changed or notified it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../skins/SkinDrawingSupport.h"
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

// The probe skin: every frame one solid colour naming its element, image index and state.
struct TProbeElement {
    const char* Group;
    const char* Name;
    int ImageCount;
};

// Element numbers are their positions here, from 1.
inline const TProbeElement kProbeElements[] = {
    {"Editors", "Checkbox", 3},
    {"Editors", "RadioButton", 2},
    {"Grid", "PlusMinus", 2},
    {"Common", "ScrollButton", 4},
    {"Common", "ScrollThumbVert", 1},
    {"Common", "ScrollThumbHorz", 1},
    {"Common", "ScrollContentVert", 1},
    {"Common", "ScrollContentHorz", 1},
    {"Editors", "TrackBarTrack", 4},
    {"Editors", "TrackBarTrackVert", 4},
    {"Editors", "TrackBarThumb", 1},
    {"Editors", "TrackBarThumbUp", 1},
    {"Editors", "TrackBarThumbBoth", 1},
    {"Editors", "TrackBarThumbVert", 1},
    {"Editors", "TrackBarThumbVertUp", 1},
    {"Editors", "TrackBarThumbVertBoth", 1},
    {"Common", "Splitter", 1},
    {"Common", "SplitterHorz", 1},
    {"Grid", "FilterButton", 1},
    {"Grid", "FilterButtonActive", 1},
    {"Editors", "ProgressBorder", 1},
    {"Editors", "ProgressChunk", 1},
    {"Editors", "ProgressBorderVert", 1},
    {"Editors", "ProgressChunkVert", 1},
    {"Grid", "IndicatorImages", 3},
    {"Editors", "Navigator", 3},
    {"Editors", "NavigatorVert", 2},
    {"Editors", "CloseButton", 1},
    {"Common", "GroupPanelNoBorder", 1},
    {"Editors", "EditorButton", 1},
};

inline const TdxSkinElementState kProbeStates[] = {esNormal, esHot, esPressed, esDisabled};

inline COLORREF ProbeColor(int element, int imageIndex, TdxSkinElementState state) {
    return RGB(element * 8, 40 + imageIndex * 40, 40 + static_cast<int>(state) * 40);
}

inline int ElementNumber(const char* name) {
    for (size_t i = 0; i < std::size(kProbeElements); ++i)
        if (std::string(kProbeElements[i].Name) == name) return static_cast<int>(i) + 1;
    return 0;
}

inline constexpr int kFrame = 8;

// Solid elements outside the probe numbering.
inline const COLORREF kFooterCellColor = RGB(5, 250, 5), kSizeGripColor = RGB(250, 5, 250),
               kArrowColor = RGB(5, 5, 250);
// The editor button's frame against the navigator's 8 x 8 glyph.
inline constexpr int kEditorButtonWidth = 13, kEditorButtonHeight = 11;

inline TdxSkin* MakeProbeSkin(bool disabledText = true) {
    auto* skin = new TdxSkin("Probe");
    skin->Name = "Probe";
    for (size_t i = 0; i < std::size(kProbeElements); ++i) {
        const TProbeElement& probe = kProbeElements[i];
        TdxSkinControlGroup* group = skin->GetGroupByName(probe.Group);
        if (!group) group = skin->AddGroup(probe.Group);
        TdxSkinElement* element = group->AddElement(probe.Name);
        element->SetImageCount(probe.ImageCount);
        std::vector<COLORREF> frames;
        for (int index = 0; index < probe.ImageCount; ++index)
            for (TdxSkinElementState state : kProbeStates)
                frames.push_back(ProbeColor(static_cast<int>(i) + 1, index, state));
        element->Image().SetStates(MakeStates({esNormal, esHot, esPressed, esDisabled}));
        const bool editorButton = std::string(probe.Name) == "EditorButton";
        skindraw::SetStrip(element->Image(), editorButton ? kEditorButtonWidth : kFrame,
                           editorButton ? kEditorButtonHeight : kFrame, frames);
    }
    // Pictures whose one-pixel edges show where a frame was drawn.
    for (auto [group, name] : {std::pair{"Common", "Header"}, std::pair{"Scheduler", "NavButtonPrev"},
                               std::pair{"Scheduler", "NavButtonNext"}, std::pair{"Common", "Button"},
                               std::pair{"Common", "GroupPanelTop"}, std::pair{"Grid", "FooterPanel"},
                               std::pair{"Common", "GroupPanel"}}) {
        TdxSkinControlGroup* owner = skin->GetGroupByName(group);
        if (!owner) owner = skin->AddGroup(group);
        TdxSkinElement* element = owner->AddElement(name);
        element->Image().SetStates(MakeStates({esNormal}));
        skindraw::SetNinePartPicture(element->Image(), kFrame, 1);
    }
    skin->GetGroupByName("Common")
        ->GetElementByName("GroupPanelTop")
        ->ContentOffset()
        .AssignRect(TRect{2, 2, 2, 2});
    skin->AddColor("ContainerBorderColor", RGB(7, 77, 177));
    TdxSkinElement* button = skin->GetGroupByName("Common")->GetElementByName("Button");
    button->SetTextColor(RGB(10, 20, 30));
    if (disabledText) button->AddProperty<TdxSkinColor>("DisabledText")->SetValue(RGB(90, 80, 70));
    skin->GetGroupByName("Grid")
        ->GetElementByName("FooterPanel")
        ->ContentOffset()
        .AssignRect(TRect{3, 0, 2, 4});
    skin->GetGroupByName("Common")
        ->GetElementByName("GroupPanel")
        ->ContentOffset()
        .AssignRect(TRect{1, 1, 1, 1});
    auto addSolid = [&](const char* group, const char* name, TSize size, COLORREF color) {
        TdxSkinElement* element = skin->GetGroupByName(group)->AddElement(name);
        element->Image().SetStates(MakeStates({esNormal}));
        skindraw::SetStrip(element->Image(), size.cx, size.cy, {color});
        return element;
    };
    addSolid("Grid", "FooterCell", TSize{kFrame, kFrame}, kFooterCellColor);
    // Drawn at its size in the middle, so the fill around it shows.
    addSolid("Common", "SizeGrip", TSize{4, 4}, kSizeGripColor)->Image().SetStretch(smNoResize);
    addSolid("Scheduler", "NavButtonPrevArrow", TSize{6, 5}, kArrowColor);
    addSolid("Scheduler", "NavButtonNextArrow", TSize{6, 5}, kArrowColor);
    for (const char* name : {"NavButtonPrev", "NavButtonNext"}) {
        TdxSkinElement* element = skin->GetGroupByName("Scheduler")->GetElementByName(name);
        element->ContentOffset().AssignRect(TRect{2, 3, 4, 5});
        element->MinSize().SetWidth(30);
    }
    skin->GetGroupByName("Common")->AddElement("GroupPanelCaptionLeft")->SetTextColor(RGB(3, 4, 5));
    skin->GetGroupByName("Common")->AddElement("GroupPanelCaptionRight")->SetTextColor(RGB(6, 7, 8));
    skin->GetGroupByName("Editors")->GetElementByName("EditorButton")->SetTextColor(RGB(1, 2, 3));
    // A solid face with its hands' colour and a glass that lets everything through.
    TdxSkinElement* face = skin->GetGroupByName("Editors")->AddElement("ClockFace");
    face->Image().SetStates(MakeStates({esNormal}));
    skindraw::SetStrip(face->Image(), kFrame, kFrame, {RGB(0, 0, 120)});
    face->SetTextColor(RGB(250, 200, 0));
    TdxSkinElement* glass = skin->GetGroupByName("Editors")->AddElement("ClockGlass");
    glass->Image().SetStates(MakeStates({esNormal}));
    skindraw::SetPixels(glass->Image().Texture(), kFrame, kFrame, std::vector<DWORD>(kFrame * kFrame, 0));
    glass->Image().Changed();
    return skin;
}
