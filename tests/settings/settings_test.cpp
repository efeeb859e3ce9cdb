#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sstream>

#include "palm/user_data.h"
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
constexpr uint32_t kDate = 0x64617465;   // stored as "etad"

void RemoveKey(const std::string& parent, const std::string& name) {
    CRegistryKey key;
    if (key.Open(RegistryRoot::currentUser, parent, RegistryAccess::readWrite)) key.DeleteSubKey(name);
}

std::string Ids(const int32_t* ids, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += (i ? " " : "") + std::to_string(ids[i]);
    return text;
}

// Everything the profile keeps, one profile key a line: a difference names its key.
std::string Stored(const CSettings& s) {
    const auto n = [](auto v) { return std::to_string(v); };
    const std::pair<const char*, std::string> values[] = {
        {"defaultapptlength", n(s.m_nDefaultApptLength)}, {"quote", s.m_strQuote},
        {"exceptiondateseparator", s.m_strExceptionDateSeparator},
        {"simplemapping", Ids(s.m_mapping.m_simple, 11)}, {"repeatmapping", Ids(s.m_mapping.m_repeat, 12)},
        {"prcdeleteappts", n(s.m_bPrcDeleteAppts)}, {"prcicontext", s.m_strPrcIconText},
        {"prcmsgtitle", s.m_strPrcMsgTitle}, {"prcmsgtext", s.m_strPrcMsgText},
        {"exportnocr", n(s.m_bExportNoCR)}, {"ignoreimporterrors", n(s.m_bIgnoreImportErrors)},
        {"palmdesktopbutton", n(s.m_bPalmDesktopButton)}, {"fullformat", n(s.m_bFullFormat)},
        {"daysahead", n(s.m_nDaysAhead)}, {"daysback", n(s.m_nDaysBack)}, {"lastfile", s.m_strFile},
        {"separator", s.m_strSeparator}, {"noduplicates", n(s.m_bNoDuplicates)},
        {"palmuserid", n(s.m_dwPalmUserId)}, {"minsize", n(s.m_nMinSize)}};
    std::string text;
    for (const auto& [key, value] : values) text += key + ("=" + value) + "\n";
    return text;
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

    ScratchDir m_dir;
    std::string m_desktop;
    test::MessageCapture m_sink;
};

}  // namespace

// Without a Palm Desktop user that is reported, and the ID is 0. An empty profile, or one whose
// values are of the wrong kind or size (the right sizes: see the golden profile), gives the
// defaults; without a Palm Desktop key there is nowhere to put the toolbar button.
TEST_F(SettingsTest, EmptyProfileOrWrongKindsGiveTheDefaults) {
    CMessageBoxReporter reporter;
    EXPECT_EQ(CSettings(&reporter).m_dwPalmUserId, 0u);
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"Error: No Palm Desktop found!"});
    m_sink.messages.clear();
    AddUsers();
    test::ExpectGolden("settings/defaults.txt", Stored(CSettings()));
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
        test::ExpectGolden(wrongKinds ? "settings/loaded-wrong-kinds.txt" : "settings/loaded-empty.txt", Stored(s));
    }
    EXPECT_TRUE(m_sink.messages.empty());
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
    const auto time = [](const std::string& text) {
        return text == "min" ? LONG_MIN : text == "max" ? LONG_MAX : test::LocalTimeOf(text);
    };
    for (const auto& row : test::DataRows("settings/span.txt")) {
        s.m_nDaysBack = std::stoi(row.at(0));
        s.m_nDaysAhead = std::stoi(row.at(1));
        EXPECT_EQ(s.GetSpanStart(), time(row.at(2))) << row[0];
        EXPECT_EQ(s.GetSpanEnd(), time(row.at(3))) << row[1];
    }
    SetFixedNow(-1);
}

// With Palm Desktop's user list, -u takes a display name first, then a folder name, letter case
// ignored; the user's ID is the one Palm Desktop gave.
TEST_F(SettingsTest, FindUserTakesDisplayAndFolderNames) {
    AddUsers();
    test::AddDesktopUser(m_desktop, "Other");
    std::filesystem::copy_file(test::DataFile("settings/users.dat"), m_desktop + "/users.dat");
    CSettings s;
    std::string text;
    for (const auto& row : test::DataRows("settings/find-user.txt")) {
        s.m_dwPalmUserId = 7;
        EXPECT_EQ(s.FindUser(row.at(0).c_str()), std::stoi(row.at(1))) << row[0];
        EXPECT_EQ(s.m_dwPalmUserId, std::stoul(row.at(2))) << row[0];
        s.GetPalmUserName(text);
        EXPECT_EQ(text, row.at(3)) << row[0];
    }
    CMessageBoxReporter reporter;
    s.m_pReporter = &reporter;
    for (auto row : test::DataRows("settings/datebook-paths.txt")) {
        s.m_dwPalmUserId = std::stoul(row.at(0));
        s.m_strDatebookFile = row.at(1);
        s.GetDatebookPath(text);
        if (row.at(2).starts_with("<desktop>")) row[2].replace(0, 9, m_desktop);
        EXPECT_EQ(text, row[2]);
    }
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"Error getting Palm User Directory. Please save data in Palm Desktop first."});
}

TEST_F(SettingsTest, ComponentPath) {
    EXPECT_EQ(CSettings::GetComponentPath(kDate, kFallback), kFallback) << "no Palm Desktop key";
    for (const auto& row : test::DataRows("settings/component-paths.txt")) {
        Clean();
        std::istringstream components(row.at(1));
        for (std::string name, creator, dir, file; components >> name >> creator >> dir >> file;) {
            CRegistryKey key;
            ASSERT_TRUE(key.Create(RegistryRoot::currentUser, std::string(kUsr) + "\\" + name));
            key.SetBinary("Creator", creator);
            if (dir != "-") key.SetString("Directory", dir);
            if (file != "-") key.SetString("File0", file);
        }
        EXPECT_EQ(CSettings::GetComponentPath(kDate, kFallback), row.at(2) == "-" ? kFallback : row[2]) << row[0];
    }
}

TEST_F(SettingsTest, DesktopButtonGoesIntoWhicheverPalmDesktopKeyExistsUntilTurnedOff) {
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
    // Load puts the entry in; turned off, Save takes it out.
    Clean();
    CRegistryKey key, button;
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kUsr));
    CSettings s;
    s.Load();
    EXPECT_TRUE(s.m_bPalmDesktopButton);
    EXPECT_EQ(Button(kUsr), entry);
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
