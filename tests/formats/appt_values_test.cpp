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
        {"no alarm", start, end, -1, 0, 0, 0, 0},
        {"timed without end", start, 0, -1, 0, 0, -1, 0},
        {"untimed without end", start, 0, -1, 0, 1, 0, 0},
        {"no start", 0, end, -1, 0, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch s;
        s.record.SetDescription("text");
        s.record.SetNote("note");
        s.record.SetPrivate(1);
        s.record.SetUnTimedFlag(c.untimed);
        s.record.SetStartTime(c.start);
        s.record.SetEndTime(c.end);
        s.record.SetAlarmAdvTime(c.advance);
        s.record.SetAlarmAdvUnit(eHours);
        s.record.SetAlarmFlag(c.flag);
        s.record.SetRepDaily(CDayName(static_cast<eDayIndex>(4), 1, -1, eSunday));
        CApptValues v;
        v.m_nAlarmTime = 99;
        ASSERT_EQ(ValuesFromRecord(s.record, v), c.result);
        if (c.result != 0) continue;
        EXPECT_EQ(v.m_strText, "text");
        EXPECT_EQ(v.m_strNote, "note");
        EXPECT_NE(v.m_bPrivate, 0);
        EXPECT_EQ(v.m_timeDate, MakeLocal(2002, 3, 4));
        EXPECT_EQ(v.m_timeStart, c.start);
        EXPECT_EQ(v.m_timeEnd, c.untimed ? 0 : c.end);
        EXPECT_EQ(v.m_bAlarm, c.alarm);
        EXPECT_EQ(v.m_nAlarmTime, c.alarm ? 15 : 99);
        EXPECT_EQ(v.m_nAlarmUnit, c.alarm ? 1 : 0);
        EXPECT_EQ(v.m_bRepeat, 1);
        EXPECT_TRUE(v.m_strRepeatType.empty());
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
    long start = 0, end = 0, advance = 0;
    s.record.GetStartTime(start);
    s.record.GetEndTime(end);
    EXPECT_EQ(start, MakeLocal(2002, 3, 4, 14, 30));
    EXPECT_EQ(end, MakeLocal(2002, 3, 4, 9, 0));   // before the start, as given
    std::string text, note;
    s.record.GetDescription(text);
    s.record.GetNote(note);
    EXPECT_EQ(text, std::string(255, 't'));
    EXPECT_EQ(note.size(), 4096u);
    EXPECT_TRUE(s.record.IsPrivate());
    EXPECT_TRUE(s.record.IsAlarmSet());
    s.record.GetAlarmAdvTime(advance);
    EXPECT_EQ(advance, 10);
    EXPECT_FALSE(s.record.IsRepeatingEvt());   // the repeat was stopped

    CDateBkTable table;
    CDateBkRecord unbound(table, 1);
    EXPECT_NE(ValuesToRecord(unbound, v), 0);
}
