#include "palm/user_data.h"
#include "palm/users_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/process.h"
#include "platform/registry.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

const char kCore[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";

// A Palm Desktop folder in a scratch folder, with the registry of the test's own (natively)
// or the real one with the Core key removed (Windows).
class UserDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        SetEnv("VEMRA_PALM_DESKTOP", "");
        RemoveCore();
        m_desktop = m_dir.File("Palm");
        std::filesystem::create_directories(m_desktop);
    }
    void TearDown() override {
        RemoveCore();
        SetEnv("VEMRA_PALM_DESKTOP", "");
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void RemoveCore() {
        CRegistryKey desktop;
        if (desktop.Open(RegistryRoot::currentUser, "Software\\U.S. Robotics\\Pilot Desktop", RegistryAccess::readWrite))
            desktop.DeleteSubKey("Core");
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (short i = 0; i < UserCount(); ++i) {
            uint32_t id = 0;
            EXPECT_GT(UserIdAt(i, &id), 0);
            std::string name;
            EXPECT_GT(UserName(id, name), 0);
            names.push_back(name);
        }
        return names;
    }

    ScratchDir m_dir;
    std::string m_desktop;
};

}  // namespace

TEST_F(UserDataTest, UsersAreFoldersWithADatebookSortedByName) {
    SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
    test::AddDesktopUser(m_desktop, "SmithJ");
    test::AddDesktopUser(m_desktop, "adams");
    test::AddDesktopUser(m_desktop, "NoDatebook", false);
    std::filesystem::create_directories(std::filesystem::path(m_desktop) / "EmptyFolder");
    test::WriteFile((std::filesystem::path(m_desktop) / "users.dat").string(), "not a folder");
    test::AddDesktopUser(m_desktop, "Zed");
    // A file where the datebook folder should be does not make a user either.
    test::WriteFile((std::filesystem::path(m_desktop) / "Broken").string(), "");

    EXPECT_EQ(Names(), (std::vector<std::string>{"adams", "SmithJ", "Zed"}));
    uint32_t id = 0;
    EXPECT_EQ(UserIdAt(3, &id), 0);
    EXPECT_EQ(UserIdAt(-1, &id), 0);
    EXPECT_EQ(UserIdAt(0, nullptr), 0);

    ASSERT_GT(UserIdAt(1, &id), 0);
    EXPECT_EQ(id, 0xD222D30Eu) << "a folder's ID must never change: settings keep it (FNV-1a)";
    EXPECT_NE(UserIdOfFolder("smithj"), id);
    std::string dir;
    EXPECT_GT(UserDirectory(id, dir), 0);
    EXPECT_EQ(dir, "\\SmithJ");
    std::string desktop;
    EXPECT_GT(DesktopDirectory(desktop), 0);
    EXPECT_EQ(desktop, m_desktop);

    std::string text = "old";
    EXPECT_EQ(UserName(UserIdOfFolder("NoDatebook"), text), 0);
    EXPECT_EQ(text, "");
    text = "old";
    EXPECT_EQ(UserDirectory(12345, text), 0);
    EXPECT_EQ(text, "");
}

TEST_F(UserDataTest, DesktopFolderComesFromTheRegistryUnlessOverridden) {
    test::AddDesktopUser(m_desktop, "Demo");
    std::string desktop;
    EXPECT_EQ(DesktopDirectory(desktop), 0);
    EXPECT_EQ(UserCount(), 0);

    CRegistryKey core;
    ASSERT_TRUE(core.Create(RegistryRoot::currentUser, kCore));
    ASSERT_TRUE(core.SetString("Path", m_desktop));
    EXPECT_GT(DesktopDirectory(desktop), 0);
    EXPECT_EQ(desktop, m_desktop);
    EXPECT_EQ(Names(), std::vector<std::string>{"Demo"});

    SetEnv("VEMRA_PALM_DESKTOP", m_dir.File("Elsewhere"));
    EXPECT_GT(DesktopDirectory(desktop), 0);
    EXPECT_EQ(desktop, m_dir.File("Elsewhere"));
    EXPECT_EQ(UserCount(), 0) << "a Desktop folder that does not exist has no users";

    // A Path value of the wrong type is no Desktop folder.
    SetEnv("VEMRA_PALM_DESKTOP", "");
    ASSERT_TRUE(core.SetDword("Path", 1));
    EXPECT_EQ(DesktopDirectory(desktop), 0);
    EXPECT_EQ(UserCount(), 0);
}

// Palm Desktop's own list names the users; entries without a folder and profiles are left out,
// and a list that cannot be read leaves the folder scan.
TEST_F(UserDataTest, UsersComeFromPalmDesktopsListWhenItCanBeRead) {
    SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
    for (const char* folder : {"SmithJ", "AdamsA", "Profile1", "Unlisted"}) test::AddDesktopUser(m_desktop, folder);
    const std::string list = WriteUsersFile({{3, "Profile", "Profile1", true},
                                             {0x2F1A0001, "John Smith", "SmithJ", true},
                                             {4000, "Gone User", "Gone", true},
                                             {1000, "Anna Adams", "AdamsA", false}});
    const std::string usersDat = (std::filesystem::path(m_desktop) / "users.dat").string();
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> users;
    } const cases[] = {
        {"the list", list, {"John Smith", "Anna Adams"}},
        {"cut short", list.substr(0, list.size() - 5), {"AdamsA", "Profile1", "SmithJ", "Unlisted"}},
        {"nobody whose folder exists", WriteUsersFile({{4000, "Gone User", "Gone", true}}),
         {"AdamsA", "Profile1", "SmithJ", "Unlisted"}},
    };
    for (const Case& c : cases) {
        test::WriteFile(usersDat, c.bytes);
        EXPECT_EQ(Names(), c.users) << c.name;
    }
    test::WriteFile(usersDat, list);
    uint32_t id = 0;
    EXPECT_TRUE(UserIdAt(0, &id) && id == 0x2F1A0001u) << "the HotSync ID is Palm Desktop's own";
}
