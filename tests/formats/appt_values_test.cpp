#include "formats/appt_values.h"

#include <gtest/gtest.h>

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "tests/formats/data_cases.h"
#include "tests/record_text.h"

using vemra::MakeLocal;
using vemra::test::Scratch;

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
    v.m_timeStart = MakeLocal(2026, 7, 1, 14, 30, 17);
    v.m_timeEnd = MakeLocal(2026, 7, 1, 9, 0);
    v.m_strText = std::string(300, 't');
    v.m_strNote = std::string(5000, 'n');
    v.m_bPrivate = 1;
    v.m_bAlarm = 1;
    v.m_nAlarmTime = 10;
    v.m_nAlarmUnit = eDays;
    ASSERT_EQ(ValuesToRecord(s.record, v), 0);
    std::string text, note;
    s.record.GetDescription(text);
    s.record.GetNote(note);
    EXPECT_EQ(std::to_string(text.size()) + " " + std::to_string(note.size()), "255 4096");
    // Only hour and minute of the times count; an end before the start is kept; the repeat stops.
    const std::string fields = vemra::test::RecordText(s.record);
    EXPECT_EQ(fields.substr(fields.find(" start=")), " start=" + std::to_string(MakeLocal(2002, 3, 4, 14, 30)) +
                                                         " end=" + std::to_string(MakeLocal(2002, 3, 4, 9, 0)) +
                                                         " untimed=0 private=1 alarm=1 advance=10 unit=2 status=1 repeats=0 exceptions=0");
    CDateBkTable table;
    CDateBkRecord unbound(table, 1);
    EXPECT_NE(ValuesToRecord(unbound, v), 0);
}
