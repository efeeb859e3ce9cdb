#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

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
    const std::string text = "a \"quoted\" C:\\path\r\nsecond line", binary("\x00\x01\xfe\xff", 4);
    ASSERT_TRUE(key.SetString("text", text) && key.SetString("empty", "") && key.SetDword("number", 0xFFFFFFFEu) &&
                key.SetBinary("blob", binary));

    // Names of keys and values in any letter case.
    CRegistryKey reader;
    ASSERT_TRUE(reader.Open(RegistryRoot::currentUser, std::string(kBase) + "\\OPTIONS"));
    std::string readText, empty = "x", blob, raw;
    uint32_t n = 0, type = 0;
    ASSERT_TRUE(reader.QueryString("TEXT", readText) && reader.QueryString("empty", empty) && reader.QueryDword("number", n) &&
                reader.QueryBinary("blob", blob) && reader.QueryValue("number", type, raw));
    EXPECT_EQ((std::vector<std::string>{readText, empty, blob}), (std::vector<std::string>{text, "", binary}));
    EXPECT_EQ((std::vector<std::size_t>{n, type, raw.size()}), (std::vector<std::size_t>{0xFFFFFFFEu, regDword, 4}));

    // A value of another type is not read as this one; a key opened for reading changes nothing.
    std::string s;
    EXPECT_FALSE(reader.QueryDword("text", n) || reader.QueryString("number", s) || reader.QueryBinary("number", s) ||
                 reader.QueryString("missing", s) || reader.SetDword("number", 1));
    EXPECT_TRUE(key.DeleteValue("number"));
    EXPECT_FALSE(key.DeleteValue("number") || reader.QueryDword("number", n));
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
    std::string s;
    CRegistryKey child;
    EXPECT_FALSE(key.Open(RegistryRoot::currentUser, std::string(kBase) + "\\Nothing") || key.IsOpen() ||
                 key.QueryString("x", s) || key.SetString("x", "y") || child.Create(key, "sub"));
    EXPECT_TRUE(m_sink.messages.empty());
    // The roots themselves are always there.
    EXPECT_TRUE(key.Open(RegistryRoot::currentUser, ""));
    EXPECT_TRUE(key.Open(RegistryRoot::localMachine, ""));
}

// The file and its folder appear with the first change; another writer's change (another
// process) is seen by an open key. Its text is checked by the settings' golden profile. A damaged
// file is reported once and never overwritten.
TEST_F(RegistryTest, FileIsMadeOnFirstChangeReReadAfterOthersChangesAndKeptWhenDamaged) {
    if (!Native()) GTEST_SKIP() << "the real registry has no file";
    SetEnv("VEMRA_REGISTRY", m_dir.File("new/folder/registry.reg"));
    CRegistryKey key;
    EXPECT_FALSE(key.Open(RegistryRoot::currentUser, kBase));
    EXPECT_FALSE(FileExists(RegistryFilePath()));
    ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kBase));
    ASSERT_TRUE(key.SetDword("a", 1));
    EXPECT_TRUE(FileExists(RegistryFilePath()));
    EXPECT_FALSE(FileExists(RegistryFilePath() + ".tmp"));
    const std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\VemraTests\\Registry]\n\"a\"=dword:";
    test::WriteFile(RegistryFilePath(), text + "2\n");
    uint32_t n = 0;
    EXPECT_TRUE(key.QueryDword("a", n));
    EXPECT_EQ(n, 2u);
    EXPECT_TRUE(m_sink.messages.empty());

    test::WriteFile(RegistryFilePath(), text + "zz\n");
    CRegistryKey again, software;
    EXPECT_FALSE(again.Open(RegistryRoot::currentUser, kBase) || again.Create(RegistryRoot::currentUser, kBase) ||
                 software.Create(RegistryRoot::currentUser, "Software\\Other"));
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_NE(m_sink.messages[0].find(RegistryFilePath()), std::string::npos);
    EXPECT_NE(m_sink.messages[0].find("line 3"), std::string::npos);
    EXPECT_EQ(test::ReadFile(RegistryFilePath()), text + "zz\n");
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
    bool okA = false, okB = false;
    std::thread writerA([&] { okA = writer("a"); });
    std::thread writerB([&] { okB = writer("b"); });
    writerA.join();
    writerB.join();
    EXPECT_TRUE(okA && okB);
    CRegistryKey key;
    ASSERT_TRUE(key.Open(RegistryRoot::currentUser, kBase));
    uint32_t a = 0, b = 0;
    EXPECT_TRUE(key.QueryDword("a", a) && key.QueryDword("b", b));
    EXPECT_EQ((std::vector<uint32_t>{a, b}), (std::vector<uint32_t>{kWrites, kWrites}));
    EXPECT_TRUE(m_sink.messages.empty());
}
