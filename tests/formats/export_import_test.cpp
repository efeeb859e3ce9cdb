// Whole files: rows written from datebook records, compared with golden files and read back.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "settings/field_mapping.h"
#include "settings/settings.h"
#include "tests/record_text.h"
#include "tests/test_support.h"

using vemra::MakeLocal;

namespace {

struct Appointment {
    const char* text;
    const char* note;
    int y, mo, d, sh, sm, eh, em;   // start and end hour:minute; eh < 0: untimed
    int isPrivate;
    long alarm;                     // advance; -1: none
    eAlarmUnit unit;
    std::function<void(CDateBkRecord&)> repeat;
    std::vector<long> exceptions;
};

const long kNoEnd = -1;
const std::vector<Appointment> kAppointments = {
    {"He said \"hi\", then left; ok", "line 1\r\nline 2\r\n'quoted' \"twice\"", 2002, 3, 4, 14, 30, 15, 45, 1, 15,
     eMinutes, nullptr, {}},
    {"Leap day", "", 2024, 2, 29, 0, 0, -1, 0, 0, 2, eDays,
     [](CDateBkRecord& r) { r.SetRepDaily(CDayName(static_cast<eDayIndex>(29), 3, MakeLocal(2024, 3, 31), eSunday)); },
     {MakeLocal(2024, 3, 2), MakeLocal(2024, 3, 5)}},
    {"Team", "weekly", 2002, 3, 4, 9, 0, 9, 30, 0, -1, eMinutes,
     [](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x12, 1, kNoEnd, eSunday)); }, {MakeLocal(2002, 3, 7)}},
    {"Second Tuesday", "", 2002, 3, 12, 0, 5, 23, 55, 0, 1, eHours,
     [](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eSecondWeek, eTuesday, 2, kNoEnd, eSunday)); }, {}},
    {"Rent", "", 2002, 1, 31, 12, 0, 12, 15, 1, -1, eMinutes,
     [](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(31, 1, MakeLocal(2031, 12, 30), eSunday)); }, {}},
    {"New Year's Eve", "\xE2\x82\xAC 5", 2000, 12, 31, 23, 0, 23, 59, 0, 5, eMinutes,
     [](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eDecember, 31, 1, kNoEnd, eSunday)); }, {}},
};

// Puts the appointments into a fresh, unopened table.
void Fill(CDateBkTable& table) {
    for (const Appointment& a : kAppointments) {
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        r.SetDescription(a.text);
        r.SetNote(a.note);
        r.SetPrivate(a.isPrivate);
        r.SetUnTimedFlag(a.eh < 0);
        r.SetStartTime(MakeLocal(a.y, a.mo, a.d, a.eh < 0 ? 0 : a.sh, a.eh < 0 ? 0 : a.sm));
        r.SetEndTime(a.eh < 0 ? 0 : MakeLocal(a.y, a.mo, a.d, a.eh, a.em));
        r.SetAlarmAdvTime(a.alarm);
        if (a.alarm > 0) {
            r.SetAlarmAdvUnit(a.unit);
            r.SetAlarmFlag(1);
        }
        if (a.repeat) a.repeat(r);
        for (long e : a.exceptions) r.AddException(e);
    }
}

struct Layout {
    const char* golden;
    bool full;
    const char* quote;
    const char* separator;
    int removeLineBreaks;
    const char* exceptionSeparator;
    std::vector<int> simple;   // empty: the default order
    std::vector<int> repeat;
};

const Layout kLayouts[] = {
    {"simple_default.csv", false, "\"", ",", 0, " ", {}, {}},
    {"simple_custom.csv", false, "'", ";", 1, " ", {5, 0, 2, 3, 23, 23, 23, 23, 23, 23, 23}, {}},
    {"full_default.csv", true, "\"", ",", 0, " ", {}, {}},
    {"full_custom.csv", true, "", "\t", 1, ";", {5, 6, 4, 0, 1, 2, 3, 10, 9, 8, 7},
     {22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11}},
};

// Writes the appointments as the layout's export would (header first), exceptions separated by
// separator, into path.
void Export(CSettings& settings, const Layout& layout, const char* separator, const std::string& path) {
    settings.m_mapping.SetDefaults();
    if (!layout.simple.empty()) std::copy(layout.simple.begin(), layout.simple.end(), settings.m_mapping.m_simple);
    if (!layout.repeat.empty()) std::copy(layout.repeat.begin(), layout.repeat.end(), settings.m_mapping.m_repeat);
    settings.m_strExceptionDateSeparator = separator;
    CDateBkTable table;
    Fill(table);
    CCsvFile file;
    file.SetQuote(layout.quote);
    file.SetSeparator(layout.separator);
    file.SetRemoveLineBreaks(layout.removeLineBreaks);
    ASSERT_EQ(file.OpenWrite(path), 0);
    if (layout.full) settings.m_mapping.WriteFullHeader(file);
    else settings.m_mapping.WriteSimpleHeader(file);
    CDateBkIterator it(table);
    for (std::size_t i = 0; i < kAppointments.size(); ++i) {
        CDateBkRecord r(table, 1);
        ASSERT_EQ(it.GetAt(r, static_cast<long>(i)), 0);
        CApptValues v;
        ASSERT_EQ(ValuesFromRecord(r, v), 0);
        if (layout.full) settings.m_mapping.WriteFullRow(file, v, r);
        else settings.m_mapping.WriteSimpleRow(file, v);
    }
    ASSERT_EQ(file.CloseWrite(), 0);
}

}  // namespace

// The bytes of each layout's file, as the golden files (VEMRA_UPDATE_GOLDEN=1 rewrites them; then
// review them), and every written value reads back equal: a file exported from records imports
// as the same records.
TEST(ExportFiles, MatchGoldenFilesAndReadBackAsTheSameAppointments) {
    CSettings settings;
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("out.csv");
    for (const Layout& layout : kLayouts) {
        for (const char* exceptionSeparator : {" ", ";", ",", "\""}) {
            SCOPED_TRACE(std::string(layout.golden) + " exceptions separated by " + exceptionSeparator);
            Export(settings, layout, exceptionSeparator, path);
            if (exceptionSeparator == std::string(layout.exceptionSeparator)) {
                vemra::test::ExpectGolden(std::string("formats/") + layout.golden, vemra::test::ReadFile(path));
            }
            if (layout.removeLineBreaks) continue;   // line breaks removed are gone for good
            CDateBkTable source;
            Fill(source);
            CCsvFile file;
            file.SetQuote(layout.quote);
            file.SetSeparator(layout.separator);
            ASSERT_EQ(file.OpenRead(path), 0);
            CDateBkTable target;
            auto readRow = [&](CDateBkRecord& r) {
                return layout.full ? settings.m_mapping.ReadFullRow(file, r) : settings.m_mapping.ReadSimpleRow(file, r);
            };
            CDateBkRecord header(target, 1);
            target.AppendBlankRecord(header);
            ASSERT_EQ(readRow(header), 101);   // the header row is no appointment
            CDateBkIterator it(source);
            for (std::size_t i = 0; i < kAppointments.size(); ++i) {
                SCOPED_TRACE(kAppointments[i].text);
                CDateBkRecord in(target, 1);
                target.AppendBlankRecord(in);
                ASSERT_EQ(readRow(in), 0) << file.GetRowText();
                CDateBkRecord out(source, 1);
                ASSERT_EQ(it.GetAt(out, static_cast<long>(i)), 0);
                if (layout.full) {
                    EXPECT_EQ(vemra::test::RecordText(in), vemra::test::RecordText(out));
                    EXPECT_EQ(out.IsSameRepeatingEvent(in) != 0, out.IsRepeatingEvt() != 0);
                } else {
                    // The simple layout writes no repeats: the rest must still agree.
                    const std::string written = vemra::test::RecordText(out);
                    EXPECT_EQ(vemra::test::RecordText(in), written.substr(0, written.find(" repeats=")) + " repeats=0 exceptions=0");
                }
            }
            CDateBkRecord extra(target, 1);
            target.AppendBlankRecord(extra);
            EXPECT_EQ(readRow(extra), -1);
        }
    }
}
