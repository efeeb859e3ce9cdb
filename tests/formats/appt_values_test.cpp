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
    const auto at = [](const std::string& hhmm) {
        return hhmm == "-" ? 0 : MakeLocal(2002, 3, 4, std::stoi(hhmm), std::stoi(hhmm.substr(3)));
    };
    for (const auto& c : vemra::test::DataRows("formats/values_from_record.txt", "|", 8)) {
        Scratch s;
        s.record.SetUnTimedFlag(std::stoi(c[5]));
        s.record.SetStartTime(at(c[1]));
        s.record.SetEndTime(at(c[2]));
        s.record.SetAlarmAdvTime(std::stol(c[3]));
        s.record.SetAlarmFlag(std::stoi(c[4]));
        CApptValues v;
        EXPECT_EQ(ValuesFromRecord(s.record, v), std::stoi(c[6])) << c[0];
        EXPECT_EQ(v.m_bAlarm, std::stoi(c[7])) << c[0];
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
    // Text and note are cut to what the datebook holds; only hour and minute of the times count;
    // an end before the start is kept; the repeat stops.
    EXPECT_EQ(vemra::test::RecordText(s.record),
              "text=" + std::string(255, 't') + " note=" + std::string(4096, 'n') + " start=" +
                  std::to_string(MakeLocal(2002, 3, 4, 14, 30)) + " end=" + std::to_string(MakeLocal(2002, 3, 4, 9, 0)) +
                  " untimed=0 private=1 alarm=1 advance=10 unit=2 status=1 repeats=0 exceptions=0");
    CDateBkTable table;
    CDateBkRecord unbound(table, 1);
    EXPECT_NE(ValuesToRecord(unbound, v), 0);
}
