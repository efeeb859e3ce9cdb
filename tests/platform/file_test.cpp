#include "platform/file.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

TEST(File, SaveAtomicallyReplacesAndKeepsBackup) {
    ScratchDir dir;
    const std::string path = dir.File("datebook.dat");
    ASSERT_TRUE(SaveFileAtomically(path, "first", true));
    EXPECT_FALSE(FileExists(path + ".bak"));   // nothing to keep the first time
    ASSERT_TRUE(SaveFileAtomically(path, "second", true));
    EXPECT_EQ(test::ReadFile(path), "second");
    EXPECT_EQ(test::ReadFile(path + ".bak"), "first");
    ASSERT_TRUE(SaveFileAtomically(path, "third", false));
    EXPECT_EQ(test::ReadFile(path), "third");
    EXPECT_FALSE(FileExists(path + ".tmp"));
}

TEST(File, FailedSaveReportsAndLeavesNothing) {
    ScratchDir dir;
    std::string error;
    EXPECT_FALSE(SaveFileAtomically(dir.File("missing-folder/x.dat"), "data", true, &error));
    EXPECT_FALSE(error.empty());
}

TEST(File, StreamedWriteAndReadAgree) {
    ScratchDir dir;
    const std::string path = dir.File("big.bin");
    std::string data;
    for (int i = 0; i < 200000; ++i) data += static_cast<char>(i * 7);
    {
        CPlatformFile out;
        ASSERT_TRUE(out.Open(path, CPlatformFile::modeWrite));
        for (std::size_t i = 0; i < data.size(); i += 997)
            ASSERT_TRUE(out.Write(data.data() + i, std::min<std::size_t>(997, data.size() - i)));
        EXPECT_EQ(out.Position(), data.size());
        ASSERT_TRUE(out.Close());
    }
    CPlatformFile in;
    ASSERT_TRUE(in.Open(path, CPlatformFile::modeRead));
    EXPECT_EQ(in.Length(), data.size());
    std::string back;
    char buf[4096];
    while (std::size_t n = in.Read(buf, sizeof buf)) back.append(buf, n);
    EXPECT_EQ(back, data);
    EXPECT_EQ(in.Position(), data.size());
}

TEST(File, OpenFailuresAreReported) {
    ScratchDir dir;
    CPlatformFile f;
    std::string error;
    EXPECT_FALSE(f.Open(dir.File("nope.csv"), CPlatformFile::modeRead, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(f.Open(dir.Path(), CPlatformFile::modeRead, &error));   // a folder
    std::string out;
    EXPECT_FALSE(ReadWholeFile(dir.File("nope.csv"), out));
}

#ifndef _WIN32
TEST(File, BackslashesAreSeparatorsNatively) {
    ScratchDir dir;
    ASSERT_TRUE(SaveFileAtomically(dir.File("a.txt"), "x", false));
    std::string back;
    std::string windowsStyle = dir.Path() + "\\a.txt";
    ASSERT_TRUE(ReadWholeFile(windowsStyle, back));
    EXPECT_EQ(back, "x");
}
#endif
