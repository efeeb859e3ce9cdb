// The operation runner: what a running Palm Desktop is told around each operation, what its
// refusal stops, and the lines the main dialog and batch runs show.
#include <gtest/gtest.h>

#include <filesystem>

#include "palm/desktop_link.h"
#include "platform/file.h"
#include "platform/locale_dates.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/runner.h"

namespace vemra::test {
namespace {

using RunnerTest = TransferTest;

// Batch runs announce changes only, and say a refusal; the main dialog announces every operation
// and only an import stops when refused.
TEST_F(RunnerTest, PalmDesktopIsToldAroundEachOperationAndItsRefusalStopsWhatTheCallerSays) {
    // Under Wine these in-process stand-in runs end in a fault not yet understood; the
    // Windows build's own exchange is driven by the GUI tests and the batch runs.
    if (IsOptionPrefix('/')) GTEST_SKIP() << "not under Windows yet";
    const std::string in = Input(Row("3/2/2026", "9:00 AM", "10:00 AM", "new"));
    const std::string out = dir.File("out.csv");
    using enum Operation;
    struct Case {
        bool batch;
        Operation operation;
        std::intptr_t answer;   // to mode 1: 0 allows
        bool refused;
        std::vector<std::uintptr_t> modes;   // the messages' first parameters, in order
    };
    const Case cases[] = {
        {true, importFile, 0, false, {0, 1, 0, 2}},   {true, importFile, 1, true, {0, 1, 0, 2}},
        {true, removeAll, 0, false, {0, 1, 0, 2}},    {true, removeAll, 1, true, {0, 1, 0, 2}},
        {true, exportFile, 1, false, {}},             {false, importFile, 1, true, {0, 1, 0, 2}},
        {false, removeAll, 1, false, {0, 1, 0, 2}},   {false, exportFile, 1, false, {0, 1, 0, 2}},
    };
    settings.m_bFullFormat = true;
    settings.m_dwPalmUserId = 77;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.batch << "/" << static_cast<int>(c.operation) << "/" << c.answer);
        ASSERT_TRUE(MakeDatebook(db, {Untimed("old", 2026, 3, 1)}));
        std::filesystem::remove(out);
        capture.messages.clear();
        std::vector<std::uintptr_t> modes;
        int pauses = 0;
        bool written = false;   // when Palm Desktop was released
        DesktopWindowCalls calls;
        calls.find = [] { return WindowHandle(42); };
        calls.send = [&](WindowHandle, std::uintptr_t wParam, std::intptr_t lParam) -> std::intptr_t {
            modes.push_back(wParam);
            if (wParam == 0) return 0xBEC4;
            EXPECT_EQ(lParam, 77);
            if (wParam == 2) written = FileExists(out) || LiveTexts(db).size() != 1;
            return wParam == 1 ? c.answer : 0;
        };
        calls.pause = [&] { ++pauses; };
        settings.m_strFile = c.operation == importFile ? in : out;
        settings.m_bImport = c.operation == importFile;
        settings.m_bExport = c.operation == exportFile;
        settings.m_bRemoveAll = c.operation == removeAll;
        if (c.batch) {
            EXPECT_EQ(RunBatchTransfer(settings, reporter, &calls), c.refused ? kBatchFailed : 0);
        } else {
            const TransferOutcome outcome = RunTransfer(c.operation, settings, settings.m_strFile, nullptr, reporter,
                                                        DesktopNotice::everyOperation, &calls);
            EXPECT_EQ(outcome.refused, c.refused);
            EXPECT_EQ(outcome.count, c.refused ? -1 : 1);
        }
        EXPECT_EQ(capture.messages, c.refused && c.batch ? std::vector<std::string>{LoadResString(IDS_DESKTOP_REFUSED)}
                                                         : std::vector<std::string>{});
        EXPECT_EQ(modes, c.modes);
        EXPECT_EQ(pauses, c.answer == 0 ? 1 : 0);
        // A change is released after it is done; an export before it starts.
        if (!c.refused && !c.modes.empty()) {
            EXPECT_EQ(written, c.operation != exportFile);
        }
        EXPECT_EQ(LiveTexts(db).size(), c.refused || c.operation == exportFile ? 1u : c.operation == importFile ? 2u : 0u);
    }
}

TEST_F(RunnerTest, CountLineSaysAppointmentsInTheFullFormatEvenForOne) {
    settings.m_bFullFormat = true;
    // The full format says "appointments" even for one.
    EXPECT_EQ(CountLine(settings, 1), "1 appointments");
    settings.m_bFullFormat = false;
    const std::string from = DateText(settings.GetSpanStart()), to = DateText(settings.GetSpanEnd());
    EXPECT_EQ(CountLine(settings, 1), "1 appointment between " + from + " and " + to);
    EXPECT_EQ(CountLine(settings, 0), "0 appointments between " + from + " and " + to);
}

// What a finished run says: one in the singular, rejected rows and skipped duplicates counted.
TEST(SummaryLine, CountsInTheirNumber) {
    const struct { Operation operation; int count, rejected, duplicates; const char* text; } cases[] = {
        {Operation::importFile, 1, 0, 0, "1 appointment added from f.csv"},
        {Operation::importFile, 12, 1, 11, "12 appointments added from f.csv, 1 row rejected, 11 duplicates skipped"},
        {Operation::importFile, 0, 2, 1, "0 appointments added from f.csv, 2 rows rejected, 1 duplicate skipped"},
        {Operation::exportFile, 1, 0, 0, "1 row written to f.csv"},
        {Operation::exportFile, 23, 0, 0, "23 rows written to f.csv"},
        {Operation::removeAll, 1, 0, 0, "1 appointment removed"},
        {Operation::removeAll, 0, 0, 0, "0 appointments removed"},
    };
    for (const auto& c : cases) {
        TransferOutcome outcome;
        outcome.count = c.count;
        outcome.rejected = c.rejected;
        outcome.duplicates = c.duplicates;
        EXPECT_EQ(SummaryLine(c.operation, outcome, "f.csv"), c.text);
    }
}

}  // namespace
}  // namespace vemra::test
