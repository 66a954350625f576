#include <gtest/gtest.h>

#include <memory>

#include "platform/core/Collections.h"
#include "platform/core/StringLists.h"
#include "platform/db/Connection.h"
#include "platform/db/Params.h"
#include "tests/platform/VectorDataSet.h"

namespace {
class TNamedItem : public TCollectionItem {
public:
    VZ_CLASS(TNamedItem, TCollectionItem)
    AnsiString Name;
    void SetName(const AnsiString& value) {
        Name = value;
        Changed(false);
    }
    AnsiString GetDisplayName() const override { return Name; }
    void Assign(TPersistent* source) override {
        if (auto* item = dynamic_cast<TNamedItem*>(source))
            Name = item->Name;
        else
            TCollectionItem::Assign(source);
    }
};

class TWatchedCollection : public TCollection {
public:
    TWatchedCollection() : TCollection(TNamedItem::StaticClass()) {}
    std::vector<AnsiString> Log;

protected:
    void Update(TCollectionItem* item) override {
        Log.push_back(item ? "update " + static_cast<TNamedItem*>(item)->Name : AnsiString("update all"));
    }
    void Notify(TCollectionItem* item, TCollectionNotification action) override {
        static const char* names[] = {"added", "extracting", "deleting"};
        Log.push_back(AnsiString(names[action]) + " " + item->DisplayName());
    }
};

TNamedItem* AddNamed(TCollection& collection, const char* name) {
    auto* item = static_cast<TNamedItem*>(collection.Add());
    item->Name = name;
    return item;
}
} // namespace

TEST(CoreCollection, ItemsKnowTheirPlaceAndTellTheCollectionOfChanges) {
    TWatchedCollection collection;
    TNamedItem* a = AddNamed(collection, "a");
    TNamedItem* b = AddNamed(collection, "b");
    auto* c = static_cast<TNamedItem*>(collection.Insert(0));
    c->Name = "c";
    EXPECT_EQ(collection.Count(), 3);
    EXPECT_EQ(collection.Items(0), c);
    EXPECT_EQ(a->Index(), 1);
    EXPECT_EQ(collection.FindItemID(b->ID()), b);
    EXPECT_NE(a->ID(), b->ID());
    EXPECT_EQ(a->Collection(), &collection);
    EXPECT_EQ(a->GetOwner(), &collection);
    collection.Log.clear();
    b->SetIndex(0);
    EXPECT_EQ(collection.Items(0), b);
    a->SetName("A");
    EXPECT_EQ(collection.Log, (std::vector<AnsiString>{"update all", "update A"}));

    // Within an update block one update comes at the end.
    collection.Log.clear();
    collection.BeginUpdate();
    AddNamed(collection, "d");
    a->SetName("aa");
    collection.Delete(collection.Count() - 1);
    collection.EndUpdate();
    EXPECT_EQ(collection.Log,
              (std::vector<AnsiString>{"added ", "deleting d", "extracting d", "update all"}));
    EXPECT_THROW(collection.Items(5), EListError);

    TWatchedCollection copy;
    copy.Assign(&collection);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(static_cast<TNamedItem*>(copy.Items(0))->Name, "b");
    // An item freed on its own leaves its collection.
    delete copy.Items(1);
    EXPECT_EQ(copy.Count(), 2);
    // Moving an item between collections.
    c->SetCollection(&copy);
    EXPECT_EQ(collection.Count(), 2);
    EXPECT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Items(2), c);
}

TEST(DbParams, SettersFixTheTypeAndValuesDeriveIt) {
    TParams params;
    struct Case {
        std::function<void(TParam*)> set;
        TFieldType type;
        const char* text;
    } cases[] = {
        {[](TParam* p) { p->SetAsInteger(5); }, ftInteger, "5"},
        {[](TParam* p) { p->SetAsSmallInt(-2); }, ftSmallint, "-2"},
        {[](TParam* p) { p->SetAsWord(7); }, ftWord, "7"},
        {[](TParam* p) { p->SetAsFloat(1.5); }, ftFloat, "1.5"},
        {[](TParam* p) { p->SetAsString("x"); }, ftString, "x"},
        {[](TParam* p) { p->SetAsLargeInt(int64_t{1} << 40); }, ftLargeint, "1099511627776"},
        {[](TParam* p) { p->SetAsBoolean(true); }, ftBoolean, "True"},
        {[](TParam* p) { p->SetAsMemo("memo"); }, ftMemo, "memo"},
        {[](TParam* p) { p->SetValue(Variant(WideString(L"w"))); }, ftWideString, "w"},
        {[](TParam* p) { p->SetValue(Variant(2.25)); }, ftFloat, "2.25"},
        {[](TParam* p) { p->SetValue(Variant(int64_t{3})); }, ftLargeint, "3"},
    };
    for (const Case& c : cases) {
        TParam* param = params.CreateParam(ftUnknown, "P" + IntToStr(params.Count()), ptInput);
        EXPECT_TRUE(param->IsNull());
        EXPECT_FALSE(param->Bound);
        c.set(param);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(param->DataType(), c.type);
        EXPECT_EQ(param->AsString(), c.text);
        EXPECT_TRUE(param->Bound);
        EXPECT_FALSE(param->IsNull());
    }
    // A type set beforehand stays when a value comes.
    TParam* typed = params.CreateParam(ftString, "TYPED", ptInput);
    typed->SetValue(12);
    EXPECT_EQ(typed->DataType(), ftString);
    EXPECT_EQ(typed->AsString(), "12");
    typed->SetValue(Variant::Null());
    EXPECT_TRUE(typed->IsNull());
    typed->Clear();
    EXPECT_TRUE(typed->IsNull());
    EXPECT_EQ(typed->AsInteger(), 0);
}

TEST(DbParams, NamesAreFoundIgnoringCaseAndMissingOnesRaise) {
    TComponent owner(nullptr);
    owner.SetName("Query1");
    TParams params(&owner);
    params.CreateParam(ftInteger, "Id", ptInput)->SetAsInteger(1);
    params.CreateParam(ftString, "Name", ptOutput);
    EXPECT_EQ(params.ParamByName("ID")->AsInteger(), 1);
    EXPECT_EQ(params.FindParam("missing"), nullptr);
    try {
        params.ParamByName("missing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Query1: Parameter 'missing' not found");
    }
    EXPECT_EQ(params.GetOwner(), &owner);
    std::vector<TParam*> list;
    params.GetParamList(list, "name; id");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Name(), "Name");

    TParams other;
    other.Assign(&params);
    EXPECT_TRUE(other.IsEqual(&params));
    other.ParamByName("Id")->SetAsInteger(2);
    EXPECT_FALSE(other.IsEqual(&params));
    params.AssignValues(&other);
    EXPECT_EQ(params.ParamByName("Id")->AsInteger(), 2);
    EXPECT_EQ(params.ParamByName("Name")->ParamType(), ptOutput);

    TStringList lines;
    lines.Add("one");
    lines.Add("two");
    params.ParamByName("Name")->Assign(&lines);
    EXPECT_EQ(params.ParamByName("Name")->DataType(), ftMemo);
    EXPECT_EQ(params.ParamByName("Name")->AsString(), "one\r\ntwo\r\n");
}

TEST(DbConnection, ConnectAndDisconnectRunTheirEventsAndTellTheClients) {
    struct TTestConnection : TCustomConnection {
        using TCustomConnection::TCustomConnection;
        bool connected = false;
        std::vector<AnsiString>* log = nullptr;
        void DoConnect() override {
            log->push_back("connect");
            connected = true;
        }
        void DoDisconnect() override {
            log->push_back("disconnect");
            connected = false;
        }
        bool GetConnected() override { return connected; }
    };
    std::vector<AnsiString> log;
    TTestConnection connection(nullptr);
    connection.log = &log;
    connection.BeforeConnect = [&](TObject*) { log.push_back("before connect"); };
    connection.AfterConnect = [&](TObject*) { log.push_back("after connect"); };
    connection.BeforeDisconnect = [&](TObject*) { log.push_back("before disconnect"); };
    connection.AfterDisconnect = [&](TObject*) { log.push_back("after disconnect"); };
    TObject client;
    connection.RegisterClient(&client, [&](TObject*, bool connecting) {
        log.push_back(connecting ? "told connecting" : "told disconnecting");
    });
    TVectorDataSet dataSet;
    connection.RegisterClient(&dataSet);
    EXPECT_EQ(connection.DataSetCount(), 1);
    EXPECT_EQ(connection.DataSets(0), &dataSet);
    connection.Open();
    connection.Open();
    connection.Close();
    EXPECT_EQ(log, (std::vector<AnsiString>{"before connect", "connect", "told connecting", "after connect",
                                            "before disconnect", "told disconnecting", "disconnect",
                                            "after disconnect"}));
    connection.UnRegisterClient(&dataSet);
    EXPECT_EQ(connection.DataSetCount(), 0);
    EXPECT_EQ(connection.ClientCount(), 1);
    // While loading, the value waits for Loaded.
    log.clear();
    connection.BeginLoading();
    connection.SetConnected(true);
    EXPECT_TRUE(log.empty());
    connection.Loaded();
    EXPECT_TRUE(connection.Connected());
}
