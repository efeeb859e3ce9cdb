#include <gtest/gtest.h>

#include "platform/message_pump.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

class RemoveAllTest : public ::testing::Test {
protected:
    RemoveAllTest() {
        capture.messages.clear();
        db = dir.File("datebook.dat");
        settings.m_strDatebookFile = db;   // CountInSpan asks the settings for the path
        settings.m_nDaysBack = 0;
        settings.m_nDaysAhead = 0;
        LocalParts p;
        BreakLocal(Now(), p);
        today = p;
    }
    ~RemoveAllTest() override { ClearInterrupt(); }
    Appt At(const std::string& text, int dayOffset, int h1, int m1, int h2, int m2) {
        LocalParts p;
        BreakLocal(MakeLocal(today.year, today.month, today.day) + dayOffset * 86400 + 7200, p);
        return Timed(text, p.year, p.month, p.day, h1, m1, h2, m2);
    }
    ScratchDir dir;
    MessageCapture capture;
    CSettings settings;
    std::string db;
    LocalParts today;
};

TEST_F(RemoveAllTest, SimpleFormatSpanIsStrictAndSeriesGoWhole) {
    Appt untimedToday = At("untimed today", 0, 0, 0, 0, 0);
    untimedToday.untimed = true;
    untimedToday.end = 0;
    CDateBkTable table;
    AddAppt(table, At("today 9:00", 0, 9, 0, 10, 0));
    AddAppt(table, untimedToday);
    AddAppt(table, At("today 23:59", 0, 23, 59, 23, 59));
    AddAppt(table, At("yesterday", -1, 12, 0, 13, 0));
    AddAppt(table, At("tomorrow", 1, 12, 0, 13, 0));
    {
        // Daily from two days ago; with a span of five days, one of them excepted.
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        const Appt a = At("daily", -2, 7, 0, 7, 30);
        SetAppt(r, a);
        r.SetRepDaily(CDayName(static_cast<eDayIndex>(1), 1, -1, eSunday));
        r.AddException(LocalMidnight(a.start) + 3 * 86400 + 3600);
    }
    {
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        SetAppt(r, At("ended series", -30, 7, 0, 7, 30));
        r.SetRepDaily(CDayName(static_cast<eDayIndex>(1), 1, LocalMidnight(At("", -20, 0, 0, 0, 0).start), eSunday));
    }
    ASSERT_EQ(table.SaveAs(db), 0);

    settings.m_bFullFormat = false;
    // Today only: 9:00 and the daily's occurrence; the untimed one (00:00:00) and 23:59 sit
    // exactly on the bounds and stay.
    EXPECT_EQ(CountInSpan(settings), 2);
    settings.m_nDaysBack = 2;
    settings.m_nDaysAhead = 2;
    // Five single appointments, and the daily's five occurrences less the excepted one.
    EXPECT_EQ(CountInSpan(settings), 5 + 4);
    EXPECT_EQ(RemoveAll(db, settings, nullptr), 5 + 4);
    EXPECT_EQ(LiveTexts(db), std::vector<std::string>{"ended series"});
}

TEST_F(RemoveAllTest, InterruptStillSavesWhatWasMarked) {
    std::vector<Appt> appts;
    for (int i = 0; i < 10; ++i) appts.push_back(At(Numbered("a", i), i, 9, 0, 10, 0));
    ASSERT_TRUE(MakeDatebook(db, appts));
    settings.m_bFullFormat = true;
    class Progress : public CProgress {
    public:
        void SetRange(int, int) override {}
        void SetPos(int pos) override {
            if (pos == 4) RequestInterrupt();
        }
    } progress;
    EXPECT_EQ(RemoveAll(db, settings, &progress), 4);
    EXPECT_EQ(LiveTexts(db), (std::vector<std::string>{"a4", "a5", "a6", "a7", "a8", "a9"}));
}

}  // namespace
}  // namespace vemra::test
