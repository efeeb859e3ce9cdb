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
    // The Desktop folder (or "none"), then each user as ID, name and directory.
    static std::string View() {
        std::string desktop, view = DesktopDirectory(desktop) > 0 ? desktop : "none";
        for (short i = 0; i < UserCount(); ++i) {
            uint32_t id = 0;
            std::string name, dir;
            EXPECT_TRUE(UserIdAt(i, &id) > 0 && UserName(id, name) > 0 && UserDirectory(id, dir) > 0) << i;
            view += "; " + std::to_string(id) + " " + name + " " + dir;
        }
        return view;
    }

    ScratchDir m_dir;
    std::string m_desktop;
};

}  // namespace

TEST_F(UserDataTest, UsersAreFoldersWithADatebookSortedByName) {
    SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
    for (const char* folder : {"SmithJ", "adams", "Zed"}) test::AddDesktopUser(m_desktop, folder);
    test::AddDesktopUser(m_desktop, "NoDatebook", false);
    std::filesystem::create_directories(std::filesystem::path(m_desktop) / "EmptyFolder");
    test::WriteFile((std::filesystem::path(m_desktop) / "users.dat").string(), "not a folder");
    // A file where the datebook folder should be does not make a user either.
    test::WriteFile((std::filesystem::path(m_desktop) / "Broken").string(), "");

    // A folder's ID must never change: settings keep it (FNV-1a of the name, letter case counts).
    EXPECT_EQ(View(), m_desktop + "; 3467258179 adams \\adams; 3525497614 SmithJ \\SmithJ; 437655700 Zed \\Zed");
    uint32_t id = 0;
    for (short index : {3, -1}) EXPECT_EQ(UserIdAt(index, &id), 0) << index;
    EXPECT_EQ(UserIdAt(0, nullptr), 0);
    for (auto lookup : {UserName, UserDirectory}) {   // no user: nothing, and the text emptied
        std::string text = "old";
        EXPECT_EQ(lookup(UserIdOfFolder("NoDatebook"), text), 0);
        EXPECT_EQ(text, "");
    }
}

TEST_F(UserDataTest, DesktopFolderComesFromTheRegistryUnlessOverridden) {
    test::AddDesktopUser(m_desktop, "Demo");
    EXPECT_EQ(View(), "none");
    CRegistryKey core;
    ASSERT_TRUE(core.Create(RegistryRoot::currentUser, kCore));
    ASSERT_TRUE(core.SetString("Path", m_desktop));
    EXPECT_EQ(View(), m_desktop + "; 366791766 Demo \\Demo");
    // A Desktop folder that does not exist has no users.
    SetEnv("VEMRA_PALM_DESKTOP", m_dir.File("Elsewhere"));
    EXPECT_EQ(View(), m_dir.File("Elsewhere"));
    // A Path value of the wrong type is no Desktop folder.
    SetEnv("VEMRA_PALM_DESKTOP", "");
    ASSERT_TRUE(core.SetDword("Path", 1));
    EXPECT_EQ(View(), "none");
}

// Palm Desktop's own list names the users, with their HotSync IDs; entries without a folder and
// profiles are left out, and a list that cannot be read leaves the folder scan.
TEST_F(UserDataTest, UsersComeFromPalmDesktopsListWhenItCanBeRead) {
    SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
    for (const char* folder : {"SmithJ", "AdamsA", "Profile1", "Unlisted"}) test::AddDesktopUser(m_desktop, folder);
    const std::string list = WriteUsersFile({{3, "Profile", "Profile1", true},
                                             {0x2F1A0001, "John Smith", "SmithJ", true},
                                             {4000, "Gone User", "Gone", true},
                                             {1000, "Anna Adams", "AdamsA", false}});
    const std::string scan = m_desktop + "; 3765229062 AdamsA \\AdamsA; 2592400045 Profile1 \\Profile1; " +
                             "3525497614 SmithJ \\SmithJ; 1401364151 Unlisted \\Unlisted";
    const std::pair<std::string, std::string> cases[] = {
        {list, m_desktop + "; 790233089 John Smith \\SmithJ; 1000 Anna Adams \\AdamsA"},
        {list.substr(0, list.size() - 5), scan},   // cut short
        {WriteUsersFile({{4000, "Gone User", "Gone", true}}), scan},   // nobody whose folder exists
    };
    for (const auto& [bytes, view] : cases) {
        test::WriteFile((std::filesystem::path(m_desktop) / "users.dat").string(), bytes);
        EXPECT_EQ(View(), view);
    }
}
