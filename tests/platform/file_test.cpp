#include "platform/file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace vemra;
using vemra::test::ScratchDir;

// A save replaces the content only: the previous content goes to the backup, a file of the name a
// temporary one might have is someone's, and no temporary file stays behind.
TEST(File, SaveReplacesTheContentAndKeepsABackup) {
    ScratchDir dir;
    const std::string path = dir.File("datebook.dat");
    test::WriteFile(path + ".tmp", "precious");
    ASSERT_TRUE(SaveFileAtomically(path, "one", true));
    EXPECT_FALSE(FileExists(path + ".bak"));   // nothing to keep the first time
    for (const char* content : {"two", "three"}) ASSERT_TRUE(SaveFileAtomically(path, content, true));
    EXPECT_EQ(test::ReadFile(path), "three");
    EXPECT_EQ(test::ReadFile(path + ".bak"), "two");
    EXPECT_EQ(test::ReadFile(path + ".tmp"), "precious");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 3u);
    ASSERT_TRUE(SaveFileAtomically(path, "four", false));
    EXPECT_EQ(test::ReadFile(path), "four");
}

#ifndef _WIN32
// Private appointments stay private: the saved file and its backup keep the old file's mode and
// owner, and a symbolic link keeps pointing at the file, which is saved in its own folder. The
// cases are in tests/data/platform/saved_modes.txt.
TEST(File, SaveKeepsModeOwnerAndLinks) {
    const bool root = ::geteuid() == 0;
    for (const auto& c : test::DataRows("platform/saved_modes.txt", "|", 4)) {
        SCOPED_TRACE(c[0]);
        const mode_t mode = static_cast<mode_t>(std::stoi(c[1], nullptr, 8));
        const bool throughLink = c[2] == "1";
        ScratchDir dir;
        std::filesystem::create_directory(dir.File("real"));
        const std::string real = dir.File("real/datebook.dat");
        const std::string path = throughLink ? dir.File("datebook.dat") : real;
        test::WriteFile(real, "old");
        ASSERT_TRUE(!throughLink || ::symlink("real/datebook.dat", path.c_str()) == 0);
        if (c[3] == "1") {
            test::WriteFile(real + ".bak", "older");
            ::chmod((real + ".bak").c_str(), 0666);
        }
        ASSERT_EQ(::chmod(real.c_str(), mode), 0);
        ASSERT_TRUE(!root || ::chown(real.c_str(), 4321, 4322) == 0);

        std::string error;
        ASSERT_TRUE(SaveFileAtomically(path, "new", true, &error)) << error;
        struct stat lst {}, st {}, bak {};
        ASSERT_EQ(::lstat(path.c_str(), &lst), 0);
        EXPECT_EQ(S_ISLNK(lst.st_mode), throughLink);
        EXPECT_EQ(test::ReadFile(real), "new");
        EXPECT_EQ(test::ReadFile(real + ".bak"), "old");
        ASSERT_EQ(::stat(real.c_str(), &st), 0);
        ASSERT_EQ(::stat((real + ".bak").c_str(), &bak), 0);
        for (const struct stat* s : {&st, &bak}) {
            EXPECT_EQ(s->st_mode & 07777, mode);
            EXPECT_TRUE(!root || (s->st_uid == 4321u && s->st_gid == 4322u)) << "owner " << s->st_uid;
        }
        EXPECT_FALSE(FileExists(path + ".bak") && throughLink) << "backup beside the link";
    }
}

// A new file gets the mode the user's umask gives new files.
TEST(File, NewFileGetsTheUsualMode) {
    ScratchDir dir;
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(SaveFileAtomically(dir.File("new.dat"), "x", true));
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("new.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}
#endif

#ifdef _WIN32
// A hidden datebook stays hidden, with a backup or without.
TEST(File, SaveKeepsAttributes) {
    for (bool keepBackup : {false, true}) {
        ScratchDir dir;
        const std::string path = dir.File("datebook.dat");
        test::WriteFile(path, "old");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (!(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN)) {
            GTEST_SKIP() << "no attributes here";
        }
        std::string error;
        ASSERT_TRUE(SaveFileAtomically(path, "new", keepBackup, &error)) << error;
        EXPECT_EQ(test::ReadFile(path), "new");
        EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) << keepBackup;
        if (keepBackup) {
            EXPECT_TRUE(GetFileAttributesA((path + ".bak").c_str()) & FILE_ATTRIBUTE_HIDDEN);
        }
    }
}
#endif

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
    std::size_t n = 0;
    while (in.Read(buf, sizeof buf, n) && n > 0) back.append(buf, n);
    EXPECT_EQ(back, data);
    EXPECT_EQ(in.Position(), data.size());
}

// Failures to open or save are reported. A read error is told from the end of the file: an
// injected one after some bytes of a real file, and natively a file that opens but cannot be read.
TEST(File, FailuresAreReportedAndReadErrorsAreNoEndOfFile) {
    ScratchDir dir;
    CPlatformFile file;
    std::string error, whole;
    EXPECT_FALSE(SaveFileAtomically(dir.File("missing-folder/x.dat"), "data", true, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(file.Open(dir.File("nope.csv"), CPlatformFile::modeRead, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(file.Open(dir.Path(), CPlatformFile::modeRead, &error));   // a folder
    EXPECT_FALSE(ReadWholeFile(dir.File("nope.csv"), whole));
    const std::string path = dir.File("data.bin");
    test::WriteFile(path, std::string(1000, 'x'));
    SetReadFault(path, 700);
    ASSERT_TRUE(file.Open(path, CPlatformFile::modeRead));
    char buffer[512];
    std::size_t total = 0, n = 0;
    error.clear();
    while (file.Read(buffer, sizeof buffer, n, &error) && n > 0) total += n;
    EXPECT_EQ(total, 700u);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ReadWholeFile(path, whole));
    SetReadFault("", 0);
    ASSERT_TRUE(ReadWholeFile(path, whole));
    EXPECT_EQ(whole.size(), 1000u);
#ifndef _WIN32
    error.clear();
    EXPECT_FALSE(ReadWholeFile("/proc/self/mem", whole, &error));
    EXPECT_FALSE(error.empty());
    // Backslashes are folder separators natively too.
    ASSERT_TRUE(ReadWholeFile(dir.Path() + "\\data.bin", whole));
    EXPECT_EQ(whole.size(), 1000u);
#endif
}
