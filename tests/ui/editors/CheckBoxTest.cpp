// The check box without a window: its values and texts, the setters' rules, the stored-when
// rules and the legacy caption entry, the state and Toggle with their events, loading, the action
// link, the filter helper and the unit's registrations.
#include <gtest/gtest.h>

#include <memory>

#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "platform/core/Strings.h"
#include "ui/editors/CheckBoxEdit.h"
#include "ui/editors/framework/EditRegistration.h"

namespace {
std::unique_ptr<TcxCheckBox> MakeCheckBox(bool inplace = false) {
    return TcxCustomEdit::CreateWithMode<TcxCheckBox>(nullptr, inplace);
}

Variant Text(const char* text) {
    return Variant(AnsiString(text));
}

// Counts the events a toggle fires.
struct TEventCounts {
    int change = 0, editValueChanged = 0, click = 0;
    void Attach(TcxCheckBox& box) {
        box.Properties()->OnChange = [this](TObject*) { ++change; };
        box.Properties()->OnEditValueChanged = [this](TObject*) { ++editValueChanged; };
        box.OnClick = [this](TObject*) { ++click; };
    }
};
} // namespace

TEST(CheckBoxProperties, DefaultsAndWhatIsStored) {
    TcxCheckBoxProperties p;
    EXPECT_FALSE(p.AllowGrayed());
    EXPECT_EQ(p.DisplayChecked(), L"True");
    EXPECT_EQ(p.DisplayGrayed(), L"");
    EXPECT_EQ(p.DisplayUnchecked(), L"False");
    EXPECT_EQ(p.GlyphCount(), 6);
    EXPECT_FALSE(p.HasGlyph());
    EXPECT_EQ(p.NullStyle(), nssGrayedChecked);
    EXPECT_EQ(p.Alignment()->Horz(), taLeftJustify);
    EXPECT_TRUE(p.ValueChecked().IsOrdinal() || p.ValueChecked().VarType() == varBoolean);
    EXPECT_TRUE(p.ValueGrayed().IsNull());
    EXPECT_FALSE(p.IsDisplayCheckedStored() || p.IsDisplayGrayedStored() || p.IsDisplayUncheckedStored());
    EXPECT_FALSE(p.IsValueCheckedStored() || p.IsValueGrayedStored() || p.IsValueUncheckedStored());
    EXPECT_FALSE(p.IsAlignmentStored());

    // A text stored only when it differs from the resource text exactly; a value unless it is the
    // default of the same type.
    p.SetDisplayChecked(L"true");
    p.SetValueChecked(Variant(1));
    p.SetValueGrayed(Text("?"));
    p.SetValueUnchecked(Variant(0));
    p.Alignment()->SetHorz(taLeftJustify);
    EXPECT_TRUE(p.IsDisplayCheckedStored());
    EXPECT_FALSE(p.IsDisplayUncheckedStored());
    EXPECT_TRUE(p.IsValueCheckedStored());
    EXPECT_TRUE(p.IsValueGrayedStored());
    EXPECT_TRUE(p.IsValueUncheckedStored());
    EXPECT_TRUE(p.IsAlignmentStored());

    EXPECT_EQ(p.GetSupportedOperations(), 1453u);
    EXPECT_EQ(p.GetFeatureFlags() & 4u, 4u);
    EXPECT_TRUE(p.IsActivationChar(' '));
    EXPECT_FALSE(p.IsActivationChar('x'));
    EXPECT_TRUE(p.NeedsValidation() && p.TracksDisplayChanges() && p.ComparesEditValues() &&
                p.RemembersEntryValue());
    EXPECT_FALSE(p.ShowsCaptionWhenInplace());
}

TEST(CheckBoxProperties, ValuesGiveStateAndDisplayText) {
    struct TCase {
        const char* what;
        Variant checked, grayed, unchecked, value;
        TcxCheckBoxState state;
        const wchar_t* text;
        bool valid;
    };
    const Variant dflt = Variant::Empty(); // keep the default value
    const TCase cases[] = {
        {"True", dflt, dflt, dflt, Variant(true), cbsChecked, L"True", true},
        {"False", dflt, dflt, dflt, Variant(false), cbsUnchecked, L"False", true},
        {"Null", dflt, dflt, dflt, Variant::Null(), cbsGrayed, L"", true},
        {"5 is none of them", dflt, dflt, dflt, Variant(5), cbsGrayed, L"", false},
        {"Y", Text("Y"), Text("?"), Text("N"), Text("Y"), cbsChecked, L"True", true},
        {"N", Text("Y"), Text("?"), Text("N"), Text("N"), cbsUnchecked, L"False", true},
        {"?", Text("Y"), Text("?"), Text("N"), Text("?"), cbsGrayed, L"", true},
        {"X against Y/N", Text("Y"), Text("?"), Text("N"), Text("X"), cbsGrayed, L"", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TcxCheckBoxProperties p;
        if (!c.grayed.IsEmpty()) p.SetValueGrayed(c.grayed);
        if (!c.checked.IsEmpty()) p.SetValueChecked(c.checked);
        if (!c.unchecked.IsEmpty()) p.SetValueUnchecked(c.unchecked);
        EXPECT_EQ(p.GetState(c.value), c.state);
        EXPECT_EQ(p.FormatDisplayText(c.value), c.text);
        EXPECT_EQ(p.IsEditValueValid(c.value), c.valid);
        Variant display;
        p.EditValueToDisplay(c.value, display, false);
        EXPECT_EQ(display.AsInteger(), static_cast<int>(c.state));
        EXPECT_TRUE(p.SameDisplayValue(c.value, p.StateToValue(c.state)));

        // The editor shows the same state and turns it back into the value.
        auto box = MakeCheckBox();
        box->SetProperties(&p);
        box->SetEditValue(c.value);
        EXPECT_EQ(box->State(), c.state);
        Variant back(static_cast<int>(c.state));
        box->ConvertDisplayToEdit(back, false);
        EXPECT_TRUE(VarSameTypeAndValue(back, p.StateToValue(c.state)));
    }
}

TEST(CheckBoxProperties, SettersRefuseValuesThatWouldMakeStatesAmbiguous) {
    auto box = MakeCheckBox();
    TcxCheckBoxProperties* p = box->Properties();
    int notified = 0;
    p->ChangedHandler = [&](TObject*) { ++notified; };

    p->SetValueChecked(Variant(false)); // the unchecked value
    EXPECT_TRUE(VarSameTypeAndValue(p->ValueChecked(), Variant(true)));
    p->SetValueUnchecked(Variant::Null()); // Null only for grayed
    EXPECT_TRUE(VarSameTypeAndValue(p->ValueUnchecked(), Variant(false)));
    p->SetValueGrayed(Variant(true));
    EXPECT_TRUE(p->ValueGrayed().IsNull());
    EXPECT_EQ(notified, 0);
    p->SetValueGrayed(Text("?"));
    p->SetValueGrayed(Variant::Null());
    EXPECT_TRUE(p->ValueGrayed().IsNull());
    EXPECT_EQ(notified, 2);

    // While the owner loads anything goes: the values arrive one by one.
    box->BeginLoading();
    p->SetValueChecked(Variant(false));
    p->SetValueUnchecked(Variant(true));
    EXPECT_TRUE(VarSameTypeAndValue(p->ValueChecked(), Variant(false)));
    EXPECT_TRUE(VarSameTypeAndValue(p->ValueUnchecked(), Variant(true)));
    box->Loaded();

    // Assign takes the three values only when they are distinct and checked/unchecked not Null.
    struct TAssignCase {
        const char* what;
        Variant checked, grayed, unchecked;
        bool taken;
    } cases[] = {
        {"distinct", Text("Y"), Text("?"), Text("N"), true},
        {"checked equals unchecked", Text("Y"), Text("?"), Text("Y"), false},
        {"grayed equals checked", Text("Y"), Text("Y"), Text("N"), false},
        {"grayed Null", Text("A"), Variant::Null(), Text("B"), true},
    };
    for (const TAssignCase& c : cases) {
        SCOPED_TRACE(c.what);
        TcxCheckBoxProperties target;
        TcxCheckBoxProperties source;
        TComponent owner(nullptr);
        owner.BeginLoading();
        // Built through a loading owner so that even the refused sets can be made.
        TcxCheckBoxProperties loading(&owner);
        loading.SetValueChecked(c.checked);
        loading.SetValueGrayed(c.grayed);
        loading.SetValueUnchecked(c.unchecked);
        target.Assign(&loading);
        EXPECT_EQ(VarSameTypeAndValue(target.ValueChecked(), c.checked), c.taken);
        EXPECT_EQ(VarSameTypeAndValue(target.ValueUnchecked(), c.unchecked), c.taken);
    }

    // GlyphCount notifies only while there is a glyph; a glyph change notifies.
    TcxCheckBoxProperties g;
    int changes = 0;
    g.ChangedHandler = [&](TObject*) { ++changes; };
    g.SetGlyphCount(4);
    EXPECT_EQ(changes, 0);
    TBitmap strip(40, 10);
    g.SetGlyph(&strip);
    EXPECT_GE(changes, 1);
    changes = 0;
    g.SetGlyphCount(3);
    EXPECT_EQ(changes, 1);
    g.SetGlyph(nullptr);
    EXPECT_FALSE(g.HasGlyph());
    EXPECT_EQ(changes, 2);
}

TEST(CheckBoxProperties, LegacyCaptionEntryIsReadNotWritten) {
    TMemoryStream stream;
    {
        TWriter writer(&stream);
        writer.WritePropertyName("Caption");
        writer.WriteText("Old caption");
        writer.WriteListEnd();
    }
    stream.SetPosition(0);
    TcxCheckBoxProperties p;
    TReader reader(&stream);
    reader.ReadProperties(&p);
    EXPECT_EQ(p.Caption(), "Old caption");
    EXPECT_TRUE(p.IsCaptionAssigned());

    TMemoryStream written;
    TWriter writer(&written);
    writer.WriteProperties(&p);
    written.SetPosition(0);
    TReader check(&written);
    TcxCheckBoxProperties copy;
    check.ReadProperties(&copy);
    EXPECT_FALSE(copy.IsCaptionAssigned());
}

TEST(CheckBoxEditor, ToggleCyclesAsTheUsersActionWithOneEventEach) {
    struct TCase {
        bool allowGrayed;
        TcxCheckBoxState from, to;
    } cases[] = {
        {false, cbsUnchecked, cbsChecked}, {false, cbsChecked, cbsUnchecked},
        {false, cbsGrayed, cbsChecked},    {true, cbsUnchecked, cbsGrayed},
        {true, cbsGrayed, cbsChecked},     {true, cbsChecked, cbsUnchecked},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.allowGrayed) + " from " + CheckBoxStateNames[c.from]);
        auto box = MakeCheckBox();
        box->Properties()->SetAllowGrayed(c.allowGrayed);
        box->SetState(c.from);
        TEventCounts events;
        events.Attach(*box);
        box->Toggle();
        EXPECT_EQ(box->State(), c.to);
        EXPECT_TRUE(box->Modified());
        EXPECT_EQ(events.change, 1);
        EXPECT_EQ(events.editValueChanged, 1);
        EXPECT_EQ(events.click, 1);
    }
}

TEST(CheckBoxEditor, ReadOnlyOrRefusedEditingKeepsTheState) {
    auto readOnly = MakeCheckBox();
    readOnly->Properties()->SetReadOnly(true);
    readOnly->Toggle();
    EXPECT_EQ(readOnly->State(), cbsUnchecked);
    EXPECT_FALSE(readOnly->Modified());

    auto refused = MakeCheckBox();
    int asked = 0;
    refused->OnEditing = [&](TObject*, bool& canEdit) {
        ++asked;
        canEdit = false;
    };
    TEventCounts events;
    events.Attach(*refused);
    refused->Toggle();
    EXPECT_GE(asked, 1);
    EXPECT_EQ(refused->State(), cbsUnchecked);
    EXPECT_EQ(events.change + events.editValueChanged + events.click, 0);

    // Setting the state by code is not the user's action: no edit mode is asked for.
    refused->SetChecked(true);
    EXPECT_TRUE(refused->Checked());
    refused->ClearValue();
    EXPECT_EQ(refused->State(), cbsUnchecked);
}

TEST(CheckBoxEditor, ImmediatePostPostsTheToggledValue) {
    auto cell = MakeCheckBox(true);
    int posted = 0;
    Variant value;
    cell->HostPostHandler = [&](TObject*) {
        ++posted;
        value = cell->EditValue();
    };
    cell->Toggle();
    EXPECT_EQ(posted, 0);
    cell->Properties()->ImmediatePost = true;
    cell->Toggle();
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(VarSameTypeAndValue(value, Variant(false)));
}

TEST(CheckBoxEditor, StateReadBeforeLoadingEndsIsAppliedAfterwards) {
    struct TCase {
        const char* what;
        bool setState;
        TcxCheckBoxState state;
        TcxCheckBoxState after;
    } cases[] = {
        {"a checked state", true, cbsChecked, cbsChecked},
        {"a grayed state", true, cbsGrayed, cbsGrayed},
        {"no state: unchecked by the loaded values", false, cbsChecked, cbsUnchecked},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto box = MakeCheckBox();
        TEventCounts events;
        events.Attach(*box);
        box->BeginLoading();
        // The state comes before the values it maps to.
        if (c.setState) box->SetState(c.state);
        box->Properties()->SetValueChecked(Text("Y"));
        box->Properties()->SetValueUnchecked(Text("N"));
        box->Properties()->SetValueGrayed(Text("?"));
        box->Loaded();
        EXPECT_EQ(box->State(), c.after);
        EXPECT_TRUE(VarSameTypeAndValue(box->EditValue(), box->Properties()->StateToValue(c.after)));
        EXPECT_EQ(events.click + events.change, 0);
    }
}

TEST(CheckBoxEditor, ActionLinkFollowsCheckedQuietlyUnlessGrayedOrChangedByHand) {
    auto box = MakeCheckBox();
    TAction action(nullptr);
    action.SetChecked(true);
    TEventCounts events;
    events.Attach(*box);
    box->SetAction(&action);
    EXPECT_TRUE(box->Checked());
    EXPECT_FALSE(box->IsStateStored());
    action.SetChecked(false);
    EXPECT_FALSE(box->Checked());
    action.SetChecked(true);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(events.change + events.editValueChanged + events.click, 0);

    // A grayed box is not linked.
    box->SetState(cbsGrayed);
    EXPECT_TRUE(box->IsStateStored());
    EXPECT_FALSE(box->ActionLink()->IsCheckedLinked());
    action.SetChecked(false);
    EXPECT_EQ(box->State(), cbsGrayed);

    // Nor one changed by hand to differ from the action; it follows again once they agree.
    box->SetChecked(true);
    EXPECT_FALSE(box->ActionLink()->IsCheckedLinked());
    action.SetChecked(true);
    EXPECT_TRUE(box->ActionLink()->IsCheckedLinked());
    action.SetChecked(false);
    EXPECT_FALSE(box->Checked());

    // The action going leaves the box without one.
    {
        TAction shortLived(nullptr);
        box->SetAction(&shortLived);
        EXPECT_EQ(box->Action(), &shortLived);
    }
    EXPECT_EQ(box->Action(), nullptr);
}

TEST(CheckBoxFilter, ComboOfTheTwoTextsAndRegistration) {
    TcxCheckBoxProperties p;
    p.SetDisplayChecked(L"Yes");
    p.SetDisplayUnchecked(L"No");
    WideString items[2];
    TcxFilterCheckBoxHelper::GetFilterItems(&p, items);
    EXPECT_EQ(items[0], L"Yes");
    EXPECT_EQ(items[1], L"No");
    struct {
        Variant value;
        int item;
    } selects[] = {{Variant(true), 0}, {Variant(false), 1}, {Variant::Null(), -1}, {Variant(7), -1}};
    for (const auto& s : selects) {
        EXPECT_EQ(TcxFilterCheckBoxHelper::FilterItemIndex(&p, s.value), s.item);
        const Variant back = TcxFilterCheckBoxHelper::FilterItemValue(&p, s.item);
        if (s.item < 0)
            EXPECT_TRUE(back.IsNull());
        else
            EXPECT_TRUE(VarSameTypeAndValue(back, p.StateToValue(s.item == 0 ? cbsChecked : cbsUnchecked)));
    }

    TcxCustomFilterEditHelperClass helper = FilterEditHelperClass<TcxFilterCheckBoxHelper>();
    // Through a filter editor that holds the chosen item's text.
    TcxCustomEdit filterEdit(nullptr);
    struct {
        Variant value;
        const wchar_t* text;
        Variant back;
    } roundTrips[] = {{Variant(true), L"Yes", Variant(true)},
                      {Variant(false), L"No", Variant(false)},
                      {Variant::Null(), L"", Variant::Null()},
                      {Variant(7), L"", Variant::Null()}};
    for (const auto& r : roundTrips) {
        helper->PutFilterValue(&filterEdit, &p, r.value);
        WideString text;
        Variant back;
        helper->ReadFilterValue(&filterEdit, &p, text, back);
        EXPECT_EQ(text, r.text);
        EXPECT_TRUE(VarSameTypeAndValue(back, r.back)) << back.AsAnsiString();
    }
    // A text that is neither item reads back as none.
    filterEdit.SetEditValue(Variant(AnsiString("Maybe")));
    WideString text = L"?";
    Variant back;
    helper->ReadFilterValue(&filterEdit, &p, text, back);
    EXPECT_TRUE(back.IsNull());
    EXPECT_EQ(text, L"");
    TcxFilterOperators operators;
    helper->ListFilterOperators(nullptr, operators, true);
    TcxFilterOperators expected;
    for (size_t bit : {1, 2, 9, 10})
        expected.set(bit);
    EXPECT_EQ(operators, expected);
    EXPECT_TRUE(helper->FiltersByDisplayText());
    EXPECT_FALSE(helper->KeepsValuesProvider(&p));

    // The unit registered both; its end withdraws the filter entry and the mask.
    EXPECT_EQ(GetFilterEditsController()->FindHelper(TcxCheckBoxProperties::StaticClass()), helper);
    TcxRegisteredClasses* registered = GetEditPropertiesClassList();
    const int index = registered->IndexOfClass(TcxCheckBoxProperties::StaticClass());
    ASSERT_GE(index, 0);
    EXPECT_EQ(registered->GetDescription(index), "CheckBox");
    ASSERT_NE(CheckBoxMarkMask(), nullptr);
    CheckBoxUnitFinalize();
    EXPECT_EQ(CheckBoxMarkMask(), nullptr);
    EXPECT_TRUE(!FilterEditsControllerExists() ||
                GetFilterEditsController()->FindHelper(TcxCheckBoxProperties::StaticClass()) != helper);
    CheckBoxUnitInitialize();
    EXPECT_EQ(GetFilterEditsController()->FindHelper(TcxCheckBoxProperties::StaticClass()), helper);
}

TEST(CheckBoxMask, MarkIsBlackOnlyWhereCheckedDiffersFromUnchecked) {
    TBitmap* mask = CheckBoxMarkMask();
    ASSERT_NE(mask, nullptr);
    HDC dc = mask->Canvas().Handle();
    int black = 0, white = 0;
    for (int y = 0; y < mask->Height(); ++y)
        for (int x = 0; x < mask->Width(); ++x) {
            const COLORREF c = GetPixel(dc, x, y) & 0xFFFFFF;
            black += c == 0;
            white += c == 0xFFFFFF;
        }
    EXPECT_GT(black, 5);
    EXPECT_EQ(black + white, mask->Width() * mask->Height());
    // The frame of the box is the same in both images: the border stays white.
    for (int x = 0; x < mask->Width(); ++x)
        EXPECT_EQ(GetPixel(dc, x, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(CheckBoxDrawing, GlyphIndexThemeStateAndHotFrameTables) {
    struct {
        int count;
        TcxCheckBoxState state;
        bool pressed;
        int index;
    } glyphs[] = {
        {6, cbsUnchecked, false, 0},
        {6, cbsChecked, false, 1},
        {6, cbsGrayed, false, 2},
        {6, cbsChecked, true, 4},
        {6, cbsGrayed, true, 5},
        {3, cbsChecked, true, 1},
        {4, cbsChecked, false, 1},
        {4, cbsChecked, true, 3},
        {4, cbsUnchecked, true, 2},
        {2, cbsChecked, true, 1},
        {5, cbsGrayed, true, 2},
        {1, cbsUnchecked, false, 0},
        // One image: checked and grayed stay past the strip after modulo 3 and take image 0.
        {1, cbsChecked, false, 0},
        {1, cbsGrayed, true, 0},
    };
    for (const auto& g : glyphs)
        EXPECT_EQ(CheckBoxGlyphIndex(g.count, g.state, g.pressed), g.index)
            << g.count << " images, state " << g.state << (g.pressed ? " pressed" : "");

    EXPECT_EQ(CheckBoxThemeState(cbsUnchecked, cbbsNormal), 1);
    EXPECT_EQ(CheckBoxThemeState(cbsUnchecked, cbbsDisabled), 4);
    EXPECT_EQ(CheckBoxThemeState(cbsChecked, cbbsHot), 6);
    EXPECT_EQ(CheckBoxThemeState(cbsGrayed, cbbsPressed), 11);

    const TcxEditBorderStyle hot[][2] = {{ebsNone, ebsFlat},   {ebsSingle, ebsThick},
                                         {ebsFlat, ebs3D},     {ebs3D, ebs3D},
                                         {ebsThick, ebsThick}, {ebsUltraFlat, ebsUltraFlat}};
    for (const auto& h : hot)
        EXPECT_EQ(CheckBoxHotFrameStyle(h[0]), h[1]) << h[0];
}
