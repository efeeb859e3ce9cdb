#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <tuple>

#include "palm/user_data.h"
#include "palm/users_file.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "settings/profile.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

const char kApp[] = "vemra-settings-test";
const char kUsr[] = "Software\\U.S. Robotics\\Pilot Desktop";
const char kPalmComputing[] = "Software\\Palm Computing\\Pilot Desktop";
const char kFallback[] = "\\datebook\\datebook.dat";
constexpr uint32_t kDate = 0x64617465;
const std::string kDateBytes = "etad";   // kDate as stored, least significant byte first

void RemoveKey(const std::string& parent, const std::string& name) {
    CRegistryKey key;
    if (key.Open(RegistryRoot::currentUser, parent, RegistryAccess::readWrite)) key.DeleteSubKey(name);
}

std::string Ids(const int32_t* ids, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += (i ? " " : "") + std::to_string(ids[i]);
    return text;
}

// Everything the profile keeps, by profile key, as text: a difference names its key.
std::map<std::string, std::string> Stored(const CSettings& s) {
    const auto n = [](auto v) { return std::to_string(v); };
    return {{"defaultapptlength", n(s.m_nDefaultApptLength)}, {"quote", s.m_strQuote},
            {"exceptiondateseparator", s.m_strExceptionDateSeparator},
            {"simplemapping", Ids(s.m_mapping.m_simple, 11)}, {"repeatmapping", Ids(s.m_mapping.m_repeat, 12)},
            {"prcdeleteappts", n(s.m_bPrcDeleteAppts)}, {"prcicontext", s.m_strPrcIconText},
            {"prcmsgtitle", s.m_strPrcMsgTitle}, {"prcmsgtext", s.m_strPrcMsgText},
            {"exportnocr", n(s.m_bExportNoCR)}, {"ignoreimporterrors", n(s.m_bIgnoreImportErrors)},
            {"palmdesktopbutton", n(s.m_bPalmDesktopButton)}, {"fullformat", n(s.m_bFullFormat)},
            {"daysahead", n(s.m_nDaysAhead)}, {"daysback", n(s.m_nDaysBack)}, {"lastfile", s.m_strFile},
            {"separator", s.m_strSeparator}, {"noduplicates", n(s.m_bNoDuplicates)},
            {"palmuserid", n(s.m_dwPalmUserId)}, {"minsize", n(s.m_nMinSize)}};
}

// The toolbar entry under a Palm Desktop key, as text; "none" if there is none.
std::string Button(const std::string& parent) {
    CRegistryKey button;
    if (!button.Open(RegistryRoot::currentUser, parent + "\\ApplicationVEMRA")) return "none";
    std::string directory, name, module;
    uint32_t integrate = 0, creator = 0;
    button.QueryString("Directory", directory);
    button.QueryDword("Integrate", integrate);
    button.QueryDword("Creator", creator);
    button.QueryString("Name", name);
    button.QueryString("Module", module);
    return directory + " " + std::to_string(integrate) + " " + std::to_string(creator) + " " + name + " " + module;
}

std::string Text(const std::map<std::string, std::string>& values) {
    std::string text;
    for (const auto& [key, value] : values) text += key + "=" + value + "\n";
    return text;
}

// A profile of the test's own (a registry file natively, a key of its own on Windows), no
// Palm Desktop keys, a scratch Palm Desktop folder with two users, and every message captured.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        m_desktop = m_dir.File("Palm");
        std::filesystem::create_directories(m_desktop);
        SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
        SetProfileApplicationName(kApp);
        Clean();
    }
    void TearDown() override {
        Clean();
        SetEnv("VEMRA_PALM_DESKTOP", "");
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void Clean() {
        RemoveKey("Software\\Quelbarsk", kApp);
        RemoveKey("Software", "U.S. Robotics");
        RemoveKey("Software", "Palm Computing");
    }
    void AddUsers() {
        for (const char* user : {"SmithJ", "Demo"}) test::AddDesktopUser(m_desktop, user);
    }
    static void AddComponent(const std::string& name, const std::string& creator, const char* dir, const char* file) {
        CRegistryKey key;
        ASSERT_TRUE(key.Create(RegistryRoot::currentUser, std::string(kUsr) + "\\" + name));
        key.SetBinary("Creator", creator);
        if (dir) key.SetString("Directory", dir);
        if (file) key.SetString("File0", file);
    }

    ScratchDir m_dir;
    std::string m_desktop;
    test::MessageCapture m_sink;
};

}  // namespace

// An empty profile, or one whose values are of the wrong kind or size (the right sizes: see the
// golden profile), gives the defaults; without a Palm Desktop key there is nowhere to put the
// toolbar button.
TEST_F(SettingsTest, EmptyProfileOrWrongKindsGiveTheDefaults) {
    AddUsers();
    const auto defaults = Stored(CSettings());
    test::ExpectGolden("settings/defaults.txt", Text(defaults));
    for (bool wrongKinds : {false, true}) {
        CRegistryKey options;
        if (wrongKinds) {
            ASSERT_TRUE(options.Create(RegistryRoot::currentUser, ProfileSectionPath("Options")));
            ASSERT_TRUE(options.SetString("daysahead", "5") && options.SetDword("separator", 59));
            ASSERT_TRUE(options.SetBinary("fullformat", std::string(4, '\0')));
            ASSERT_TRUE(options.SetString("exceptiondateseparator", ""));   // reads as the default space
            ASSERT_TRUE(options.SetBinary("simplemapping", std::string(40, '\1')));
            ASSERT_TRUE(options.SetBinary("repeatmapping", std::string(52, '\1')));
            ASSERT_TRUE(options.SetDword("daysback", 2));
        }
        CSettings s;
        s.Load();
        EXPECT_EQ(s.m_mapping.m_pSettings, &s);
        auto expected = defaults;
        expected["palmdesktopbutton"] = "0";
        if (wrongKinds) expected["daysback"] = "2";
        EXPECT_EQ(Stored(s), expected) << wrongKinds;
    }
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(SettingsTest, NoPalmDesktopUserIsReportedAndTheRecordStillComplete) {
    CMessageBoxReporter reporter;
    CSettings s(&reporter);
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"Error: No Palm Desktop found!"});
    EXPECT_EQ(s.m_dwPalmUserId, 0u);
}

// Every key differs from its default in the golden profile: one that is not read, or written in
// another form, changes the saved file. Natively only, where the profile is a file.
TEST_F(SettingsTest, EveryKeyIsReadAndWrittenBackTheSame) {
    if (RegistryFilePath().empty()) GTEST_SKIP() << "the real registry has no file";
    AddUsers();
    test::WriteFile(RegistryFilePath(), test::ReadFile(test::DataFile("settings/saved.reg")));
    CSettings s;
    s.Load();
    test::WriteFile(RegistryFilePath(), "REGEDIT4\n");
    // Command-line requests are never stored.
    s.m_bImport = s.m_bExport = s.m_bRemoveAll = true;
    s.m_strDatebookFile = "C:\\other\\datebook.dat";
    EXPECT_EQ(s.Save(), 0);
    test::ExpectGolden("settings/saved.reg", test::ReadFile(RegistryFilePath()));
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(SettingsTest, SpanRunsFromMidnightToOneMinuteBeforeTheNextDay) {
    AddUsers();
    CSettings s;
    SetFixedNow(MakeLocal(2028, 2, 27, 15, 20));
    struct Case {
        int back, ahead;
        long start, end;
    } const cases[] = {
        {0, 0, MakeLocal(2028, 2, 27), MakeLocal(2028, 2, 27, 23, 59)},
        {3, 10, MakeLocal(2028, 2, 24), MakeLocal(2028, 3, 8, 23, 59)},   // over 29 February
        {-1, -1, MakeLocal(2028, 2, 28), MakeLocal(2028, 2, 26, 23, 59)},
        // Day counts too large for the clock stop at its ends instead of wrapping round.
        {INT_MAX, INT_MAX, LONG_MIN, LONG_MAX},
        {30000, 5000, LONG_MIN, LONG_MAX},
    };
    for (const Case& c : cases) {
        s.m_nDaysBack = c.back;
        s.m_nDaysAhead = c.ahead;
        EXPECT_EQ(s.GetSpanStart(), c.start) << c.back;
        EXPECT_EQ(s.GetSpanEnd(), c.end) << c.ahead;
    }
    SetFixedNow(-1);
}

// With Palm Desktop's user list, -u takes a display name first, then a folder name, letter case
// ignored; the user's ID is the one Palm Desktop gave.
TEST_F(SettingsTest, FindUserTakesDisplayAndFolderNames) {
    AddUsers();
    test::AddDesktopUser(m_desktop, "Other");
    test::WriteFile(m_desktop + "/users.dat", WriteUsersFile({{1001, "John Smith", "SmithJ", true},
                                                              {2002, "Demo User", "Demo", true},
                                                              {2003, "SmithJ", "Other", true}}));
    CSettings s;
    const struct Case {
        const char* name;
        int found;
        uint32_t id;
    } cases[] = {{"john smith", 1, 1001}, {"DEMO USER", 1, 2002}, {"demo", 1, 2002}, {"other", 1, 2003},
                 {"smithj", 1, 2003},   // a display name before another user's folder
                 {"Smith", 0, 7}, {"", 0, 7}, {"\\Demo", 0, 7}, {"demo ", 0, 7}};
    for (const Case& c : cases) {
        s.m_dwPalmUserId = 7;
        EXPECT_EQ(s.FindUser(c.name), c.found) << c.name;
        EXPECT_EQ(s.m_dwPalmUserId, c.id) << c.name;
    }
    s.FindUser("john smith");
    std::string text;
    s.GetPalmUserName(text);
    EXPECT_EQ(text, "John Smith");
    // The datebook: the user's; the one given with -d, the user not even looked at; for a user
    // that is gone, a message and a path without a user part.
    const struct {
        uint32_t id;
        const char* file;
        std::string path;
    } paths[] = {{1001, "", m_desktop + "\\SmithJ\\datebook\\datebook.dat"},
                 {12345, "C:\\x\\datebook.dat", "C:\\x\\datebook.dat"},
                 {12345, "", m_desktop + "\\datebook\\datebook.dat"}};
    CMessageBoxReporter reporter;
    s.m_pReporter = &reporter;
    for (const auto& p : paths) {
        s.m_dwPalmUserId = p.id;
        s.m_strDatebookFile = p.file;
        s.GetDatebookPath(text);
        EXPECT_EQ(text, p.path);
    }
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"Error getting Palm User Directory. Please save data in Palm Desktop first."});
}

TEST_F(SettingsTest, ComponentPath) {
    EXPECT_EQ(CSettings::GetComponentPath(kDate, kFallback), kFallback) << "no Palm Desktop key";
    using Component = std::tuple<std::string, std::string, const char*, const char*>;
    const struct {
        const char* what;
        std::vector<Component> components;
        const char* expected;
    } cases[] = {
        {"capital name", {{"COMPONENT3", kDateBytes, "Dbk", "x.dat"}}, "\\Dbk\\x.dat"},
        {"directory with backslash", {{"component3", kDateBytes, "\\Dbk", "x.dat"}}, "\\Dbk\\x.dat"},
        {"other creator", {{"Component1", "omem", "Memo", "m.dat"}}, kFallback},
        {"creator of 3 bytes", {{"Component1", kDateBytes.substr(0, 3), "Dbk", "x.dat"}}, kFallback},
        {"creator of 5 bytes", {{"Component1", kDateBytes + "x", "Dbk", "x.dat"}}, kFallback},
        {"not a component", {{"Compo", kDateBytes, "Dbk", "x.dat"}}, kFallback},
        {"first match wins", {{"Component2", kDateBytes, "B", "b.dat"}, {"Component1", kDateBytes, "A", "a.dat"}},
         "\\A\\a.dat"},
        {"incomplete ones skipped",
         {{"Component1", kDateBytes, "Dbk", nullptr}, {"Component2", kDateBytes, nullptr, "x.dat"},
          {"Component3", kDateBytes, "Ok", "ok.dat"}},
         "\\Ok\\ok.dat"},
    };
    for (const auto& c : cases) {
        Clean();
        for (const auto& [name, creator, dir, file] : c.components) AddComponent(name, creator, dir, file);
        EXPECT_EQ(CSettings::GetComponentPath(kDate, kFallback), c.expected) << c.what;
    }
}

TEST_F(SettingsTest, DesktopButtonGoesIntoWhicheverPalmDesktopKeyExists) {
    AddUsers();
    std::string exe = ExecutablePath();
    if (exe.size() > 4 && exe[exe.size() - 4] == '.') exe = exe.substr(0, exe.size() - 3) + "exe";
    const std::string entry = "Backup 1 1130458214 VEMRA " + exe;   // creator 'Calf'
    const struct {
        bool usr, palmComputing;
        const char* expectedIn;
    } cases[] = {{true, false, kUsr}, {false, true, kPalmComputing}, {true, true, kUsr}, {false, false, nullptr}};
    for (const auto& c : cases) {
        Clean();
        CRegistryKey key;
        if (c.usr) key.Create(RegistryRoot::currentUser, kUsr);
        if (c.palmComputing) key.Create(RegistryRoot::currentUser, kPalmComputing);
        CSettings s;
        s.SetDesktopButton(true);
        EXPECT_EQ(s.m_bPalmDesktopButton, c.expectedIn != nullptr);
        for (const char* parent : {kUsr, kPalmComputing})
            EXPECT_EQ(Button(parent), c.expectedIn == parent ? entry : "none") << c.usr << c.palmComputing << " " << parent;
    }
}

TEST_F(SettingsTest, TurningTheButtonOffRemovesTheEntryAtSaveAndLoad) {
    AddUsers();
    CRegistryKey key, button;
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kUsr));
    CSettings s;
    s.Load();
    EXPECT_TRUE(s.m_bPalmDesktopButton);
    EXPECT_NE(Button(kUsr), "none");

    s.m_bPalmDesktopButton = false;
    s.Save();
    EXPECT_EQ(Button(kUsr), "none");
    EXPECT_TRUE(key.Open(RegistryRoot::currentUser, kUsr)) << "only the entry goes";

    // Still off at the next start: an entry made meanwhile goes again.
    ASSERT_TRUE(button.Create(RegistryRoot::currentUser, std::string(kUsr) + "\\ApplicationVEMRA"));
    CSettings next;
    next.Load();
    EXPECT_FALSE(next.m_bPalmDesktopButton);
    EXPECT_EQ(Button(kUsr), "none");
}
