#include <gtest/gtest.h>

#include <vector>

#include "platform/core/Classes.h"

namespace {
std::vector<AnsiString> Lines(const TStrings& list) {
    std::vector<AnsiString> r;
    for (int i = 0; i < list.Count(); ++i)
        r.push_back(list[i]);
    return r;
}
using L = std::vector<AnsiString>;

AnsiString TempName(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return IncludeTrailingPathDelimiter(temp) + IntToStr(GetCurrentProcessId()) + "_" + name;
}
} // namespace

TEST(CoreStringList, TextSplitsOnEveryKindOfLineBreak) {
    const struct {
        const char* text;
        L lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\n", {"a"}}, // a trailing break starts no line
        {"a\n\n", {"a", ""}},
        {"\r\n", {""}},
        {"a\r\n\r\nb", {"a", "", "b"}}, // empty lines are kept
        {"a\n\rb", {"a", "", "b"}},     // LF then CR: two breaks
        {"a\r\r\nb", {"a", "", "b"}},
        {"\na", {"", "a"}},
        {" 中文 \r\nx", {" 中文 ", "x"}},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.Add("old");
        list.SetText(c.text);
        EXPECT_EQ(c.lines, Lines(list)) << c.text;
    }
}

TEST(CoreStringList, TextJoinsWithCrLfAfterEveryLine) {
    TStringList list;
    EXPECT_EQ("", list.Text());
    list.Add("a");
    list.Add("");
    list.Add("b");
    EXPECT_EQ("a\r\n\r\nb\r\n", list.Text());
    TStringList copy;
    copy.SetText(list.Text());
    EXPECT_EQ(Lines(list), Lines(copy));
}

TEST(CoreStringList, SortedListFindsAndAppliesDuplicates) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"})
        list.Add(s);
    // dupIgnore: "apple" matched "Apple" without regard to case and was dropped.
    EXPECT_EQ((L{"Apple", "fig", "pear"}), Lines(list));
    int index = -1;
    EXPECT_TRUE(list.Find("FIG", index));
    EXPECT_EQ(1, index);
    EXPECT_FALSE(list.Find("grape", index));
    EXPECT_EQ(2, index); // where it would go
    EXPECT_EQ(2, list.IndexOf("PEAR"));
    EXPECT_EQ(-1, list.IndexOf("grape"));
    EXPECT_EQ(1, list.Add("fig")); // the existing index
    EXPECT_THROW(list.Insert(0, "x"), EListError);
    EXPECT_THROW(list.SetStrings(0, "x"), EListError);

    list.Duplicates = dupError;
    try {
        list.Add("Pear");
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ("String list does not allow duplicates", e.Message());
    }
    list.Duplicates = dupAccept;
    list.Add("FIG");
    EXPECT_EQ(4, list.Count());
    EXPECT_TRUE(list.Find("fig", index));
    EXPECT_EQ(1, index); // the first of the equal ones

    TStringList cs;
    cs.SetCaseSensitive(true);
    cs.SetSorted(true);
    cs.Add("b");
    cs.Add("B");
    EXPECT_EQ(2, cs.Count());
    EXPECT_EQ(-1, cs.IndexOf("A"));
}

TEST(CoreStringList, UnsortedListKeepsOrderAndSortsOnRequest) {
    TStringList list;
    list.SetCommaText("c,A,b");
    EXPECT_EQ(1, list.IndexOf("a"));
    list.Sort();
    EXPECT_EQ((L{"A", "b", "c"}), Lines(list));
    list.CustomSort([](TStringList* l, int i, int j) { return CompareStr(l->Strings(j), l->Strings(i)); });
    EXPECT_EQ((L{"c", "b", "A"}), Lines(list));
    list.SetSorted(true);
    EXPECT_EQ((L{"A", "b", "c"}), Lines(list));
    EXPECT_THROW(list.Strings(3), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
}

TEST(CoreStringList, ObjectsTravelWithTheirStrings) {
    TObject a, b;
    TStringList list;
    list.SetSorted(true);
    list.AddObject("z", &a);
    list.AddObject("m", &b);
    EXPECT_EQ(&b, list.Objects(0));
    EXPECT_EQ(&a, list.Objects(1));
    EXPECT_EQ(1, list.IndexOfObject(&a));
    TStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(&a, copy.Objects(1));
}

TEST(CoreStringList, NamesAndValues) {
    TStringList list;
    list.SetText("Server=db1\r\nPort=1521\r\nnoequals\r\nEmpty=\r\nPath=a=b");
    EXPECT_EQ("Server", list.Names(0));
    EXPECT_EQ("", list.Names(2));
    EXPECT_EQ("db1", list.Values("SERVER"));
    EXPECT_EQ("a=b", list.Values("Path"));
    EXPECT_EQ("", list.Values("missing"));
    EXPECT_EQ(3, list.IndexOfName("empty"));
    EXPECT_EQ("1521", list.ValueFromIndex(1));
    list.SetValues("Port", "1522");
    EXPECT_EQ("Port=1522", list.Strings(1));
    list.SetValues("New", "1");
    EXPECT_EQ("New=1", list.Strings(list.Count() - 1));
    list.SetValues("Server", ""); // an empty value removes the entry
    EXPECT_EQ(-1, list.IndexOfName("Server"));
}

TEST(CoreStringList, CommaTextQuotesAndSplits) {
    const struct {
        const char* text;
        L lines;
        const char* back;
    } cases[] = {
        {"a,b,c", {"a", "b", "c"}, "a,b,c"},
        {"\"a b\",c", {"a b", "c"}, "\"a b\",c"},
        {"a b", {"a", "b"}, "a,b"}, // blanks separate too
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"a,,b", {"a", "", "b"}, "a,,b"},
        {"a,", {"a", ""}, "a,"},
        {"", {}, ""},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.SetCommaText(c.text);
        EXPECT_EQ(c.lines, Lines(list)) << c.text;
        EXPECT_EQ(c.back, list.CommaText()) << c.text;
    }
    TStringList list;
    list.Delimiter = ';';
    list.SetDelimitedText("x;\"y;z\"");
    EXPECT_EQ((L{"x", "y;z"}), Lines(list));
    EXPECT_EQ("x;\"y;z\"", list.DelimitedText());
}

TEST(CoreStringList, ChangeEventsAndUpdates) {
    TStringList list;
    std::vector<AnsiString> events;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(&list, sender);
        events.push_back("changing" + IntToStr(list.Count()));
    };
    list.OnChange = [&](TObject*) { events.push_back("change" + IntToStr(list.Count())); };
    list.Add("a");
    EXPECT_EQ((L{"changing0", "change1"}), events);

    events.clear();
    list.BeginUpdate();
    list.Add("b");
    list.BeginUpdate();
    list.Add("c");
    list.EndUpdate();
    list.Delete(0);
    EXPECT_EQ((L{"changing1"}), events);
    list.EndUpdate();
    EXPECT_EQ((L{"changing1", "change2"}), events);

    events.clear();
    list.SetText("x\r\ny\r\nz");
    EXPECT_EQ((L{"changing2", "change3"}), events); // one pair for the whole text
}

TEST(CoreStringList, SavesAndLoadsAnsiFiles) {
    AnsiString name = TempName("strings.txt");
    TStringList list;
    list.Add("第一行");
    list.Add("");
    list.Add("third");
    list.SaveToFile(name);

    {
        TFileStream raw(name, fmOpenRead | fmShareDenyNone);
        AnsiString bytes(static_cast<size_t>(raw.Size()), '\0');
        raw.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
        EXPECT_EQ("第一行\r\n\r\nthird\r\n", bytes);
    }

    TStringList loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(Lines(list), Lines(loaded));
    ASSERT_TRUE(DeleteFileA(name.c_str()));
    EXPECT_THROW(loaded.LoadFromFile(name), EFOpenError);
    EXPECT_EQ(3, loaded.Count()); // a failed load keeps the content
}

TEST(CoreStringList, AssignRefusesUnrelatedSources) {
    TStringList list;
    TPersistent plain;
    try {
        list.Assign(&plain);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ("Cannot assign a TPersistent to a TStringList", e.Message());
    }
    try {
        list.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ("Cannot assign a nil to a TStringList", e.Message());
    }
}

namespace {
// A list that files every line under a prefix and finds names with or without it, the way
// provider option lists do.
class TPrefixedList : public TStringList {
public:
    int IndexOfName(const AnsiString& name) const override {
        int index = TStringList::IndexOfName(name);
        if (index < 0 && !name.empty()) index = TStringList::IndexOfName("P." + name);
        return index;
    }

protected:
    void InsertItem(int index, const AnsiString& s, TObject* object) override {
        TStringList::InsertItem(index, Prefixed(s), object);
    }
    void Put(int index, const AnsiString& s) override { TStringList::Put(index, Prefixed(s)); }

private:
    static AnsiString Prefixed(const AnsiString& s) {
        return s.empty() || s.find('.') < s.find('=') ? s : "P." + s;
    }
};
} // namespace

TEST(CoreStringList, DescendantsSeeEveryStoredLineAndEveryNameLookup) {
    TPrefixedList list;
    list.Add("A=1");
    list.SetText("B=2\nQ.C=3");
    EXPECT_EQ(list.Text(), "P.B=2\r\nQ.C=3\r\n");
    list.Add("A=1");
    list.Insert(0, "D=4");
    EXPECT_EQ(list.Strings(0), "P.D=4");
    EXPECT_EQ(list.Values("B"), "2"); // found through the override
    list.SetValues("B", "5");
    EXPECT_EQ(list.Strings(1), "P.B=5");
    list.SetValues("E", "6");
    EXPECT_EQ(list.Strings(list.Count() - 1), "P.E=6");
    list.SetValues("D", "");
    EXPECT_EQ(list.IndexOfName("D"), -1);
}
