#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/file.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

const char kBase[] = "Software\\VemraTests\\Registry";

// Natively a registry file of the test's own; on Windows the real registry below kBase.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        RemoveBase();
    }
    void TearDown() override {
        RemoveBase();
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void RemoveBase() {
        CRegistryKey software;
        if (software.Open(RegistryRoot::currentUser, "Software", RegistryAccess::readWrite))
            software.DeleteSubKey("VemraTests");
    }
    bool Native() const { return !RegistryFilePath().empty(); }

    ScratchDir m_dir;
    test::MessageCapture m_sink;
};

}  // namespace

TEST_F(RegistryTest, ValuesReadBackWithTheirTypes) {
    CRegistryKey key;
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, std::string(kBase) + "\\Options"));
    const std::string binary("\x00\x01\xfe\xff", 4);
    ASSERT_TRUE(key.SetString("text", "a \"quoted\" C:\\path\r\nsecond line"));
    ASSERT_TRUE(key.SetString("empty", ""));
    ASSERT_TRUE(key.SetDword("number", 0xFFFFFFFEu));
    ASSERT_TRUE(key.SetBinary("blob", binary));

    CRegistryKey reader;
    ASSERT_TRUE(reader.Open(RegistryRoot::currentUser, std::string(kBase) + "\\OPTIONS"));
    std::string s;
    uint32_t n = 0;
    EXPECT_TRUE(reader.QueryString("TEXT", s));
    EXPECT_EQ(s, "a \"quoted\" C:\\path\r\nsecond line");
    EXPECT_TRUE(reader.QueryString("empty", s));
    EXPECT_EQ(s, "");
    EXPECT_TRUE(reader.QueryDword("number", n));
    EXPECT_EQ(n, 0xFFFFFFFEu);
    EXPECT_TRUE(reader.QueryBinary("blob", s));
    EXPECT_EQ(s, binary);

    // A value of another type is not read as this one.
    EXPECT_FALSE(reader.QueryDword("text", n));
    EXPECT_FALSE(reader.QueryString("number", s));
    EXPECT_FALSE(reader.QueryBinary("number", s));
    EXPECT_FALSE(reader.QueryString("missing", s));
    uint32_t type = 0;
    EXPECT_TRUE(reader.QueryValue("number", type, s));
    EXPECT_EQ(type, regDword);
    EXPECT_EQ(s.size(), 4u);

    // A key opened for reading cannot change anything.
    EXPECT_FALSE(reader.SetDword("number", 1));
    EXPECT_TRUE(key.DeleteValue("number"));
    EXPECT_FALSE(key.DeleteValue("number"));
    EXPECT_FALSE(reader.QueryDword("number", n));
}

TEST_F(RegistryTest, SubKeysEnumerateAndDeleteWithEverythingBelow) {
    CRegistryKey base;
    ASSERT_TRUE(base.Create(RegistryRoot::currentUser, kBase));
    for (const char* name : {"Component2", "component1", "Other\\Deep"}) {
        CRegistryKey sub;
        ASSERT_TRUE(sub.Create(base, name));
        ASSERT_TRUE(sub.SetString("x", name));
    }
    std::vector<std::string> names;
    std::string name;
    for (unsigned i = 0; base.EnumSubKey(i, name); ++i) names.push_back(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Component2", "Other", "component1"}));

    EXPECT_TRUE(base.DeleteSubKey("Other"));
    EXPECT_FALSE(base.DeleteSubKey("Other"));
    CRegistryKey gone;
    EXPECT_FALSE(gone.Open(RegistryRoot::currentUser, std::string(kBase) + "\\Other\\Deep"));
    EXPECT_TRUE(gone.Open(base, "component1"));
    EXPECT_FALSE(base.EnumSubKey(2, name));
}

TEST_F(RegistryTest, MissingKeysDoNotOpen) {
    CRegistryKey key;
    EXPECT_FALSE(key.Open(RegistryRoot::currentUser, std::string(kBase) + "\\Nothing"));
    EXPECT_FALSE(key.IsOpen());
    std::string s;
    EXPECT_FALSE(key.QueryString("x", s));
    EXPECT_FALSE(key.SetString("x", "y"));
    CRegistryKey child;
    EXPECT_FALSE(child.Create(key, "sub"));
    EXPECT_TRUE(m_sink.messages.empty());
    // The roots themselves are always there.
    EXPECT_TRUE(key.Open(RegistryRoot::currentUser, ""));
    EXPECT_TRUE(key.Open(RegistryRoot::localMachine, ""));
}

// The file and its folder appear with the first change; another writer's change (another
// process) is seen by an open key. Its text is checked by the settings' golden profile.
TEST_F(RegistryTest, FileIsMadeOnFirstChangeAndReReadAfterOthersChanges) {
    if (!Native()) GTEST_SKIP() << "the real registry has no file";
    SetEnv("VEMRA_REGISTRY", m_dir.File("new/folder/registry.reg"));
    CRegistryKey key;
    EXPECT_FALSE(key.Open(RegistryRoot::currentUser, kBase));
    EXPECT_FALSE(FileExists(RegistryFilePath()));
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kBase));
    ASSERT_TRUE(key.SetDword("a", 1));
    EXPECT_TRUE(FileExists(RegistryFilePath()));
    EXPECT_FALSE(FileExists(RegistryFilePath() + ".tmp"));
    test::WriteFile(RegistryFilePath(), "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\VemraTests\\Registry]\n\"a\"=dword:2\n");
    uint32_t n = 0;
    EXPECT_TRUE(key.QueryDword("a", n));
    EXPECT_EQ(n, 2u);
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(RegistryTest, DamagedFileIsReportedOnceAndNeverOverwritten) {
    if (!Native()) GTEST_SKIP() << "the real registry has no file";
    const std::string damaged =
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\VemraTests\\Registry]\n\"a\"=dword:zz\n";
    test::WriteFile(RegistryFilePath(), damaged);
    CRegistryKey key;
    EXPECT_FALSE(key.Open(RegistryRoot::currentUser, kBase));
    EXPECT_FALSE(key.Create(RegistryRoot::currentUser, kBase));
    CRegistryKey software;
    EXPECT_FALSE(software.Create(RegistryRoot::currentUser, "Software\\Other"));
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_NE(m_sink.messages[0].find(RegistryFilePath()), std::string::npos);
    EXPECT_NE(m_sink.messages[0].find("line 3"), std::string::npos);
    EXPECT_EQ(test::ReadFile(RegistryFilePath()), damaged);
}

// Two runs changing settings at the same time: each one's values survive, and the file stays
// readable throughout.
TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    constexpr int kWrites = 100;
    auto writer = [](const char* name) {
        CRegistryKey key;
        if (!key.Create(RegistryRoot::currentUser, kBase)) return false;
        for (uint32_t i = 1; i <= kWrites; ++i)
            if (!key.SetDword(name, i)) return false;
        return true;
    };
#ifndef _WIN32
    // The file is the user's: its mode survives the saves.
    {
        CRegistryKey key;
        ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kBase));
        ASSERT_EQ(::chmod(RegistryFilePath().c_str(), 0600), 0);
    }
#endif
    bool okA = false, okB = false;
    std::thread a([&] { okA = writer("a"); });
    std::thread b([&] { okB = writer("b"); });
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    CRegistryKey key;
    ASSERT_TRUE(key.Open(RegistryRoot::currentUser, kBase));
    for (const char* name : {"a", "b"}) {
        uint32_t n = 0;
        EXPECT_TRUE(key.QueryDword(name, n)) << name;
        EXPECT_EQ(n, static_cast<uint32_t>(kWrites)) << name;
    }
    EXPECT_TRUE(m_sink.messages.empty());
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(RegistryFilePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
#endif
}
