// Workbooks through the built program: exporting to .xls and importing back gives the same
// datebook as the same round trip through a CSV file; VEMRA_EXCEL=off refuses .xls names. The
// switch is left at its default here: without Microsoft Excel the engine takes over.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "tests/child_process.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"

namespace vemra::test {
namespace {

namespace fs = std::filesystem;

class ExcelRoundTripTest : public ::testing::Test {
protected:
    ExcelRoundTripTest() {
        std::error_code ec;
        fs::copy(std::string(VEMRA_SOURCE_ROOT) + "/sample/Palm", dir.File("Palm"), fs::copy_options::recursive, ec);
        EXPECT_FALSE(ec) << ec.message();
        env = {{"LC_ALL", "en_US.UTF-8"}, {"TZ", "UTC"}, {"VEMRA_UNATTENDED", "1"},
               {"VEMRA_REGISTRY", dir.File("registry.reg")}, {"VEMRA_PALM_DESKTOP", dir.File("Palm")}};
    }
    ChildResult Run(const std::vector<std::string>& args) {
        return RunChild(VEMRA_PROGRAM, args, env, dir.File("run" + std::to_string(++runs)));
    }
    // The demo exported to name, imported into an empty datebook and exported again as CSV.
    std::string RoundTrip(const std::string& name, bool full) {
        const std::string file = dir.File(name), db = dir.File(name + ".dat"), back = dir.File(name + ".back.csv");
        EXPECT_TRUE(MakeDatebook(db, {}));
        std::vector<std::string> exportArgs{"-u", "Demo", "-e", file}, importArgs{"-d", db, "-i", file},
            againArgs{"-d", db, "-e", back};
        if (full)
            for (auto* args : {&exportArgs, &importArgs, &againArgs}) args->push_back("-x");
        for (const auto& args : {exportArgs, importArgs, againArgs}) {
            const ChildResult r = Run(args);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
        }
        return ReadFile(back);
    }

    ScratchDir dir;
    Environment env;
    int runs = 0;
};

TEST_F(ExcelRoundTripTest, WorkbooksRoundTripLikeCsvFiles) {
    for (bool full : {true, false}) {
        SCOPED_TRACE(full);
        // The simple layout's span covers the demo year whenever the test runs.
        const std::string csv = RoundTrip(full ? "full.csv" : "simple.csv", full);
        ASSERT_FALSE(csv.empty());
        EXPECT_EQ(RoundTrip(full ? "full.xls" : "simple.XLS", full), csv);
        const std::string book = ReadFile(dir.File(full ? "full.xls" : "simple.XLS"));
        EXPECT_EQ(book.substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));   // a compound file, not text
    }
}

TEST_F(ExcelRoundTripTest, SwitchedOffWorkbooksAreRefused) {
    env.emplace_back("VEMRA_EXCEL", "off");
    const std::string out = dir.File("out.xls");
    ChildResult r = Run({"-u", "Demo", "-e", out});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Excel workbooks are switched off (VEMRA_EXCEL=off): " + out + "\n");
    EXPECT_FALSE(FileExists(out));

    // A damaged workbook: a clear message, nothing added.
    env.back().second = "builtin";
    const std::string bad = dir.File("bad.xls"), db = dir.File("db.dat");
    WriteFile(bad, "\"Date\",\"Text\"\r\n\"1/2/2026\",\"lunch\"\r\n");
    ASSERT_TRUE(MakeDatebook(db, {}));
    r = Run({"-d", db, "-i", bad});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Error: Can't open file " + bad + "\nThe file is not an Excel workbook.\n");
    EXPECT_TRUE(LiveTexts(db).empty());
}

}  // namespace
}  // namespace vemra::test
