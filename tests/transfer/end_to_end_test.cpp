// The built program run as a user would run it, on a copy of the bundled demo datebook. Workbooks
// go the same round trip as CSV files; without Microsoft Excel the built-in engine takes over.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/file.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/test_support.h"
#include "tests/child_process.h"
#include "tests/transfer/transfer_test_support.h"
#include "app/exit_status.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

namespace fs = std::filesystem;

const std::string kSourceRoot = VEMRA_SOURCE_ROOT;
const char kOptionsKey[] = "Software\\Quelbarsk\\VEMRA\\Options";

// The golden full export with its rows ending in the given characters.
std::string GoldenWithLineEnds(const std::string& end) {
    std::string text = ReadFile(DataFile("transfer/demo-full.csv"));
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += end.size())
        text.replace(at, 2, end);
    return text;
}

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        std::error_code ec;
        fs::copy(kSourceRoot + "/sample/Palm", dir.File("Palm"), fs::copy_options::recursive, ec);
        EXPECT_FALSE(ec) << ec.message();
        demo = dir.File("Palm") + "/Demo/datebook/datebook.dat";
        // Natively the program and this test share the registry file; on Windows the registry.
        SetEnv("VEMRA_REGISTRY", dir.File("registry.reg"));
        ClearOptions();
        env = {{"LC_ALL", "en_US.UTF-8"}, {"TZ", "UTC"}, {"VEMRA_UNATTENDED", "1"},
               {"VEMRA_REGISTRY", dir.File("registry.reg")}, {"VEMRA_PALM_DESKTOP", dir.File("Palm")}};
    }
    ~EndToEndTest() override {
        ClearOptions();
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void ClearOptions() {
        CRegistryKey root;
        if (root.Open(RegistryRoot::currentUser, "Software\\Quelbarsk", RegistryAccess::readWrite))
            root.DeleteSubKey("VEMRA");
    }
    void SetOption(const std::string& name, long value) {
        CRegistryKey key;
        ASSERT_TRUE(key.Create(RegistryRoot::currentUser, kOptionsKey));
        ASSERT_TRUE(key.SetDword(name, static_cast<uint32_t>(value)));
    }
    // A text with its escapes and <dir>/, <data>/, <demo> and <EIO> put in.
    std::string Expanded(const std::string& cell) const {
        std::string text = Unescaped(cell);
        const std::pair<std::string, std::string> names[] = {
            {"<dir>/", dir.File("")}, {"<data>/", DataFile("")}, {"<demo>", demo}, {"<EIO>", std::strerror(EIO)}};
        for (const auto& [name, value] : names) {
            for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
        }
        return text;
    }
    ChildResult Run(const std::vector<std::string>& args) {
        return RunChild(VEMRA_PROGRAM, args, env, dir.File("run" + std::to_string(++runs)));
    }

    ScratchDir dir;
    std::string demo;
    Environment env;
    int runs = 0;
};

// Both layouts of the demo match their golden files, and go through a CSV file or a workbook
// into a new Date Book Archive and back: the full layout unchanged, the simple one the same
// whichever file it went through. (The simple layout's span covers the whole demo year.)
TEST_F(EndToEndTest, DemoExportsMatchTheGoldenFilesAndRoundTrip) {
    const long today = LocalMidnight(Now());
    SetOption("daysback", (today - MakeLocal(2026, 1, 1) + 43200) / 86400);
    SetOption("daysahead", (MakeLocal(2027, 12, 31) - today + 43200) / 86400);
    for (const std::string layout : {"full", "simple"}) {
        const std::string golden = ReadFile(DataFile("transfer/demo-" + layout + ".csv"));
        std::string back[2];
        for (const std::string extension : {".csv", ".XLS"}) {
            SCOPED_TRACE(layout + extension);
            const std::string file = dir.File(layout + extension), dba = dir.File(layout + extension + ".dba");
            std::vector<std::string> runs[] = {{"-u", "demo user", "-e", file}, {"-d", dba, "-i", file}, {"-d", dba, "-e", file + ".csv"}};
            for (auto& args : runs) {
                if (layout == "full") args.push_back("-x");
                const ChildResult r = Run(args);
                EXPECT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(r.err, "");
            }
            if (extension == ".csv") {
                EXPECT_EQ(ReadFile(file), golden);
            }
            back[extension == ".XLS"] = ReadFile(file + ".csv");
        }
        EXPECT_EQ(back[1], back[0]);
        if (layout == "full") {
            EXPECT_EQ(back[0], golden);
        }
        // A compound file, not text.
        EXPECT_EQ(ReadFile(dir.File(layout + ".XLS")).substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));
    }
}

// Rows that fail are skipped, reported (unless errors are ignored) and counted, and the run
// ends with a status of its own so that scripts see them.
TEST_F(EndToEndTest, RejectedRowsAreCountedAndGiveTheirOwnStatus) {
    // Rows 3 to 5 are bad; the empty rows at the end are no appointments to reject.
    const std::string in = DataFile("transfer/rejected-rows.csv");
    const std::string reported = Expanded(ReadFile(DataFile("transfer/rejected-rows.err")));
    for (const bool ignoreErrors : {false, true}) {
        SCOPED_TRACE(ignoreErrors ? "errors ignored" : "errors answered OK");
        SetOption("ignoreimporterrors", ignoreErrors);
        const std::string db = dir.File(ignoreErrors ? "ignored.dat" : "answered.dat");
        ASSERT_TRUE(MakeDatebook(db, {}));
        const ChildResult r = Run({"-d", db, "-i", in});
        EXPECT_EQ(r.status, exitRowsRejected);
        EXPECT_EQ(r.out, "2 appointments added from " + in + ", 3 rows rejected\n");
        EXPECT_EQ(r.err, ignoreErrors ? "" : reported);
        EXPECT_EQ(LiveTexts(db), (std::vector<std::string>{"good", "good too"}));
    }
}

// A failed run says why, exits non-zero and leaves the datebook as it was, not even saved again.
TEST_F(EndToEndTest, FailuresAreReportedAndExitNonZero) {
    env.emplace_back("VEMRA_EXCEL", "off");   // no workbooks: .xls names are refused
    const std::string golden = ReadFile(DataFile("transfer/demo-full.csv"));
    std::string semi = golden;
    for (std::size_t at = 0; (at = semi.find("\",\"", at)) != std::string::npos;) semi[++at] = ';';
    WriteFile(dir.File("full.csv"), golden);
    WriteFile(dir.File("semi.csv"), semi);
    WriteFile(dir.File("cr.csv"), GoldenWithLineEnds("\r"));
    WriteFile(dir.File("bad.xls"), "\"Date\",\"Text\"\r\n\"1/2/2026\",\"lunch\"\r\n");
    fs::create_directory(dir.File("folder.csv"));
    const std::string before = ReadFile(demo);
    for (const auto& c : Table("failed-runs.txt", 3)) {
#ifdef _WIN32
        if (c[0].find("/proc/") != std::string::npos) continue;
#endif
        std::vector<std::string> args;
        for (const std::string& word : Words(c[0])) args.push_back(Expanded(word));
        env.back().second = args.back() == dir.File("bad.xls") ? "builtin" : "off";
        const ChildResult r = Run(args);
        EXPECT_EQ(r.status, c[1] == "unavailable" ? exitNotAvailable : exitFailed) << c[0];
        EXPECT_EQ(r.err.rfind(Expanded(c[2]), 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(FileExists(dir.File("out.xls")));
    EXPECT_EQ(ReadFile(demo), before);
    EXPECT_FALSE(FileExists(demo + ".bak")) << "the datebook was saved";
}

TEST_F(EndToEndTest, RegeneratedDemoDatebookIsIdentical) {
    const std::string generator = VEMRA_MAKE_SAMPLE;
    if (generator.empty()) GTEST_SKIP() << "the generator is a native tool";
    const std::string out = dir.File("datebook.dat");
    const ChildResult r = RunChild(generator, {kSourceRoot + "/sample/demo-datebook.txt", out}, {{"TZ", "UTC"}},
                                   dir.File("generator"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(out), ReadFile(kSourceRoot + "/sample/Palm/Demo/datebook/datebook.dat"));

    // The user list, with the arguments make_sample.cpp gives for it.
    const std::string users = dir.File("users.dat");
    const ChildResult u = RunChild(generator, {"--users", users, "2718281828", "Demo", "Demo User"}, {},
                                   dir.File("users"));
    ASSERT_EQ(u.status, 0) << u.err;
    EXPECT_EQ(ReadFile(users), ReadFile(kSourceRoot + "/sample/Palm/users.dat"));
}

// An export needs an existing Date Book Archive, a Calendar Archive is refused; rows that end in a
// line feed alone read as rows, and the same file again adds only duplicates, skipped.
TEST_F(EndToEndTest, ArchivesLineFeedFilesAndDuplicates) {
    SetOption("noduplicates", 1);
    const std::string lf = dir.File("lf.csv"), back = dir.File("back.csv"), dba = dir.File("new.dba");
    WriteFile(lf, GoldenWithLineEnds("\n"));
    EXPECT_EQ(Run({"-d", dba, "-x", "-e", back}).status, exitFailed);
    EXPECT_FALSE(FileExists(dba));
    ChildResult r = Run({"-d", dba, "-x", "-i", lf});
    EXPECT_EQ(r.out + r.err, "23 appointments added from " + lf + "\n");
    EXPECT_EQ(Run({"-d", dba, "-x", "-e", back}).out, "23 rows written to " + back + "\n");
    EXPECT_EQ(ReadFile(back), GoldenWithLineEnds("\r\n"));
    EXPECT_EQ(Run({"-d", dba, "-x", "-i", lf}).out, "0 appointments added from " + lf + ", 23 duplicates skipped\n");
    EXPECT_EQ(LiveTexts(dba).size(), 23u);
    r = Run({"-d", DataFile("palm/calendar-archive.dba"), "-x", "-e", back});
    EXPECT_NE(r.err.find("is a Calendar Archive"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vemra::test
