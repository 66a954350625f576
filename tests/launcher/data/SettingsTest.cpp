// The settings object over a real local database: stored texts into typed fields, the URL
// write-backs, and cache and table after SetValue and WriteKey.
#include <cmath>
#include <functional>
#include <type_traits>

#include "LocalDbSupport.h"
#include "launcher/AppList.h"
#include "platform/core/DateTime.h"

namespace launcher_data_test {
namespace {

class Settings : public LocalDb {
protected:
    // Stores value under key (none when value is null) and loads the settings as the start
    // routine does.
    void Load(const char* key, const char* value) {
        AnsiString cls = TSytemConfig::KeyClass(key), name = TSytemConfig::KeyName(key);
        Exec("DELETE FROM SysConfig WHERE Class='" + cls + "' AND Name='" + name + "'");
        if (value)
            Exec("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('" + cls + "', '" + name + "', '" +
                 value + "')");
        DataDM->LoadSystemConfig();
    }
    std::string Stored(const std::string& cls, const std::string& name) {
        Rows rows = Query("SELECT SysVal FROM SysConfig WHERE Class='" + cls + "' AND Name='" + name + "'");
        return rows.empty()      ? "<no row>"
               : rows.size() > 1 ? "<" + std::to_string(rows.size()) + " rows>"
                                 : rows[0][0];
    }
};

std::string Text(bool v) {
    return v ? "true" : "false";
}
template <class T>
requires std::is_integral_v<T> std::string Text(T v) {
    return std::to_string(static_cast<int64_t>(v));
}

TEST_F(Settings, StoredTextsBecomeTypedFields) {
    OpenSystem();
    TSytemConfig& c = *SystemConfig;
    struct Case {
        const char* key;
        const char* stored; // null: no row
        std::function<std::string()> field;
        std::string expected;
    };
    auto autoUpdate = [&] { return Text(c.AutoUpdate); };
    auto simpleStyle = [&] { return Text(c.SimpleStyle); };
    auto date = [&] { return Text(std::llround(c.LastUpdateDate * 24 * 60)); };
    auto minutes = [](TDateTime d) { return Text(std::llround(d * 24 * 60)); };
    const Case cases[] = {
        {"SYSTEM.AUTOUPDATE", "1", autoUpdate, "true"},
        {"SYSTEM.AUTOUPDATE", " true ", autoUpdate, "true"},
        {"SYSTEM.AUTOUPDATE", "TRUE", autoUpdate, "true"},
        {"SYSTEM.AUTOUPDATE", "yes", autoUpdate, "false"},
        {"SYSTEM.AUTOUPDATE", "2", autoUpdate, "false"},
        {"SYSTEM.AUTOUPDATE", "1.0", autoUpdate, "false"},
        {"SYSTEM.AUTOUPDATE", "", autoUpdate, "false"},
        {"SYSTEM.AUTOUPDATE", nullptr, autoUpdate, "false"},
        {"UI.SIMPLESTYLE", "", simpleStyle, "true"},
        {"UI.SIMPLESTYLE", "   ", simpleStyle, "true"},
        {"UI.SIMPLESTYLE", nullptr, simpleStyle, "true"},
        {"UI.SIMPLESTYLE", "0", simpleStyle, "false"},
        {"UI.SIMPLESTYLE", "true", simpleStyle, "true"},
        {"UI.FORMINITRIGHT", nullptr, [&] { return Text(c.FormInitRight); }, "-1"},
        {"UI.BIZFORMWIDTH", "wide", [&] { return Text(c.BizFormWidth); }, "680"},
        {"UI.BIZFORMWIDTH", "", [&] { return Text(c.BizFormWidth); }, "680"},
        {"UI.BIZFORMWIDTH", "720", [&] { return Text(c.BizFormWidth); }, "720"},
        {"UI.SIMPLESTYLELCWIDTH", nullptr, [&] { return Text(c.SimpleStyleLCWidth); }, "315"},
        {"UI.MAINFORMSTATEWHENMAXBIZFORM", "258", [&] { return Text(c.MainFormStateWhenMaxBizForm); }, "2"},
        {"UI.MAINFORMSTATEWHENMAXBIZFORM", "-1", [&] { return Text(c.MainFormStateWhenMaxBizForm); }, "255"},
        {"SYSTEM.CURRENTUPDATEVERSION", "-7", [&] { return Text(c.CurrentUpdateVersion); }, "-7"},
        {"PROXY.HOST", "nil", [&] { return c.ProxyHost; }, ""},
        {"PROXY.HOST", "Nil", [&] { return c.ProxyHost; }, "Nil"},
        {"PROXY.PROXYTYPE", nullptr, [&] { return c.ProxyType; }, "0"},
        {"PROXY.PROXYTYPE", "2", [&] { return c.ProxyType; }, "2"},
        {"UI.MAINTITLE", " 增值税申报 ", [&] { return c.MainTitle; }, " 增值税申报 "},
        {"SYSTEM.LASTUPDATEDATE", "2026-03-04", date, minutes(EncodeDate(2026, 3, 4))},
        {"SYSTEM.LASTUPDATEDATE", "2026/03/05 10:20:00", date,
         minutes(EncodeDateTime(2026, 3, 5, 10, 20, 0, 0))},
        // A date that does not parse leaves the one read before.
        {"SYSTEM.LASTUPDATEDATE", "not a date", date, minutes(EncodeDateTime(2026, 3, 5, 10, 20, 0, 0))},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.key) + " = " + (k.stored ? "'" + std::string(k.stored) + "'" : "no row"));
        Load(k.key, k.stored);
        EXPECT_EQ(k.field(), k.expected);
    }
}

TEST(SettingsText, TrueTextAndNilText) {
    for (auto [text, expected] : {std::pair{"1", true},
                                  {" true ", true},
                                  {"TrUe", true},
                                  {"yes", false},
                                  {"2", false},
                                  {"1.0", false},
                                  {"", false},
                                  {"\ttrue", false}})
        EXPECT_EQ(TSytemConfig::IsTrueText(text), expected) << "'" << text << "'";
    EXPECT_EQ(TSytemConfig::NilText("nil", false), "");
    EXPECT_EQ(TSytemConfig::NilText("NIL", false), "NIL");
    EXPECT_EQ(TSytemConfig::NilText("", true), "nil");
    EXPECT_EQ(TSytemConfig::NilText("host", true), "host");
    EXPECT_EQ(TSytemConfig::KeyClass("PROXY.HOST.NAME"), "PROXY");
    EXPECT_EQ(TSytemConfig::KeyName("PROXY.HOST.NAME"), "HOST.NAME");
    EXPECT_EQ(TSytemConfig::KeyClass("NODOT"), "");
    EXPECT_EQ(TSytemConfig::KeyName("NODOT"), "NODOT");
}

TEST_F(Settings, AServiceAddressRowInOtherLetterCaseIsFound) {
    OpenSystem();
    Exec("DELETE FROM SysConfig WHERE Name='ServiceURL'");
    Exec("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('system', 'serviceurl', "
         "'http://127.0.0.1:9/lower')");
    DataDM->LoadSystemConfig();
    EXPECT_EQ(SystemConfig->ServiceURL(), "http://127.0.0.1:9/lower");
    EXPECT_EQ(SystemConfig->GetValue("SYSTEM.ServiceURL"), "http://127.0.0.1:9/lower");
}

// The first load holds six empty URLs and so writes each one back to its own row; a second
// load finds them all held.
TEST_F(Settings, TheFirstLoadWritesEachAddressBackOnce) {
    OpenSystem("logged");
    const Rows updates = {
        {"SYSTEM", "SERVICEURLSECURITY", "https://127.0.0.1/security", "https://127.0.0.1/security"},
        {"SYSTEM", "SERVICEURLSUPPORT", "http://127.0.0.1/support", "http://127.0.0.1/support"},
        {"SYSTEM", "EMAILSERVICEURLSECURITY", "https://127.0.0.1/mail", "https://127.0.0.1/mail"},
        {"SYSTEM", "SERVICEURLDATA", "http://127.0.0.1/data", "http://127.0.0.1/data"},
        {"SYSTEM", "ServiceURL", "http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"SYSTEM", "SERVICEURLQH", "http://127.0.0.1/qh", "http://127.0.0.1/qh"},
    };
    const char* log = "SELECT Class, Name, OldVal, NewVal FROM UpdateLog ORDER BY Seq";
    DataDM->LoadSystemConfig();
    EXPECT_EQ(Query(log), updates);
    EXPECT_EQ(SystemConfig->ServiceURLSecurity(), "https://127.0.0.1/security");
    EXPECT_EQ(SystemConfig->ServiceURLQH(), "http://127.0.0.1/qh");
    EXPECT_EQ(SystemConfig->ServiceURL(), "http://127.0.0.1:8080");
    EXPECT_EQ(SystemConfig->MainTitle, "增值税申报");

    DataDM->LoadSystemConfig();
    EXPECT_EQ(Query(log), updates);

    // A changed row is written back once more by the next load; an emptied one too.
    Exec("DELETE FROM UpdateLog");
    Exec("UPDATE SysConfig SET SysVal='http://127.0.0.1/Data' WHERE Name='SERVICEURLDATA'");
    Exec("UPDATE SysConfig SET SysVal='' WHERE Name='SERVICEURLQH'");
    Exec("DELETE FROM UpdateLog");
    DataDM->LoadSystemConfig();
    EXPECT_EQ(Query(log),
              (Rows{{"SYSTEM", "SERVICEURLDATA", "http://127.0.0.1/Data", "http://127.0.0.1/Data"},
                    {"SYSTEM", "SERVICEURLQH", "", ""}}));
}

// SetValue keeps cache and table in step; WriteKey changes the table only. A key without a row
// gets one, so the value survives a reload.
TEST_F(Settings, SetValueAndWriteKeyOnPresentAndAbsentKeys) {
    OpenSystem();
    DataDM->LoadSystemConfig();
    struct Case {
        const char* what;
        std::function<void(TSytemConfig&)> write;
        const char* cls;
        const char* name;
        std::string cache, table, reloaded;
    };
    const Case cases[] = {
        {"SetValue, present", [](TSytemConfig& c) { c.SetValue("SYSTEM.AppVer", "1.0.2"); }, "SYSTEM",
         "AppVer", "1.0.2", "1.0.2", "1.0.2"},
        {"SetValue, absent", [](TSytemConfig& c) { c.SetValue("UI.MAINTITLE", "O'Brien 申报"); }, "UI",
         "MAINTITLE", "O'Brien 申报", "O'Brien 申报", "O'Brien 申报"},
        {"WriteKey, present", [](TSytemConfig& c) { c.WriteKey("SYSTEM.SQLVer", "9"); }, "SYSTEM", "SQLVer",
         "5", "9", "9"},
        {"WriteKey, absent", [](TSytemConfig& c) { c.WriteKey("LOGIN.LOGINNAME", "lee"); }, "LOGIN",
         "LOGINNAME", "", "lee", "lee"},
        {"SetValue, other letter case", [](TSytemConfig& c) { c.SetValue("system.databasever", "3.0"); },
         "SYSTEM", "DatabaseVer", "3.0", "3.0", "3.0"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        AnsiString key = std::string(k.cls) + "." + k.name;
        k.write(*SystemConfig);
        EXPECT_EQ(SystemConfig->GetValue(key), k.cache);
        EXPECT_EQ(Stored(k.cls, k.name), k.table);
        DataDM->LoadSystemConfig();
        EXPECT_EQ(SystemConfig->GetValue(key), k.reloaded);
        EXPECT_EQ(Stored(k.cls, k.name), k.table);
    }
    // Each key is one cache entry.
    EXPECT_EQ(SystemConfig->Cache()->Count(), 6);
}

TEST_F(Settings, FlagsAreReadFromTheTableNotTheCache) {
    OpenSystem();
    DataDM->LoadSystemConfig();
    Exec("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('OFD', 'DYNAROW', '1')");
    Exec("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('tax', 'usewizard', ' True ')");
    Exec("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'QUERYCREATEACCOUNT', '0')");
    SystemConfig->LoadFlags();
    EXPECT_TRUE(SystemConfig->DynaRow);
    EXPECT_TRUE(SystemConfig->UseWizard);
    EXPECT_FALSE(SystemConfig->QueryCreateAccount);
    EXPECT_EQ(SystemConfig->GetValue("OFD.DYNAROW"), "");
}

// Before the modules exist there is no database: the address is held, nothing is written.
TEST_F(Settings, WithoutTheModulesAddressesAreHeldOnly) {
    SystemConfig->SetServiceURL("http://127.0.0.1:7");
    EXPECT_EQ(SystemConfig->ServiceURL(), "http://127.0.0.1:7");
    EXPECT_EQ(SystemConfig->ReadKey("SYSTEM.ServiceURL"), "");
}

} // namespace
} // namespace launcher_data_test
