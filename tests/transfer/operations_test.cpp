// Export, import and remove all on datebooks built for each case: which appointments and rows
// they take, how they stop, and how their failures reach the user.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/file.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/transfer/transfer_test_support.h"

namespace vemra::test {
namespace {

// Every test of this program reads times in UTC, the zone of the bundled sample.
class UtcEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SetEnv("TZ", "UTC"); }
};
const auto* const g_utc = ::testing::AddGlobalTestEnvironment(new UtcEnvironment);

void AddDaily(CDateBkTable& table, const Appt& a, long end, long exception = 0) {
    CDateBkRecord r(table, 1);
    table.AppendBlankRecord(r);
    SetAppt(r, a);
    r.SetRepDaily(CDayName(eSunday, 1, end, eSunday));
    if (exception) r.AddException(exception);
}

using OperationsTest = TransferTest;

TEST_F(OperationsTest, ImportHeaderRuleErrorsAndCancel) {
    for (const auto& c : Table("import-cases.txt", 6)) {
        SCOPED_TRACE(c[0]);
        const auto added = Words(c[3]), lines = Words(c[4]);
        capture.messages.clear();
        capture.answers.clear();
        for (const char answer : c[2]) capture.answers.push_back(answer == 'c' ? answerCancel : answerOk);
        ASSERT_TRUE(MakeDatebook(db, {}));
        settings.m_bIgnoreImportErrors = c[1] == "1";
        const std::string file = Input(Unescaped(c[5]));
        EXPECT_EQ(ImportSimple(db, file.c_str(), settings, nullptr, reporter), static_cast<int>(added.size()));
        ASSERT_EQ(capture.messages.size(), lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_NE(capture.messages[i].find("line " + lines[i] + "\n"), std::string::npos) << capture.messages[i];
        EXPECT_EQ(LiveTexts(db), added);
    }
}

TEST_F(OperationsTest, InterruptStopsAtTheNextRowOrRecordAndSavesTheWorkBefore) {
    std::string text = kSimpleHeader;
    for (int i = 2; i <= 21; ++i) text += Row("3/2/2026", "9:00 AM", "10:00 AM", Numbered("line ", i));
    InterruptingProgress rows(8);   // the 8th row's turn: rows 2..8 were added
    EXPECT_EQ(ImportSimple(db, Input(text).c_str(), settings, &rows, reporter), 7);
    const auto texts = LiveTexts(db);
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts.back(), "line 8");

    ClearInterrupt();
    settings.m_bFullFormat = true;
    InterruptingProgress records(5);   // records 0..3 were marked
    EXPECT_EQ(RemoveAll(db, settings, &records, reporter), 4);
    EXPECT_EQ(LiveTexts(db), (std::vector<std::string>{"line 6", "line 7", "line 8"}));
}

// A disk that fails in the middle of the file: the rows read before it are not saved, whichever
// buffer the failure falls in, and the message gives the system's reason.
TEST_F(OperationsTest, ReadFailureSavesNothing) {
    std::string text = kSimpleHeader;
    for (int day = 1; day <= 40; ++day)
        text += Row("3/" + std::to_string(day % 28 + 1) + "/2026", "9:00 AM", "10:00 AM", Numbered("row ", day));
    const std::string file = Input(text);
    const std::string before = ReadFile(db);
    for (std::uint64_t failAt : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{kSimpleHeader.size() + 5},
                                 std::uint64_t{text.size() / 2}, std::uint64_t{text.size() - 1}}) {
        capture.messages.clear();
        SetReadFault(file, failAt);
        const int result = ImportSimple(db, file.c_str(), settings, nullptr, reporter);
        SetReadFault("", 0);
        EXPECT_EQ(result, -1) << failAt;
        ASSERT_EQ(capture.messages.size(), 1u) << failAt;
        EXPECT_EQ(capture.messages[0].rfind("Error reading file\n", 0), 0u) << capture.messages[0];
        EXPECT_EQ(ReadFile(db), before) << failAt;
        EXPECT_FALSE(FileExists(db + ".bak")) << failAt << ": the datebook was saved";
    }
    EXPECT_EQ(ImportSimple(db, file.c_str(), settings, nullptr, reporter), 40);   // the same file, read whole
}

TEST_F(OperationsTest, FailedSaveIsReportedNotCounted) {
    // A folder where the backup of the previous file must go makes the save fail.
    std::filesystem::create_directories(db + ".bak/x");
    const int result = ImportSimple(db, Input(kSimpleHeader + Row("3/2/2026", "9:00 AM", "10:00 AM", "a")).c_str(),
                                    settings, nullptr, reporter);
    if (result != -1 && LiveTexts(db).size() == 1u) GTEST_SKIP() << "this system saved despite the folder";
    EXPECT_EQ(result, -1);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0].rfind("Error: Can't save file " + db, 0), 0u) << capture.messages[0];
}

// The simple layout's span, with "now" fixed, also across daylight-saving changes: export takes
// the whole calendar days of the span and a series' occurrences; counting and remove all take
// what starts strictly inside, a series whole.
TEST_F(OperationsTest, SimpleSpanExportCountAndRemoveAll) {
    struct Restore {
        ~Restore() {
            SetFixedNow(-1);
            SetEnv("TZ", "UTC");
            ReloadTimeZone();
        }
    } restore;
    settings.m_bFullFormat = false;
    std::string transcript;
    for (const auto& row : Table("span-cases.txt", 6)) {
        SCOPED_TRACE(row[0] + " " + row[1]);
        struct {
            int y, mo, d, fy, fmo, fd, ly, lmo, ld;   // today, the span's first and last day
        } c;
        std::sscanf(row[1].c_str(), "%d-%d-%d", &c.y, &c.mo, &c.d);
        std::sscanf(row[4].c_str(), "%d-%d-%d", &c.fy, &c.fmo, &c.fd);
        std::sscanf(row[5].c_str(), "%d-%d-%d", &c.ly, &c.lmo, &c.ld);
        SetEnv("TZ", row[0]);
        ReloadTimeZone();
        LocalParts july;
        if (!BreakLocal(MakeLocal(2026, 7, 1, 12), july) || (row[0] != "UTC" && july.isdst <= 0))
            GTEST_SKIP() << "no zone " << row[0];
        SetFixedNow(MakeLocal(c.y, c.mo, c.d, 12, 0));
        settings.m_nDaysBack = std::stoi(row[2]);
        settings.m_nDaysAhead = std::stoi(row[3]);
        EXPECT_EQ(NextLocalMidnight(settings.GetSpanStart() + 3600), MakeLocal(c.fy, c.fmo, c.fd + 1, 0, 0, 0));

        // A daily series with its second day in the span excepted, one ended before the span, and
        // single appointments on and just beyond the bounds.
        CDateBkTable table;
        AddAppt(table, Untimed("untimed", c.fy, c.fmo, c.fd));   // stored out of start order
        AddDaily(table, Timed("daily", c.fy, c.fmo, c.fd - 10, 8, 0, 9, 0), -1, MakeLocal(c.fy, c.fmo, c.fd + 1));
        AddDaily(table, Timed("ended", c.fy, c.fmo, c.fd - 30, 8, 0, 9, 0), MakeLocal(c.fy, c.fmo, c.fd - 20));
        AddAppt(table, Timed("before", c.fy, c.fmo, c.fd - 1, 23, 30, 23, 45));
        AddAppt(table, Timed("first", c.fy, c.fmo, c.fd, 0, 30, 1, 0));
        AddAppt(table, Timed("last", c.ly, c.lmo, c.ld, 23, 30, 23, 45));
        AddAppt(table, Timed("last minute", c.ly, c.lmo, c.ld, 23, 59, 23, 59));
        AddAppt(table, Timed("after", c.ly, c.lmo, c.ld + 1, 0, 30, 0, 45));
        ASSERT_EQ(table.SaveAs(db), 0);

        // Rows in start order; a series' rows stand where its first start sorts, in date order.
        const std::string out = dir.File("simple.csv");
        InterruptingProgress progress(0);
        const int rows =
            ExportSimple(db, out.c_str(), settings.GetSpanStart(), settings.GetSpanEnd(), settings, &progress, reporter);
        const int counted = CountInSpan(settings);
        transcript += FormatText("%s %s: %d rows, %d counted, %d removed\n", row[0].c_str(), row[1].c_str(), rows,
                                 counted, RemoveAll(db, settings, nullptr, reporter)) + ReadFile(out);
        // The progress counts records, not rows.
        EXPECT_EQ(progress.range, std::make_pair(0, 8));
        EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        // The untimed one (00:00) and "last minute" (23:59) sit exactly on the bounds and stay.
        EXPECT_EQ(LiveTexts(db), (std::vector<std::string>{"untimed", "ended", "before", "last minute", "after"}));
    }
    ExpectGolden("transfer/span-exports.txt", transcript);
    EXPECT_TRUE(capture.messages.empty());
}

}  // namespace
}  // namespace vemra::test
