#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

#include <sstream>

using vemra::CRegistryTree;

// Text of every value form read, and a tree of awkward values built, serialize as the golden
// files and read back the same (a root is written only with values of its own); text without
// keys is an empty registry.
TEST(RegistryFile, TreesSerializeAsTheGoldenAndReadBack) {
    CRegistryTree built;
    CRegistryTree::Key* k = built.Create("HKEY_CURRENT_USER\\Software\\Quelbarsk\\VEMRA\\Options");
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
    ASSERT_NE(built.Create("HKEY_CURRENT_USER\\Software\\Empty\\Leaf"), nullptr);
    ASSERT_NE(built.Create("HKEY_LOCAL_MACHINE\\Software\\Classes"), nullptr);
    std::string error;
    CRegistryTree read;
    ASSERT_TRUE(read.Parse(vemra::test::ReadFile(vemra::test::DataFile("platform/every-form.reg")), error)) << error;
    for (auto [tree, golden] : {std::pair{&built, "platform/serialized.reg"}, {&read, "platform/every-form-out.reg"}}) {
        const std::string text = tree->Serialize();
        vemra::test::ExpectGolden(golden, text);
        CRegistryTree again;
        ASSERT_TRUE(again.Parse(text, error)) << error << "\n" << text;
        EXPECT_EQ(again.Serialize(), text);
    }
    for (const char* text : {"", "\n\n", "; only a comment\n", "REGEDIT4\n"}) {
        CRegistryTree tree;
        EXPECT_TRUE(tree.Parse(text, error)) << text;
        EXPECT_EQ(tree.Serialize(), "REGEDIT4\n\n");
    }
}

TEST(RegistryFile, RejectsDamagedText) {
    std::vector<std::pair<std::string, std::string>> cases;   // reason's start, text
    std::istringstream in(vemra::test::ReadFile(vemra::test::DataFile("platform/damaged.txt")));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("@@ ", 0) == 0) cases.push_back({line.substr(3), ""});
        else if (!cases.empty()) cases.back().second += line + "\n";
    }
    ASSERT_EQ(cases.size(), 14u);
    for (const auto& [where, text] : cases) {
        CRegistryTree tree;
        tree.Create("HKEY_CURRENT_USER\\Old");
        std::string error;
        EXPECT_FALSE(tree.Parse(text, error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << text << " -> " << error;
        EXPECT_EQ(tree.Find("HKEY_CURRENT_USER\\Old"), nullptr) << "a failed parse leaves nothing behind";
    }
}

TEST(RegistryFile, OverlyDeepKeysAreRefused) {
    std::string path = "HKEY_CURRENT_USER";
    for (int i = 0; i < 600; ++i) path += "\\k";
    CRegistryTree tree;
    EXPECT_EQ(tree.Create(path), nullptr);
    std::string error;
    EXPECT_FALSE(tree.Parse("REGEDIT4\n[" + path + "]\n", error));
}
