#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using vemra::CRegistryTree;

namespace {
const CRegistryTree::Value* ValueAt(const CRegistryTree& tree, const char* key, const char* name) {
    const CRegistryTree::Key* k = tree.Find(key);
    return k ? k->FindValue(name) : nullptr;
}
}  // namespace

TEST(RegistryFile, ReadsEveryValueForm) {
    const char* text =
        "\xEF\xBB\xBFREGEDIT4\r\n"
        "; a comment\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quelbarsk\\VEMRA\\Options]\r\n"
        "\"separator\"=\";\"\r\n"
        "\"quoted\"=\"say \\\"hi\\\" \\\\ C:\\Palm\"\r\n"
        "\"daysahead\"=dword:0000001e\r\n"
        "\"short\"=dword:7\r\n"
        "\"simplemapping\"=hex:00,01,\\\r\n"
        "   02, ff\r\n"
        "\"empty\"=hex:\r\n"
        "\"multi\"=hex(7):61,00,00\r\n"
        "@=\"default\"\r\n";
    CRegistryTree tree;
    std::string error;
    ASSERT_TRUE(tree.Parse(text, error)) << error;
    const char* key = "hkey_current_user\\SOFTWARE\\quelbarsk\\vemra\\options";
    struct Case {
        const char* name;
        uint32_t type;
        std::string data;
    } cases[] = {
        {"separator", vemra::regString, std::string(";\0", 2)},
        {"quoted", vemra::regString, std::string("say \"hi\" \\ C:\\Palm\0", 19)},
        {"DAYSAHEAD", vemra::regDword, std::string("\x1e\0\0\0", 4)},
        {"short", vemra::regDword, std::string("\x07\0\0\0", 4)},
        {"simplemapping", vemra::regBinary, std::string("\x00\x01\x02\xff", 4)},
        {"empty", vemra::regBinary, ""},
        {"multi", 7, std::string("a\0\0", 3)},
        {"", vemra::regString, std::string("default\0", 8)},
    };
    for (const auto& c : cases) {
        const CRegistryTree::Value* v = ValueAt(tree, key, c.name);
        ASSERT_NE(v, nullptr) << c.name;
        EXPECT_EQ(v->type, c.type) << c.name;
        EXPECT_EQ(v->data, c.data) << c.name;
    }
    // The keys above the section exist too.
    EXPECT_NE(tree.Find("HKEY_CURRENT_USER\\Software\\Quelbarsk"), nullptr);
}

TEST(RegistryFile, SerializedTreeReadsBackTheSame) {
    CRegistryTree tree;
    CRegistryTree::Key* k = tree.Create("HKEY_CURRENT_USER\\Software\\Quelbarsk\\VEMRA\\Options");
    ASSERT_NE(k, nullptr);
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
    k->SetValue("prcmsgtext", vemra::regString, std::string("two\r\nlines\0", 11));
    k->SetValue("plain", vemra::regString, std::string("a \"b\" \\c\0", 10));
    k->SetValue("no nul", vemra::regString, "abc");
    k->SetValue("odd dword", vemra::regDword, "\x01\x02");
    k->SetValue("n", vemra::regDword, std::string("\xff\xff\xff\xff", 4));
    k->SetValue("bytes", vemra::regBinary, allBytes);
    k->SetValue("", vemra::regString, std::string("\0", 1));
    ASSERT_NE(tree.Create("HKEY_CURRENT_USER\\Software\\Empty\\Leaf"), nullptr);
    ASSERT_NE(tree.Create("HKEY_LOCAL_MACHINE\\Software\\Classes"), nullptr);

    const std::string text = tree.Serialize();
    vemra::test::ExpectGolden("platform/serialized.reg", text);
    CRegistryTree again;
    std::string error;
    ASSERT_TRUE(again.Parse(text, error)) << error << "\n" << text;
    EXPECT_EQ(again.Serialize(), text);
}

TEST(RegistryFile, RejectsDamagedText) {
    const struct {
        const char* text;
        const char* where;
    } cases[] = {
        {"Windows Registry Editor Version 5.00\n", "line 1"},
        {"garbage\nREGEDIT4\n", "line 1"},
        {"REGEDIT4\n\"x\"=\"y\"\n", "line 2"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n", "line 2"},
        {"REGEDIT4\n[Software\\A]\n", "line 2"},
        {"REGEDIT4\n[-HKEY_CURRENT_USER\\A]\n", "line 2"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"unterminated\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"a\" tail\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:123456789\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:0g\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:00,,01\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:00,\\\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=-\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\nplain text\n", "line 3"},
    };
    for (const auto& c : cases) {
        CRegistryTree tree;
        tree.Create("HKEY_CURRENT_USER\\Old");
        std::string error;
        EXPECT_FALSE(tree.Parse(c.text, error)) << c.text;
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << c.text << " -> " << error;
        EXPECT_EQ(tree.Find("HKEY_CURRENT_USER\\Old"), nullptr) << "a failed parse leaves nothing behind";
    }
}

TEST(RegistryFile, EmptyTextIsAnEmptyRegistry) {
    for (const char* text : {"", "\n\n", "; only a comment\n", "REGEDIT4\n"}) {
        CRegistryTree tree;
        std::string error;
        EXPECT_TRUE(tree.Parse(text, error)) << text;
        EXPECT_EQ(tree.Serialize(), "REGEDIT4\n\n");
    }
}

TEST(RegistryFile, RootsAreWrittenOnlyWithValuesOfTheirOwn) {
    CRegistryTree tree;
    tree.Create("HKEY_CURRENT_USER");
    tree.Create("HKEY_LOCAL_MACHINE\\Software");
    EXPECT_EQ(tree.Serialize(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n");
    tree.Find("HKEY_CURRENT_USER")->SetValue("v", vemra::regDword, std::string(4, '\0'));
    CRegistryTree again;
    std::string error;
    ASSERT_TRUE(again.Parse(tree.Serialize(), error)) << error;
    ASSERT_NE(again.Find("HKEY_CURRENT_USER"), nullptr);
    EXPECT_NE(again.Find("HKEY_CURRENT_USER")->FindValue("v"), nullptr);
}

TEST(RegistryFile, OverlyDeepKeysAreRefused) {
    std::string path = "HKEY_CURRENT_USER";
    for (int i = 0; i < 600; ++i) path += "\\k";
    CRegistryTree tree;
    EXPECT_EQ(tree.Create(path), nullptr);
    std::string error;
    EXPECT_FALSE(tree.Parse("REGEDIT4\n[" + path + "]\n", error));
}
