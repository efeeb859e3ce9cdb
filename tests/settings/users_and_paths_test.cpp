#include <gtest/gtest.h>

#include <filesystem>

#include "palm/user_data.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

const char kUsr[] = "Software\\U.S. Robotics\\Pilot Desktop";
const char kPalmComputing[] = "Software\\Palm Computing\\Pilot Desktop";
constexpr uint32_t kDate = 0x64617465;

void RemoveKey(const std::string& parent, const std::string& name) {
    CRegistryKey key;
    if (key.Open(RegistryRoot::currentUser, parent, RegistryAccess::readWrite)) key.DeleteSubKey(name);
}

class UsersAndPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        m_desktop = m_dir.File("Palm");
        SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
        SetProfileApplicationName("vemra-paths-test");
        Clean();
        for (const char* user : {"Demo", "SmithJ"}) {
            const auto dir = std::filesystem::path(m_desktop) / user / "datebook";
            std::filesystem::create_directories(dir);
            test::WriteFile((dir / "datebook.dat").string(), "");
        }
        SetMessageSink([this](const std::string& text, MessageButtons, MessageIcon) {
            m_messages.push_back(text);
            return answerOk;
        });
    }
    void TearDown() override {
        SetMessageSink(nullptr);
        Clean();
        SetEnv("VEMRA_PALM_DESKTOP", "");
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void Clean() {
        RemoveKey("Software\\Quelbarsk", "vemra-paths-test");
        RemoveKey("Software", "U.S. Robotics");
        RemoveKey("Software", "Palm Computing");
    }
    // A component registration below the Palm Desktop key.
    static void AddComponent(const std::string& name, std::string creator, const char* directory, const char* file) {
        CRegistryKey key;
        ASSERT_TRUE(key.Create(RegistryRoot::currentUser, std::string(kUsr) + "\\" + name));
        if (!creator.empty()) {
            ASSERT_TRUE(key.SetBinary("Creator", creator));
        }
        if (directory) {
            ASSERT_TRUE(key.SetString("Directory", directory));
        }
        if (file) {
            ASSERT_TRUE(key.SetString("File0", file));
        }
    }
    static std::string Code(uint32_t v) {
        std::string s(4, '\0');
        for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(v >> (8 * k));
        return s;
    }

    ScratchDir m_dir;
    std::string m_desktop;
    std::vector<std::string> m_messages;
};

}  // namespace

TEST_F(UsersAndPathsTest, ComponentPath) {
    const char* fallback = "\\datebook\\datebook.dat";
    EXPECT_EQ(CSettings::GetComponentPath(kDate, fallback), fallback) << "no Palm Desktop key";

    const struct {
        const char* what;
        std::vector<std::tuple<std::string, std::string, const char*, const char*>> components;
        const char* expected;
    } cases[] = {
        {"capital name, plain directory", {{"COMPONENT3", Code(kDate), "Dbk", "x.dat"}}, "\\Dbk\\x.dat"},
        {"directory with backslash", {{"component3", Code(kDate), "\\Dbk", "x.dat"}}, "\\Dbk\\x.dat"},
        {"other creator", {{"Component1", Code(0x6D656D6F), "Memo", "memo.dat"}}, "\\datebook\\datebook.dat"},
        {"creator of 3 bytes", {{"Component1", Code(kDate).substr(0, 3), "Dbk", "x.dat"}}, "\\datebook\\datebook.dat"},
        {"creator of 5 bytes", {{"Component1", Code(kDate) + "x", "Dbk", "x.dat"}}, "\\datebook\\datebook.dat"},
        {"no File0", {{"Component1", Code(kDate), "Dbk", nullptr}}, "\\datebook\\datebook.dat"},
        {"no Directory", {{"Component1", Code(kDate), nullptr, "x.dat"}}, "\\datebook\\datebook.dat"},
        {"not a component", {{"Compo", Code(kDate), "Dbk", "x.dat"}, {"Core", Code(kDate), "Core", "x.dat"}},
         "\\datebook\\datebook.dat"},
        {"first match wins", {{"Component2", Code(kDate), "Second", "b.dat"}, {"Component1", Code(kDate), "First", "a.dat"}},
         "\\First\\a.dat"},
        {"broken ones skipped", {{"Component1", Code(kDate), "Dbk", nullptr}, {"Component2", Code(kDate), "Ok", "ok.dat"}},
         "\\Ok\\ok.dat"},
    };
    for (const auto& c : cases) {
        Clean();
        for (const auto& [name, creator, dir, file] : c.components) AddComponent(name, creator, dir, file);
        EXPECT_EQ(CSettings::GetComponentPath(kDate, fallback), c.expected) << c.what;
    }
    // A creator stored as a 32-bit number counts as well.
    Clean();
    CRegistryKey key;
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, std::string(kUsr) + "\\Component9"));
    key.SetDword("Creator", kDate);
    key.SetString("Directory", "D");
    key.SetString("File0", "f.dat");
    EXPECT_EQ(CSettings::GetComponentPath(kDate, fallback), "\\D\\f.dat");
}

TEST_F(UsersAndPathsTest, DatebookPath) {
    CSettings s;
    ASSERT_TRUE(s.FindUser("SmithJ"));
    std::string path;
    s.GetDatebookPath(path);
    EXPECT_EQ(path, m_desktop + "\\SmithJ\\datebook\\datebook.dat");

    // -d replaces the user's datebook; the user is not even looked at.
    s.m_dwPalmUserId = 12345;
    s.m_strDatebookFile = "C:\\x\\datebook.dat";
    s.GetDatebookPath(path);
    EXPECT_EQ(path, "C:\\x\\datebook.dat");
    EXPECT_TRUE(m_messages.empty());

    // A user that is gone: the message, and a path without a user part.
    s.m_strDatebookFile.clear();
    s.GetDatebookPath(path);
    EXPECT_EQ(path, m_desktop + "\\datebook\\datebook.dat");
    EXPECT_EQ(m_messages,
              std::vector<std::string>{"Error getting Palm User Directory. Please save data in Palm Desktop first."});
}

TEST_F(UsersAndPathsTest, FindUserIgnoresCase) {
    CSettings s;
    EXPECT_EQ(s.m_dwPalmUserId, UserIdOfFolder("Demo"));
    const struct {
        const char* name;
        int found;
        const char* user;
    } cases[] = {{"smithj", 1, "SmithJ"}, {"DEMO", 1, "Demo"}, {"SmithJ", 1, "SmithJ"},
                 {"Smith", 0, nullptr}, {"", 0, nullptr}, {"SmithJ ", 0, nullptr}};
    for (const auto& c : cases) {
        s.m_dwPalmUserId = 7;
        EXPECT_EQ(s.FindUser(c.name), c.found) << c.name;
        EXPECT_EQ(s.m_dwPalmUserId, c.user ? UserIdOfFolder(c.user) : 7u) << c.name;
        std::string name;
        EXPECT_EQ(s.GetUserName(name), 0);
        EXPECT_EQ(name, c.user ? c.user : "") << c.name;
    }
    EXPECT_EQ(s.FindUser(nullptr), 0);
}

TEST_F(UsersAndPathsTest, DesktopButtonGoesIntoWhicheverPalmDesktopKeyExists) {
    const struct {
        const char* what;
        bool usr, palmComputing;
        const char* expectedIn;
    } cases[] = {
        {"only the older key", true, false, kUsr},
        {"only the newer key", false, true, kPalmComputing},
        {"both: the older", true, true, kUsr},
        {"neither", false, false, nullptr},
    };
    for (const auto& c : cases) {
        Clean();
        CRegistryKey key;
        if (c.usr) {
            ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kUsr));
        }
        if (c.palmComputing) {
            ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kPalmComputing));
        }
        CSettings s;
        s.m_bPalmDesktopButton = true;
        s.SetDesktopButton(true);
        EXPECT_EQ(s.m_bPalmDesktopButton, c.expectedIn != nullptr) << c.what;
        for (const char* parent : {kUsr, kPalmComputing}) {
            CRegistryKey button;
            const bool present = button.Open(RegistryRoot::currentUser, std::string(parent) + "\\ApplicationVEMRA");
            EXPECT_EQ(present, c.expectedIn == parent) << c.what << " / " << parent;
            if (!present) continue;
            std::string text;
            uint32_t n = 0;
            EXPECT_TRUE(button.QueryString("Directory", text));
            EXPECT_EQ(text, "Backup");
            EXPECT_TRUE(button.QueryDword("Integrate", n));
            EXPECT_EQ(n, 1u);
            EXPECT_TRUE(button.QueryDword("Creator", n));
            EXPECT_EQ(n, 0x43616C66u);
            EXPECT_TRUE(button.QueryString("Name", text));
            EXPECT_EQ(text, "VEMRA");
            EXPECT_TRUE(button.QueryString("Module", text));
            std::string exe = ExecutablePath();
            if (exe.size() > 4 && exe[exe.size() - 4] == '.') exe = exe.substr(0, exe.size() - 3) + "exe";
            EXPECT_EQ(text, exe);
        }
    }
}

TEST_F(UsersAndPathsTest, TurningTheButtonOffRemovesTheEntryAtSaveAndLoad) {
    CRegistryKey key;
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kUsr));
    CSettings s;
    s.Load();
    EXPECT_TRUE(s.m_bPalmDesktopButton);
    CRegistryKey button;
    EXPECT_TRUE(button.Open(RegistryRoot::currentUser, std::string(kUsr) + "\\ApplicationVEMRA"));
    button.Close();

    s.m_bPalmDesktopButton = false;
    s.Save();
    EXPECT_FALSE(button.Open(RegistryRoot::currentUser, std::string(kUsr) + "\\ApplicationVEMRA"));
    EXPECT_TRUE(key.Open(RegistryRoot::currentUser, kUsr)) << "only the entry goes";

    // Still off at the next start: an entry made meanwhile goes again.
    ASSERT_TRUE(button.Create(RegistryRoot::currentUser, std::string(kUsr) + "\\ApplicationVEMRA"));
    button.Close();
    CSettings next;
    next.Load();
    EXPECT_FALSE(next.m_bPalmDesktopButton);
    EXPECT_FALSE(button.Open(RegistryRoot::currentUser, std::string(kUsr) + "\\ApplicationVEMRA"));
}
