// The skin info over skins made through the model: lookups, placeholders, the form step, the
// adjustment rules and what a failed or nested run leaves behind.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "SkinDrawingSupport.h"
#include "platform/core/Exceptions.h"

using namespace skindraw;

namespace {
const std::map<std::string, std::string>& GroupNames() {
    static const std::map<std::string, std::string> names = {
#define VZ_NAME(field, name) {#field, name},
        VZ_SKIN_INFO_GROUPS(VZ_NAME)
#undef VZ_NAME
    };
    return names;
}

struct ElementName {
    std::string group, name;
    bool placeholder;
};

// Every element the lookups name, with its group.
std::vector<ElementName> LookedUpElements() {
    std::vector<ElementName> result;
#define VZ_ADD(field, group, name, placeholder)                                                              \
    result.push_back({GroupNames().at(#group), name, placeholder});
    VZ_SKIN_INFO_BARS(VZ_ADD)
    VZ_SKIN_INFO_DOCKING(VZ_ADD)
    VZ_SKIN_INFO_BUTTONS(VZ_ADD)
    VZ_SKIN_INFO_GROUP_PANELS(VZ_ADD)
    VZ_SKIN_INFO_GRID_LINES(VZ_ADD)
    VZ_SKIN_INFO_NAVIGATION(VZ_ADD)
    VZ_SKIN_INFO_NAVIGATORS(VZ_ADD)
    VZ_SKIN_INFO_SCHEDULER(VZ_ADD)
    VZ_SKIN_INFO_HEADERS(VZ_ADD)
    VZ_SKIN_INFO_PAGE_CONTROL(VZ_ADD)
    VZ_SKIN_INFO_PROGRESS(VZ_ADD)
    VZ_SKIN_INFO_SCROLL_BARS(VZ_ADD)
    VZ_SKIN_INFO_RIBBON(VZ_ADD)
    VZ_SKIN_INFO_LAST(VZ_ADD)
#undef VZ_ADD
    for (const char* name :
         {"ComboButtonGlyph", "SpinUpGlyph", "SpinDownGlyph", "SpinLeftGlyph", "SpinRightGlyph"})
        result.push_back({"Editors", name, true});
    for (const char* name :
         {"FormFrameLeft", "FormFrameRight", "FormFrameBottom", "FormCaption", "SmallFormCaption",
          "SmallFormButtonClose", "FormButtonHelp", "FormButtonMinimize", "FormButtonMaximize",
          "FormButtonRestore", "FormButtonClose", "FormContent"})
        result.push_back({"Form", name, true});
    return result;
}

// A skin holding every group and every element the lookups add placeholders for, less the
// groups and elements named in the exclusions, with a normalised 2-pixel form frame.
std::unique_ptr<TdxSkin> CompleteSkin(const std::set<std::string>& without = {}) {
    auto skin = std::make_unique<TdxSkin>("Fixture");
    for (const auto& group : GroupNames())
        if (!without.count(group.second)) skin->AddGroup(group.second);
    for (const ElementName& e : LookedUpElements()) {
        if (!e.placeholder || without.count(e.group) || without.count(e.name)) continue;
        TdxSkinElement* element = skin->GetGroupByName(e.group)->GetElementByName(e.name);
        if (!element) element = skin->GetGroupByName(e.group)->AddElement(e.name);
        element->SetColor(TColor(RGB(10, 20, 30)));
    }
    for (const char* name : {"ContainerBorderColor", "ContentColor", "SelectionColor"})
        skin->AddColor(name, TColor(RGB(1, 2, 3)));
    return skin;
}

TdxSkinElement* ElementOf(TdxSkin& skin, const char* group, const char* name) {
    return skin.GetGroupByName(group)->GetElementByName(name);
}

// Every object of the skin's current content.
std::set<const void*> Content(TdxSkin& skin) {
    std::set<const void*> objects;
    auto properties = [&](TdxSkinPersistent& owner) {
        for (int i = 0; i < owner.PropertyCount(); ++i)
            objects.insert(owner.PropertyAt(i));
    };
    properties(skin);
    for (int i = 0; i < skin.ColorCount(); ++i)
        objects.insert(skin.ColorAt(i));
    for (int g = 0; g < skin.GroupCount(); ++g) {
        TdxSkinControlGroup* group = skin.GroupAt(g);
        objects.insert(group);
        properties(*group);
        for (int e = 0; e < group->ElementCount(); ++e) {
            objects.insert(group->ElementAt(e));
            properties(*group->ElementAt(e));
        }
    }
    return objects;
}

// Every reference the info holds, in a fixed order.
std::vector<const void*> References(TdxSkinInfo& info) {
    std::vector<const void*> refs = SkinInfoElementReferences(info);
#define VZ_REF(field, ...) refs.push_back(info.field);
    VZ_SKIN_INFO_FINAL_COLORS(VZ_REF)
#undef VZ_REF
    const void* others[] = {info.FormContent,
                            info.FormTextColorInactive,
                            info.FormTextShadowColor,
                            info.ButtonDisabledText,
                            info.ScreenTipItem,
                            info.ScreenTipTitleItem,
                            info.SchedulerAppointmentSeparatorColor,
                            info.RibbonAppMenuExtraPaneColor,
                            info.SchedulerAppointmentBorderSize,
                            info.NavPaneCaptionHeight,
                            info.NavPaneCaptionFontSize,
                            info.RibbonCaptionFontDelta};
    refs.insert(refs.end(), std::begin(others), std::end(others));
    for (auto& orientation : info.ScrollBarParts)
        for (TdxSkinScrollInfo* part : orientation)
            refs.push_back(part ? part->Element : nullptr);
    return refs;
}

int PartCount(TdxSkinInfo& info) {
    int count = 0;
    for (auto& orientation : info.ScrollBarParts)
        for (TdxSkinScrollInfo* part : orientation)
            count += part != nullptr;
    return count;
}

int PlaceholderCount(TdxSkin& skin) {
    int count = 0;
    for (int g = 0; g < skin.GroupCount(); ++g) {
        count += skin.GroupAt(g)->LookupState == 2;
        for (int e = 0; e < skin.GroupAt(g)->ElementCount(); ++e)
            count += skin.GroupAt(g)->ElementAt(e)->LookupState == 2;
    }
    return count;
}

TEST(SkinInfo, CompleteSkinNeedsNoPlaceholderAndLeavesTheOptionalOnesNil) {
    TdxSkinInfo info(CompleteSkin().release());
    EXPECT_EQ(PlaceholderCount(*info.Skin), 0);
    EXPECT_EQ(info.MainMenuCustomize, nullptr);
    EXPECT_EQ(info.MainMenuDrag, nullptr);
    EXPECT_EQ(info.SchedulerTimeGridCurrentTimeIndicator, nullptr);
    EXPECT_EQ(info.ContentTextColor, nullptr);
    ASSERT_NE(info.ContentColor, nullptr);
    EXPECT_EQ(info.ContentColor->LookupState, 1);
    // Same names in two groups land in the right references.
    EXPECT_EQ(info.CommonButton, ElementOf(*info.Skin, "Common", "Button"));
    EXPECT_EQ(info.RibbonButton, ElementOf(*info.Skin, "Ribbon", "Button"));
    EXPECT_EQ(info.VerticalGridGridLine, ElementOf(*info.Skin, "VerticalGrid", "GridLine"));
    EXPECT_EQ(info.EditButtonGlyphs[2], info.EditorButton);
    EXPECT_EQ(info.EditButtonGlyphs[3], info.EditorButton);
    EXPECT_EQ(info.EditButtonGlyphs[7], ElementOf(*info.Skin, "Editors", "SpinRightGlyph"));
    EXPECT_EQ(info.FormFrames[0][1], ElementOf(*info.Skin, "Form", "SmallFormCaption"));
    EXPECT_EQ(info.FormFrames[1][1], ElementOf(*info.Skin, "Form", "FormCaption"));
    EXPECT_EQ(info.FormCaptionButtons[0][4], nullptr);
    EXPECT_EQ(info.FormCaptionButtons[1][0], nullptr);
    EXPECT_EQ(info.FormCaptionButtons[1][5], ElementOf(*info.Skin, "Form", "FormButtonClose"));
    ASSERT_EQ(PartCount(info), 12);
    EXPECT_EQ(info.ScrollBarParts[0][0]->Element, nullptr);
    EXPECT_EQ(info.ScrollBarParts[1][2]->Element, info.ScrollButton);
    EXPECT_EQ(info.ScrollBarParts[1][2]->ImageIndex, 3);
    EXPECT_EQ(info.ScrollBarParts[0][3]->Element, info.ScrollThumbVert);
    EXPECT_EQ(info.ScrollBarParts[1][5]->Element, info.ScrollContentHorz);
    EXPECT_EQ(info.FormCaptionFontDelta, 1);
}

TEST(SkinInfo, MissingCheckboxBecomesARedCrossOverAnyRectangle) {
    TdxSkinInfo info(CompleteSkin({"Checkbox"}).release());
    ASSERT_NE(info.Checkbox, nullptr);
    EXPECT_EQ(info.Checkbox->LookupState, 2);
    EXPECT_EQ(PlaceholderCount(*info.Skin), 1);
    for (TRect r : {TRect{0, 0, 64, 64}, TRect{0, 0, 90, 30}}) {
        TPaintSurface surface(100, 70, RGB(0, 0, 255));
        info.Checkbox->Render(surface.DC(), r, 0, esNormal);
        const int w = r.right, h = r.bottom;
        // The stretch may soften a stroke's edge: red enough is red.
        auto red = [&](int x, int y) {
            COLORREF c = surface.At(x, y);
            return GetRValue(c) > 150 && GetGValue(c) < 60 && GetBValue(c) < 60;
        };
        EXPECT_TRUE(red(w / 2, h / 2));                      // where the strokes cross
        EXPECT_TRUE(red(w / 4, h / 4));                      // on the falling stroke
        EXPECT_TRUE(red(w / 4, h - 1 - h / 4));              // on the rising stroke
        EXPECT_FALSE(red(w / 2, h / 8));                     // between them
        EXPECT_EQ(surface.At(w + 2, h / 2), RGB(0, 0, 255)); // outside untouched
    }
}

TEST(SkinInfo, MissingSchedulerGroupGetsPlaceholders) {
    TdxSkinInfo info(CompleteSkin({"Scheduler"}).release());
    ASSERT_NE(info.GroupScheduler, nullptr);
    EXPECT_EQ(info.GroupScheduler->LookupState, 2);
    EXPECT_EQ(info.SchedulerTimeGridCurrentTimeIndicator, nullptr);
    EXPECT_EQ(info.GroupScheduler->ElementCount(), 17);
    for (int e = 0; e < info.GroupScheduler->ElementCount(); ++e)
        EXPECT_EQ(info.GroupScheduler->ElementAt(e)->LookupState, 2);
    EXPECT_EQ(info.SchedulerAppointmentBorderSize, nullptr);
    EXPECT_EQ(info.SchedulerNavigatorColor, nullptr);
}

TEST(SkinInfo, WithoutASkinEverythingIsNil) {
    TdxSkinInfo info(nullptr);
    for (const void* ref : References(info))
        EXPECT_EQ(ref, nullptr);
    EXPECT_EQ(PartCount(info), 0);
}

TEST(SkinInfo, CaptionFontDelta) {
    struct Case {
        bool present;
        int value;
        int expected;
    };
    for (const Case& c : {Case{false, 0, 1}, Case{true, 0, 1}, Case{true, 3, 3}}) {
        auto skin = CompleteSkin();
        if (c.present)
            ElementOf(*skin, "Form", "FormCaption")
                ->AddProperty<TdxSkinIntegerProperty>("FontDelta")
                ->SetValue(c.value);
        TdxSkinInfo info(skin.release());
        EXPECT_EQ(info.FormCaptionFontDelta, c.expected) << c.value;
    }
}

TEST(SkinInfo, FormFramesNormalisedSizedAndOnePixelFramesKeepTheirColumn) {
    auto skin = CompleteSkin();
    // Old-style frames: one state esNormal, so one frame per strip.
    SetStrip(ElementOf(*skin, "Form", "FormFrameLeft")->Image(), 1, 8, {RGB(255, 0, 0)});
    SetStrip(ElementOf(*skin, "Form", "FormFrameRight")->Image(), 4, 8, {RGB(255, 0, 0)});
    SetStrip(ElementOf(*skin, "Form", "FormFrameBottom")->Image(), 8, 1, {RGB(255, 0, 0)});
    for (const char* name : {"FormFrameLeft", "FormFrameRight", "FormFrameBottom"}) {
        ElementOf(*skin, "Form", name)->Image().SetStates(StateBit(esNormal));
        ElementOf(*skin, "Form", name)->Image().Margins().AssignRect(TRect{2, 2, 2, 2});
    }
    ElementOf(*skin, "Form", "FormButtonClose")->Image().SetStates(MakeStates({esNormal, esActive}));
    ElementOf(*skin, "Form", "FormButtonClose")->Image().SetStretch(smTile);
    int notifications = 0;
    skin->OnChange = [&](TObject*) { ++notifications; };
    TdxSkinInfo info(skin.release());
    EXPECT_EQ(notifications, 0); // the normalisation tells nobody
    const TdxSkinElementStates active = MakeStates({esActive, esActiveDisabled});
    EXPECT_EQ(info.FormFrames[1][0]->Image().States(), active);
    EXPECT_EQ(info.FormFrames[1][1]->Image().States(), active);
    EXPECT_EQ(info.FormCaptionButtons[1][5]->Image().States(), MakeStates({esNormal, esActiveDisabled}));
    EXPECT_EQ(info.FormCaptionButtons[1][5]->Image().Stretch(), smStretch);
    // Two states now share each strip: left 1 / 2, right 4 / 2, bottom by its height 1.
    EXPECT_EQ(info.FormFrameSizes[1].left, 0); // a 1-pixel strip of two states: frames of width 0
    EXPECT_EQ(info.FormFrameSizes[1].right, 2);
    EXPECT_EQ(info.FormFrameSizes[1].bottom, 1);
    EXPECT_EQ(info.FormFrameSizes[1].top, 0);
    EXPECT_TRUE(info.FormFrames[1][3]->Image().Margins().SameRect(TRect{2, 0, 2, 1}));
    EXPECT_TRUE(info.FormFrames[1][2]->Image().Margins().SameRect(TRect{2, 2, 2, 2}));
}

TEST(SkinInfo, OnePixelSideFramesGetOneColumnMargins) {
    auto skin = CompleteSkin();
    for (const char* name : {"FormFrameLeft", "FormFrameRight"}) {
        SetStrip(ElementOf(*skin, "Form", name)->Image(), 1, 8, {RGB(255, 0, 0), RGB(0, 255, 0)});
        ElementOf(*skin, "Form", name)->Image().SetStates(MakeStates({esActive, esActiveDisabled}));
        ElementOf(*skin, "Form", name)->Image().Margins().AssignRect(TRect{3, 3, 3, 3});
    }
    TdxSkinInfo info(skin.release());
    EXPECT_TRUE(info.FormFrames[1][0]->Image().Margins().SameRect(TRect{1, 3, 0, 3}));
    EXPECT_TRUE(info.FormFrames[1][2]->Image().Margins().SameRect(TRect{0, 3, 1, 3}));
    EXPECT_EQ(info.FormFrameSizes[0].left, 1);
    EXPECT_EQ(info.FormFrameSizes[1].right, 1);
    // Already normalised: the states stay.
    EXPECT_EQ(info.FormFrames[1][0]->Image().States(), MakeStates({esActive, esActiveDisabled}));
}

TEST(SkinInfo, ColourRules) {
    auto skin = CompleteSkin();
    ElementOf(*skin, "Form", "FormContent")->SetColor(TColor(RGB(1, 99, 7)));
    SetStrip(ElementOf(*skin, "Grid", "GridGroupPanel")->Image(), 4, 4, {RGB(0, 0, 0)});
    TdxSkinInfo info(skin.release());
    EXPECT_EQ(info.GridGroupPanel->Color(), clNone);
    EXPECT_EQ(info.ScrollButton->Color(), TColor(RGB(1, 99, 7)));
    EXPECT_EQ(info.TabButtonHorz->Color(), TColor(RGB(1, 99, 7)));
    EXPECT_EQ(info.TabButtonVert->Color(), TColor(RGB(1, 99, 7)));
    EXPECT_EQ(info.CommonButton->Color(), TColor(RGB(10, 20, 30)));
}

TEST(SkinInfo, LookupsByKindAndTheirDefaults) {
    auto skin = CompleteSkin();
    TdxSkinControlGroup* docking = skin->GetGroupByName("Docking");
    docking->AddProperty<TdxSkinIntegerProperty>("ActiveTabHeaderHGrow")->SetValue(5);
    docking->AddProperty<TdxSkinColor>("TabHeaderTextColor")->SetValue(TColor(RGB(4, 5, 6)));
    ElementOf(*skin, "Ribbon", "QATAboveBackground")
        ->AddProperty<TdxSkinBooleanProperty>("DisplayCustomizeButtonOutsideQAT")
        ->SetValue(true);
    ElementOf(*skin, "Ribbon", "StatusBarButton")->AddProperty<TdxSkinColor>("TextColorHot")->SetValue(clRed);
    ElementOf(*skin, "Ribbon", "FormCaption")
        ->AddProperty<TdxSkinColor>("TextColorInactive")
        ->SetValue(TColor(RGB(7, 8, 9)));
    TdxSkinInfo info(skin.release());
    EXPECT_EQ(info.DockingActiveTabHeaderHGrow, 5);
    EXPECT_EQ(info.DockingActiveTabHeaderUpGrow, 0);
    ASSERT_NE(info.DockingTabHeaderTextColor, nullptr);
    EXPECT_EQ(info.DockingTabHeaderTextColor->Value(), TColor(RGB(4, 5, 6)));
    EXPECT_EQ(info.DockingTabHeaderTextColorActive, nullptr);
    ASSERT_NE(info.RibbonQATAboveBackgroundDisplayCustomizeButtonOutsideQAT, nullptr);
    EXPECT_TRUE(info.RibbonQATAboveBackgroundDisplayCustomizeButtonOutsideQAT->Value());
    EXPECT_EQ(info.RibbonStatusBarButtonTextColorHot, clRed);
    EXPECT_EQ(info.RibbonStatusBarButtonTextColor, clDefault);
    EXPECT_EQ(info.RibbonFormCaptionTextColorInactive, TColor(RGB(7, 8, 9)));
    EXPECT_EQ(info.RibbonCaptionTextColorInactive, TColor(RGB(7, 8, 9)));
}

TEST(SkinInfo, AnotherPackLoadedMovesEveryReferenceIntoTheNewContent) {
    TdxSkinInfo info(CompleteSkin().release());
    TMemoryStream pack;
    CompleteSkin()->SaveToStream(&pack);
    pack.SetPosition(0);
    info.Skin->LoadFromStream(&pack);
    std::set<const void*> content = Content(*info.Skin);
    int found = 0;
    for (const void* ref : References(info)) {
        if (!ref) continue;
        EXPECT_TRUE(content.count(ref)) << ref;
        ++found;
    }
    EXPECT_GT(found, 200);
    EXPECT_EQ(PartCount(info), 12);
}

TEST(SkinInfo, InvalidCastLeavesEveryReferenceNilOrInTheNewContent) {
    TdxSkinInfo info(CompleteSkin().release());
    auto bad = CompleteSkin();
    // A colour name holding an integer: read late in the run, after most references are set.
    bad->GetGroupByName("Editors")->AddProperty<TdxSkinIntegerProperty>("TextColor")->SetValue(1);
    TMemoryStream pack;
    bad->SaveToStream(&pack);
    pack.SetPosition(0);
    EXPECT_THROW(info.Skin->LoadFromStream(&pack), EInvalidCast);
    std::set<const void*> content = Content(*info.Skin);
    for (const void* ref : References(info))
        EXPECT_TRUE(!ref || content.count(ref)) << ref;
    EXPECT_EQ(info.EditorsTextColor, nullptr);
    EXPECT_EQ(info.ContentColor, nullptr); // past the failure
    // The direct run raises the same and still leaves nothing stale.
    EXPECT_THROW(info.InitializeInfo(), EInvalidCast);
    EXPECT_EQ(info.SelectionColor, nullptr);
}

TEST(SkinInfo, NestedRefreshGivesTheReferencesOfOneRunOverTheCompletedSkin) {
    TdxSkinInfo info(CompleteSkin({"Checkbox", "Scheduler", "SizeGrip", "ScrollButton"}).release());
    ASSERT_EQ(PartCount(info), 12);
    std::vector<const void*> nested = References(info);
    EXPECT_EQ(PlaceholderCount(*info.Skin), 1 + 17 + 3);
    info.FinalizeInfo();
    info.InitializeInfo();
    EXPECT_EQ(References(info), nested);
    EXPECT_EQ(PartCount(info), 12);
    std::set<const void*> content = Content(*info.Skin);
    for (const void* ref : nested)
        EXPECT_TRUE(!ref || content.count(ref));
}

TEST(SkinInfo, ScrollInfoDrawsWithTheCallersIndex) {
    TdxSkinInfo info(CompleteSkin().release());
    SetStrip(info.ScrollButton->Image(), 4, 4,
             {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)});
    info.ScrollButton->SetImageCount(4);
    TPaintSurface surface(10, 10);
    EXPECT_TRUE(info.ScrollBarParts[1][1]->Draw(surface.DC(), TRect{0, 0, 10, 10}, 2, esNormal));
    EXPECT_EQ(surface.At(5, 5), RGB(0, 0, 255));
    EXPECT_FALSE(info.ScrollBarParts[1][0]->Draw(surface.DC(), TRect{0, 0, 10, 10}, 0, esNormal));
}
} // namespace
