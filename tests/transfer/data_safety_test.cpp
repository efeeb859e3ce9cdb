// What keeps the user's data whole: the datebook held for a change and never taken for the row
// file, exports put in place only when complete, every row of a file either stored as it is or
// reported, and the leftovers of killed saves cleared.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/codepage.h"
#include "platform/file.h"
#include "settings/settings.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

// The datebook holds one appointment with a two-line note; errors are counted, duplicates skipped.
class DataSafetyTest : public TransferTest {
protected:
    DataSafetyTest() {
        Appt kept = Timed("Kept", 2026, 3, 4, 8, 0, 9, 0);
        kept.note = "line one\nline two";
        std::filesystem::remove(db);   // no backup of the empty one beside it
        EXPECT_TRUE(MakeDatebook(db, {kept}));
        settings.m_bIgnoreImportErrors = true;
        settings.m_bNoDuplicates = true;
    }
    ~DataSafetyTest() override { SetFileCodePage(1252); }
    int Import(const std::string& file, int* rejected = nullptr, std::string* failure = nullptr) {
        return ImportSimple(db, file.c_str(), settings, nullptr, reporter, failure, rejected);
    }
    std::string Csv(const std::string& rows) { return Input(kSimpleHeader + rows); }
};

TEST_F(DataSafetyTest, AChangeWaitsForTheRunHoldingTheDatebook) {
    const std::string before = ReadFile(db);
    const std::string in = Csv(Row("3/4/2026", "9:00 AM", "", "New"));
    {
        CFileHold other;
        ASSERT_EQ(other.Take(db, 0), CFileHold::holdTaken);
        EXPECT_EQ(Import(in), -1);
        EXPECT_EQ(ReadFile(db), before);
        ASSERT_EQ(capture.messages.size(), 1u);
        EXPECT_NE(capture.messages[0].find(db), std::string::npos);

        // The holder saves (a new file takes the name) and lets go: a waiting run holds the new file.
        CFileHold waiting;
        CFileHold::Result result = CFileHold::holdFailed;
        std::thread wait([&] { result = waiting.Take(db, 5000); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(SaveFileAtomically(db, before, true));
        other.Release();
        wait.join();
        EXPECT_EQ(result, CFileHold::holdTaken);
        EXPECT_EQ(CFileHold().Take(db, 0), CFileHold::holdBusy);
    }
    EXPECT_EQ(Import(in), 1);
}

TEST_F(DataSafetyTest, TheDatebookIsNeverTheRowFile) {
    const std::string before = ReadFile(db);
    const std::string alias = dir.File("alias.csv");   // the datebook under another name
    std::filesystem::create_hard_link(db, alias);
    std::string failure;
    EXPECT_EQ(ExportFull(db, alias.c_str(), settings, nullptr, reporter), -1);
    EXPECT_EQ(Import(alias, nullptr, &failure), -1);
    EXPECT_NE(failure.find(alias), std::string::npos);
    EXPECT_EQ(ReadFile(db), before);
}

TEST_F(DataSafetyTest, AFailedExportKeepsThePreviousFile) {
    // Enough rows that the fault falls in the middle of the export, not at its close.
    std::filesystem::remove(db);
    ASSERT_TRUE(MakeDatebook(db, std::vector<Appt>(3000, Timed(std::string(60, 'x'), 2026, 3, 10, 9, 0, 10, 0))));
    const std::string out = dir.File("backup.csv");
    WriteFile(out, "the good backup");
    SetWriteFault(out, 40);
    const int result = ExportFull(db, out.c_str(), settings, nullptr, reporter);
    SetWriteFault("", 0);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(ReadFile(out), "the good backup");
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0].rfind("Error writing file\n", 0), 0u) << capture.messages[0];
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(""))) files += entry.is_regular_file();
    EXPECT_EQ(files, 2u) << "a temporary file was left behind";
}

// Every row is stored as the file has it, found as a duplicate, or reported and counted.
TEST_F(DataSafetyTest, RowsAreStoredOrReported) {
    for (const auto& c : Table("stored-rows.txt", 5)) {
#ifdef _WIN32
        if (c[3] == "1") continue;
#endif
        int rejected = -1;
        EXPECT_EQ(Import(Csv(Unescaped(c[4])), &rejected), std::stoi(c[1])) << c[0];
        EXPECT_EQ(rejected, std::stoi(c[2])) << c[0];
    }
    for (const std::string& m : capture.messages) ADD_FAILURE() << m;
}

TEST_F(DataSafetyTest, TheDatebookCodePageCanBeNamed) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the datebook's code page is the system's";
#endif
    ASSERT_TRUE(SetFileCodePage(1250));
    int rejected = -1;
    EXPECT_EQ(Import(Csv(Row("3/4/2026", "9:00 AM", "", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87")), &rejected), 1);
    EXPECT_EQ(rejected, 0);
    EXPECT_NE(ReadFile(db).find("Za\xBF\xF3\xB3\xE6"), std::string::npos);   // as Windows-1250 keeps it
    EXPECT_EQ(LiveTexts(db).back(), "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87");
}

// A workbook's first row after the header is data (its bad date is rejected, not taken for a
// header); boolean cells give their value (Untimed FALSE, Private TRUE for "Secret" only).
TEST_F(DataSafetyTest, WorkbookRowsAreDataAndBooleanCellsGiveTheirValue) {
    const std::string book = DataFile("transfer/workbook-rows.xls"), out = dir.File("out.csv");
    int rejected = -1;
    EXPECT_EQ(Import(book, &rejected), 2);
    EXPECT_EQ(rejected, 1);
    ASSERT_EQ(ExportFull(db, out.c_str(), settings, nullptr, reporter), 3);
    ExpectGolden("transfer/workbook-rows.csv", ReadFile(out));
}

TEST_F(DataSafetyTest, TheHolderClearsLeftoversOfKilledSaves) {
    const auto files = Table("leftover-files.txt", 2);
    for (const auto& f : files) WriteFile(dir.File(f[0]), "left");
    EXPECT_EQ(Import(Csv(Row("3/4/2026", "9:00 AM", "", "New"))), 1);
    for (const auto& f : files) EXPECT_EQ(FileExists(dir.File(f[0])), f[1] == "0") << f[0];
}

}  // namespace
}  // namespace vemra::test
