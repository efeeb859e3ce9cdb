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

void RemoveKey(const std::string& parent, const std::string& name) {
    CRegistryKey key;
    if (key.Open(RegistryRoot::currentUser, parent, RegistryAccess::readWrite)) key.DeleteSubKey(name);
}

std::string Bytes(uint32_t v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(v >> (8 * k));
    return s;
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

// What a new user starts with.
std::map<std::string, std::string> Defaults() {
    return {{"defaultapptlength", "60"}, {"quote", "\""}, {"exceptiondateseparator", " "},
            {"simplemapping", "0 1 2 3 4 5 6 7 8 9 10"}, {"repeatmapping", "11 12 13 14 15 16 17 18 19 20 21 22"},
            {"prcdeleteappts", "1"}, {"prcicontext", "Add Appts"}, {"prcmsgtitle", "Appointments added"},
            {"prcmsgtext", "Appointments have been added to the datebook.\r\nYou may now delete this application."},
            {"exportnocr", "0"}, {"ignoreimporterrors", "0"}, {"palmdesktopbutton", "1"}, {"fullformat", "1"},
            {"daysahead", "30"}, {"daysback", "30"}, {"lastfile", ""}, {"separator", ","}, {"noduplicates", "1"},
            {"palmuserid", std::to_string(UserIdOfFolder("Demo"))},   // the first user
            {"minsize", "1000"}};
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
    static CRegistryKey Options() {
        CRegistryKey key;
        key.Create(RegistryRoot::currentUser, ProfileSectionPath("Options"));
        return key;
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

TEST_F(SettingsTest, EmptyProfileGivesTheDefaults) {
    AddUsers();
    CSettings fresh;
    EXPECT_EQ(Stored(fresh), Defaults());
    CSettings loaded;
    loaded.Load();
    EXPECT_TRUE(m_sink.messages.empty());
    EXPECT_EQ(loaded.m_mapping.m_pSettings, &loaded);
    // Without a Palm Desktop key there is nowhere to put the toolbar button.
    auto expected = Defaults();
    expected["palmdesktopbutton"] = "0";
    EXPECT_EQ(Stored(loaded), expected);
}

TEST_F(SettingsTest, NoPalmDesktopUserIsReportedAndTheRecordStillComplete) {
    CMessageBoxReporter reporter;
    CSettings s(&reporter);
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"Error: No Palm Desktop found!"});
    EXPECT_EQ(s.m_dwPalmUserId, 0u);
}

TEST_F(SettingsTest, EveryKeyIsWrittenAndReadsBackEqual) {
    AddUsers();
    CSettings saved;
    saved.m_nDefaultApptLength = 45;
    saved.m_strQuote = "'";
    saved.m_strExceptionDateSeparator = ";";
    const int32_t simple[] = {5, 0, 2, 3, 23, 23, 23, 23, 23, 23, 23};
    const int32_t repeat[] = {22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11};
    std::copy(std::begin(simple), std::end(simple), saved.m_mapping.m_simple);
    std::copy(std::begin(repeat), std::end(repeat), saved.m_mapping.m_repeat);
    saved.m_bPrcDeleteAppts = false;
    saved.m_strPrcIconText = "icon";
    saved.m_strPrcMsgTitle = "title";
    saved.m_strPrcMsgText = "line one\r\nline \"two\" \\ end";
    saved.m_bExportNoCR = saved.m_bIgnoreImportErrors = true;
    saved.m_bPalmDesktopButton = saved.m_bFullFormat = saved.m_bNoDuplicates = false;
    saved.m_nDaysAhead = 7;
    saved.m_nDaysBack = -3;
    saved.m_strFile = "C:\\data\\out.csv";
    saved.m_strSeparator = "\t";
    saved.m_dwPalmUserId = 0xFEDCBA98u;
    saved.m_nMinSize = 12;
    // Command-line requests are never stored.
    saved.m_bImport = saved.m_bExport = saved.m_bRemoveAll = true;
    saved.m_strDatebookFile = "C:\\other\\datebook.dat";
    EXPECT_EQ(saved.Save(), 0);

    // Each key with its type and bytes (natively the profile is a registry file).
    if (!RegistryFilePath().empty()) test::ExpectGolden("settings/saved.reg", test::ReadFile(RegistryFilePath()));

    CSettings loaded;
    loaded.Load();
    EXPECT_EQ(Stored(loaded), Stored(saved));
    EXPECT_FALSE(loaded.m_bImport || loaded.m_bExport || loaded.m_bRemoveAll);
    EXPECT_EQ(loaded.m_strDatebookFile, "");
}

TEST_F(SettingsTest, StoredValuesOfTheWrongKindOrSizeAreIgnored) {
    AddUsers();
    {
        CRegistryKey options = Options();
        ASSERT_TRUE(options.SetString("daysahead", "5"));
        ASSERT_TRUE(options.SetDword("separator", 59));
        ASSERT_TRUE(options.SetBinary("fullformat", std::string(4, '\0')));
        ASSERT_TRUE(options.SetString("exceptiondateseparator", ""));
        ASSERT_TRUE(options.SetBinary("simplemapping", std::string(40, '\1')));
        ASSERT_TRUE(options.SetBinary("repeatmapping", std::string(52, '\1')));
        ASSERT_TRUE(options.SetDword("daysback", 2));
    }
    CSettings s;
    s.Load();
    // An empty exception date separator reads as one space, the default.
    auto expected = Defaults();
    expected["daysback"] = "2";
    expected["palmdesktopbutton"] = "0";
    EXPECT_EQ(Stored(s), expected);

    // The right size is taken as it is.
    std::string simple(44, '\0');
    simple[0] = 23;
    ASSERT_TRUE(Options().SetBinary("simplemapping", simple));
    s.Load();
    EXPECT_EQ(s.m_mapping.m_simple[0], 23);
    EXPECT_EQ(s.m_mapping.m_simple[1], 0);
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
                 {"Smith", 0, 7}, {"", 0, 7}, {"\\Demo", 0, 7}};
    for (const Case& c : cases) {
        s.m_dwPalmUserId = 7;
        EXPECT_EQ(s.FindUser(c.name), c.found) << c.name;
        EXPECT_EQ(s.m_dwPalmUserId, c.id) << c.name;
    }
    s.FindUser("john smith");
    std::string text;
    s.GetPalmUserName(text);
    EXPECT_EQ(text, "John Smith");
    s.GetDatebookPath(text);
    EXPECT_EQ(text, m_desktop + "\\SmithJ\\datebook\\datebook.dat");
}

TEST_F(SettingsTest, ComponentPath) {
    EXPECT_EQ(CSettings::GetComponentPath(kDate, kFallback), kFallback) << "no Palm Desktop key";
    using Component = std::tuple<std::string, std::string, const char*, const char*>;
    const struct {
        const char* what;
        std::vector<Component> components;
        const char* expected;
    } cases[] = {
        {"capital name", {{"COMPONENT3", Bytes(kDate), "Dbk", "x.dat"}}, "\\Dbk\\x.dat"},
        {"directory with backslash", {{"component3", Bytes(kDate), "\\Dbk", "x.dat"}}, "\\Dbk\\x.dat"},
        {"other creator", {{"Component1", Bytes(0x6D656D6F), "Memo", "m.dat"}}, kFallback},
        {"creator of 3 bytes", {{"Component1", Bytes(kDate).substr(0, 3), "Dbk", "x.dat"}}, kFallback},
        {"creator of 5 bytes", {{"Component1", Bytes(kDate) + "x", "Dbk", "x.dat"}}, kFallback},
        {"not a component", {{"Compo", Bytes(kDate), "Dbk", "x.dat"}}, kFallback},
        {"first match wins", {{"Component2", Bytes(kDate), "B", "b.dat"}, {"Component1", Bytes(kDate), "A", "a.dat"}},
         "\\A\\a.dat"},
        {"incomplete ones skipped",
         {{"Component1", Bytes(kDate), "Dbk", nullptr}, {"Component2", Bytes(kDate), nullptr, "x.dat"},
          {"Component3", Bytes(kDate), "Ok", "ok.dat"}},
         "\\Ok\\ok.dat"},
    };
    for (const auto& c : cases) {
        Clean();
        for (const auto& [name, creator, dir, file] : c.components) AddComponent(name, creator, dir, file);
        EXPECT_EQ(CSettings::GetComponentPath(kDate, kFallback), c.expected) << c.what;
    }
}

TEST_F(SettingsTest, DatebookPathAndUsers) {
    AddUsers();
    CSettings s;
    EXPECT_EQ(s.FindUser("smithj"), 1);   // the command-line tests try other spellings
    for (const char* name : {"Smith", "", "SmithJ "}) EXPECT_EQ(s.FindUser(name), 0) << name;
    EXPECT_EQ(s.m_dwPalmUserId, UserIdOfFolder("SmithJ"));
    std::string text;
    EXPECT_EQ(s.GetPalmUserName(text), 0);
    EXPECT_EQ(text, "SmithJ");
    s.GetDatebookPath(text);
    EXPECT_EQ(text, m_desktop + "\\SmithJ\\datebook\\datebook.dat");

    // -d replaces the user's datebook; the user is not even looked at.
    s.m_dwPalmUserId = 12345;
    s.m_strDatebookFile = "C:\\x\\datebook.dat";
    s.GetDatebookPath(text);
    EXPECT_EQ(text, "C:\\x\\datebook.dat");
    EXPECT_TRUE(m_sink.messages.empty());

    // A user that is gone: the message, and a path without a user part.
    CMessageBoxReporter reporter;
    s.m_pReporter = &reporter;
    s.m_strDatebookFile.clear();
    s.GetDatebookPath(text);
    EXPECT_EQ(text, m_desktop + "\\datebook\\datebook.dat");
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"Error getting Palm User Directory. Please save data in Palm Desktop first."});
}

TEST_F(SettingsTest, DesktopButtonGoesIntoWhicheverPalmDesktopKeyExists) {
    AddUsers();
    const struct {
        bool usr, palmComputing;
        const char* expectedIn;
    } cases[] = {{true, false, kUsr}, {false, true, kPalmComputing}, {true, true, kUsr}, {false, false, nullptr}};
    std::string exe = ExecutablePath();
    if (exe.size() > 4 && exe[exe.size() - 4] == '.') exe = exe.substr(0, exe.size() - 3) + "exe";
    for (const auto& c : cases) {
        Clean();
        CRegistryKey key;
        if (c.usr) key.Create(RegistryRoot::currentUser, kUsr);
        if (c.palmComputing) key.Create(RegistryRoot::currentUser, kPalmComputing);
        CSettings s;
        s.SetDesktopButton(true);
        EXPECT_EQ(s.m_bPalmDesktopButton, c.expectedIn != nullptr);
        for (const char* parent : {kUsr, kPalmComputing}) {
            CRegistryKey button;
            const bool present = button.Open(RegistryRoot::currentUser, std::string(parent) + "\\ApplicationVEMRA");
            EXPECT_EQ(present, c.expectedIn == parent) << c.usr << c.palmComputing << " " << parent;
            if (!present) continue;
            std::string directory, name, module;
            uint32_t integrate = 0, creator = 0;
            EXPECT_TRUE(button.QueryString("Directory", directory) && button.QueryDword("Integrate", integrate) &&
                        button.QueryDword("Creator", creator) && button.QueryString("Name", name) &&
                        button.QueryString("Module", module));
            EXPECT_EQ(std::tie(directory, integrate, creator, name, module),
                      std::make_tuple("Backup", 1u, 0x43616C66u, "VEMRA", exe));
        }
    }
}

TEST_F(SettingsTest, TurningTheButtonOffRemovesTheEntryAtSaveAndLoad) {
    AddUsers();
    const std::string entry = std::string(kUsr) + "\\ApplicationVEMRA";
    CRegistryKey key, button;
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kUsr));
    CSettings s;
    s.Load();
    EXPECT_TRUE(s.m_bPalmDesktopButton);
    EXPECT_TRUE(button.Open(RegistryRoot::currentUser, entry));

    s.m_bPalmDesktopButton = false;
    s.Save();
    EXPECT_FALSE(button.Open(RegistryRoot::currentUser, entry));
    EXPECT_TRUE(key.Open(RegistryRoot::currentUser, kUsr)) << "only the entry goes";

    // Still off at the next start: an entry made meanwhile goes again.
    ASSERT_TRUE(button.Create(RegistryRoot::currentUser, entry));
    CSettings next;
    next.Load();
    EXPECT_FALSE(next.m_bPalmDesktopButton);
    EXPECT_FALSE(button.Open(RegistryRoot::currentUser, entry));
}
