#include <gtest/gtest.h>

#include "TestEditSide.h"
#include "TestSlotBinding.h"

namespace {
class TReadOnlyFieldProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TReadOnlyFieldProvider, TcxCustomEditDefaultValuesProvider)
    bool ReadOnlyPreset() override { return true; }
    bool IsValueAvailable() override { return false; }
};

class TFieldBinding : public TcxEditDataBinding {
public:
    VZ_CLASS(TFieldBinding, TcxEditDataBinding)
    TClass DefaultValuesProviderClass() const override { return TReadOnlyFieldProvider::StaticClass(); }
};
} // namespace

TEST(EditDataBinding, TheBaseBindingKeepsTheValueInTheEditor) {
    TTestEditSide edit;
    TcxEditDataBinding* binding = edit.Binding();
    EXPECT_EQ(binding->Edit(), &edit);
    EXPECT_EQ(binding->GetOwner(), &edit);
    edit.editValue = Variant(42);
    edit.displayText = "42x";
    EXPECT_EQ(binding->ReadStoredValue().AsInteger(), 42);
    EXPECT_EQ(binding->ReadDisplayValue().AsAnsiString(), "42x");
    binding->PutDisplayValue(Variant("7"));
    EXPECT_EQ(edit.displayText, "7");
    binding->RefreshDisplayValue();
    EXPECT_EQ(edit.displayText, "42");
    binding->RevertEditor();
    EXPECT_EQ(edit.reverts, 1);
    binding->WriteStoredValue(Variant(1));
    EXPECT_EQ(edit.editValue.AsInteger(), 42);
    EXPECT_FALSE(binding->HandleExecuteAction(nullptr));
    EXPECT_TRUE(binding->IsValueSourceAvailable());
    EXPECT_EQ(binding->QueryDefaultValuesProvider()->PrecisionPreset(), 15);
}

TEST(EditDataBinding, ModifiedStateThroughTheBinding) {
    struct TCase {
        const char* name;
        bool designing, modified, focused;
        bool replaceable; // IsDisplayReplaceable
        bool afterMark;   // Modified after MarkModifiedIfFocused
    };
    const TCase cases[] = {
        {"plain", false, false, false, true, false},
        {"focused", false, false, true, true, true},
        {"modified", false, true, false, false, true},
        {"designing and modified", true, true, true, true, true},
    };
    for (const TCase& c : cases) {
        TTestEditSide edit;
        edit.SetDesigning(c.designing);
        edit.modified = c.modified;
        edit.focused = c.focused;
        TcxEditDataBinding* binding = edit.Binding();
        EXPECT_EQ(binding->IsDisplayReplaceable(), c.replaceable) << c.name;
        EXPECT_EQ(binding->ReadModified(), c.modified) << c.name;
        EXPECT_EQ(binding->HasValueToPost(), c.modified) << c.name;
        binding->MarkModifiedIfFocused();
        EXPECT_EQ(edit.modified, c.afterMark) << c.name;
        EXPECT_TRUE(binding->EnterEditMode()) << c.name;
        EXPECT_TRUE(edit.modified) << c.name;
        EXPECT_TRUE(binding->IsValueModified()) << c.name;
    }
}

TEST(EditDataBinding, ABindingClassChoosesItsProviderAndTakesItAlongWhenItGoes) {
    auto edit = std::make_unique<TTestEditSide>(nullptr, TFieldBinding::StaticClass());
    TcxCustomEditProperties* own = edit->OwnProperties();
    EXPECT_EQ(edit->Binding()->ClassType(), TFieldBinding::StaticClass());
    EXPECT_EQ(edit->Binding()->DefaultValuesProvider()->ClassType(), TReadOnlyFieldProvider::StaticClass());
    EXPECT_FALSE(edit->Binding()->IsValueSourceAvailable());
    EXPECT_TRUE(own->ReadOnly());
    EXPECT_FALSE(own->CanEditValue());

    // Properties that borrowed the provider drop it when the binding goes.
    TcxCustomEditProperties borrower;
    borrower.SetDefaultValuesProvider(edit->Binding()->QueryDefaultValuesProvider());
    edit.reset();
    EXPECT_EQ(borrower.DefaultValuesProvider(), nullptr);
    EXPECT_FALSE(borrower.ReadOnly());
}

TEST(EditDataBinding, ReapplyingSharedPropertiesReachesOnlyThisEditor) {
    TcxEditRepositoryItem item(nullptr);
    TTestEditSide edit, other;
    edit.SetRepositoryItem(&item);
    other.SetRepositoryItem(&item);
    edit.applied.clear();
    other.applied.clear();
    edit.Binding()->ReapplyProperties();
    EXPECT_EQ(edit.applied, std::vector<TObject*>{item.Properties()});
    EXPECT_TRUE(other.applied.empty());
    EXPECT_EQ(item.Properties()->UpdateDepth(), 0);

    // Own properties simply notify their editor.
    edit.SetRepositoryItem(nullptr);
    edit.applied.clear();
    edit.Binding()->ReapplyProperties();
    EXPECT_EQ(edit.applied, std::vector<TObject*>{edit.OwnProperties()});
}

TEST(EditData, ClearedDataIsReinitialisedByTheEditorUsingItAndForgetsAGoneEditor) {
    auto edit = std::make_unique<TTestEditSide>();
    auto data = TcxCustomEditData::Create(TcxCustomEditData::StaticClass(), edit.get());
    EXPECT_EQ(data->Edit(), edit.get());
    EXPECT_TRUE(data->Cleared()) << "not yet the editor's data";
    EXPECT_EQ(edit->editDataInits, 0);

    edit->editData = data.get();
    data->SetCleared(false);
    data->Clear();
    EXPECT_EQ(edit->editDataInits, 1);
    EXPECT_FALSE(data->Cleared());

    edit.reset();
    EXPECT_EQ(data->Edit(), nullptr);
    data->Clear();
    EXPECT_TRUE(data->Cleared());

    // Data that goes before its editor stops watching it.
    auto later = std::make_unique<TTestEditSide>();
    auto shortLived = TcxCustomEditData::Create(TcxCustomEditData::StaticClass(), later.get());
    shortLived.reset();
    later.reset();
}

TEST(EditDataBinding, ASlotBindingAnswersFromTheSlotsState) {
    struct TCase {
        const char* name;
        TTestValueSlot::TState state;
        bool readOnly;
        bool available, canEdit, entersEditMode;
    };
    const TCase cases[] = {
        {"browsing", TTestValueSlot::Browsing, false, true, true, true},
        {"editing", TTestValueSlot::Editing, false, true, true, true},
        {"read-only", TTestValueSlot::Browsing, true, true, false, false},
        {"closed", TTestValueSlot::Closed, false, false, false, false},
    };
    for (const TCase& c : cases) {
        TTestEditSide edit(nullptr, TTestSlotBinding::StaticClass());
        auto* binding = static_cast<TTestSlotBinding*>(edit.Binding());
        TTestValueSlot slot;
        slot.value = Variant("stored");
        slot.state = c.state;
        slot.readOnly = c.readOnly;
        binding->SetSlot(&slot);
        TcxCustomEditProperties* properties = edit.EffectiveProperties();
        EXPECT_EQ(binding->IsValueSourceAvailable(), c.available) << c.name;
        EXPECT_EQ(properties->ReadOnly(), c.readOnly) << c.name;
        EXPECT_EQ(properties->CanEditValue(), c.canEdit) << c.name;
        EXPECT_EQ(binding->ReadStoredValue().IsNull(), !c.available) << c.name;
        EXPECT_EQ(binding->EnterEditMode(), c.entersEditMode) << c.name;
        EXPECT_EQ(edit.modified, c.entersEditMode) << c.name;
        if (c.entersEditMode) {
            binding->WriteStoredValue(Variant(5));
            ASSERT_EQ(slot.writes.size(), 1u) << c.name;
            EXPECT_EQ(binding->ReadStoredValue().AsInteger(), 5) << c.name;
        } else {
            EXPECT_THROW(binding->WriteStoredValue(Variant(5)), EcxEditError) << c.name;
            EXPECT_TRUE(slot.writes.empty()) << c.name;
        }
    }
}
