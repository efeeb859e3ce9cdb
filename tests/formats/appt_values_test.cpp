#include "formats/appt_values.h"

#include <gtest/gtest.h>

#include "palm/datebook.h"
#include "platform/local_time.h"

using vemra::MakeLocal;

namespace {

struct Scratch {
    Scratch() { table.AppendBlankRecord(record); }
    CDateBkTable table;
    CDateBkRecord record{table, 1};
};

}  // namespace

// What the values say is checked through the golden exports; here the records they refuse and
// the alarm that needs an advance.
TEST(ApptValues, FromRecord) {
    const long start = MakeLocal(2002, 3, 4, 14, 30), end = MakeLocal(2002, 3, 4, 15, 45);
    const struct Case {
        const char* name;
        long start, end, advance;
        int flag, untimed, result, alarm;
    } cases[] = {
        {"timed with alarm", start, end, 15, 1, 0, 0, 1},
        {"alarm switched off, amount kept", start, end, 15, 0, 0, 0, 0},
        {"alarm advance 0", start, end, 0, 1, 0, 0, 0},
        {"timed without end", start, 0, -1, 0, 0, -1, 0},
        {"untimed without end", start, 0, -1, 0, 1, 0, 0},
        {"no start", 0, end, -1, 0, 0, -1, 0},
    };
    for (const Case& c : cases) {
        Scratch s;
        s.record.SetUnTimedFlag(c.untimed);
        s.record.SetStartTime(c.start);
        s.record.SetEndTime(c.end);
        s.record.SetAlarmAdvTime(c.advance);
        s.record.SetAlarmFlag(c.flag);
        CApptValues v;
        EXPECT_EQ(ValuesFromRecord(s.record, v), c.result) << c.name;
        EXPECT_EQ(v.m_bAlarm, c.alarm) << c.name;
    }
    CDateBkTable table;
    CDateBkRecord unbound(table, 1);
    CApptValues v;
    EXPECT_EQ(ValuesFromRecord(unbound, v), -1);
}

TEST(ApptValues, ToRecord) {
    Scratch s;
    s.record.SetRepDaily(CDayName(static_cast<eDayIndex>(4), 1, -1, eSunday));
    CApptValues v;
    v.m_timeDate = MakeLocal(2002, 3, 4);
    v.m_timeStart = MakeLocal(2026, 7, 1, 14, 30, 17);   // only hour and minute count
    v.m_timeEnd = MakeLocal(2026, 7, 1, 9, 0);
    v.m_strText = std::string(300, 't');
    v.m_strNote = std::string(5000, 'n');
    v.m_bPrivate = 1;
    v.m_bAlarm = 1;
    v.m_nAlarmTime = 10;
    v.m_nAlarmUnit = eDays;
    ASSERT_EQ(ValuesToRecord(s.record, v), 0);
    long start = 0, end = 0;
    s.record.GetStartTime(start);
    s.record.GetEndTime(end);
    EXPECT_EQ(start, MakeLocal(2002, 3, 4, 14, 30));
    EXPECT_EQ(end, MakeLocal(2002, 3, 4, 9, 0));   // before the start, as given
    std::string text, note;
    s.record.GetDescription(text);
    s.record.GetNote(note);
    EXPECT_EQ(text, std::string(255, 't'));
    EXPECT_EQ(note.size(), 4096u);
    EXPECT_FALSE(s.record.IsRepeatingEvt());   // the repeat was stopped

    CDateBkTable table;
    CDateBkRecord unbound(table, 1);
    EXPECT_NE(ValuesToRecord(unbound, v), 0);
}
