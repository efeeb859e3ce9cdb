#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "settings/field_mapping.h"
#include "settings/settings.h"
#include "tests/record_text.h"
#include "tests/formats/data_cases.h"
#include "tests/test_support.h"

using vemra::MakeLocal;

namespace {

// "yyyy-mm-dd" as local midnight, "0" as 0.
long Date(const std::string& text) {
    return text == "0" ? 0 : MakeLocal(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)), std::stoi(text.substr(8, 2)));
}

}  // namespace

TEST(ApplyRepeatInfo, RulesAndRejections) {
    // Code, the row text afterwards ("last cell" when left alone), rule and exception count.
    CSettings settings;
    std::string dump;
    // name, type, date, week days, week index, end, exceptions, separator
    for (const auto& c : vemra::test::DataRows("formats/repeat_rule_cases.txt", "\t", 8)) {
        settings.m_strExceptionDateSeparator = c[7] == "space" ? " " : c[7] == "none" ? "" : c[7];
        vemra::test::Scratch s;
        s.record.SetStartTime(MakeLocal(2002, 3, 4, 10, 0));   // a Monday
        s.record.SetEndTime(MakeLocal(2002, 3, 4, 11, 0));
        CApptValues v;
        v.m_timeDate = Date(c[2]);
        v.m_strRepeatType = c[1];
        v.m_nRepeatInterval = 2;
        v.m_byWeekDays = static_cast<uint8_t>(std::stoi(c[3]));
        v.m_nWeekIndex = std::stoi(c[4]);
        v.m_timeRepeatEnd = Date(c[5]);
        v.m_strExceptions = c[6];
        CCsvFile file;
        file.SetRowText("last cell");
        const long result = settings.m_mapping.ApplyRepeatInfo(s.record, v, file);
        dump.append(c[0]).append(": ").append(std::to_string(result)).append(" <").append(file.GetRowText());
        std::string rule = vemra::test::RuleText(s.record);
        const auto at = rule.find(" end=") + 5, stop = rule.find(' ', at);   // an end date as local parts
        if (at > 5 && rule.compare(at, 2, "-1") != 0) rule.replace(at, stop - at, vemra::test::LocalText(std::stol(rule.substr(at, stop - at))));
        dump.append("> ").append(rule).append(" exceptions=");
        dump.append(std::to_string(s.record.GetNumExceptions())).append("\n");
    }
    vemra::test::ExpectGolden("formats/repeat_rules.txt", dump);
}

// Whole rows of both layouts through ReadSimpleRow / ReadFullRow: codes and the times read, as a
// golden file.
TEST(ReadRows, TimesCompletedAndRowsRejected) {
    CSettings settings;
    std::string dump;
    // name, default length, full layout, row
    for (const auto& c : vemra::test::DataRows("formats/read_row_cases.txt", "\t", 4)) {
        SCOPED_TRACE(c[0]);
        settings.m_nDefaultApptLength = std::stoi(c[1]);
        vemra::test::Scratch s;
        vemra::test::CsvRow<> row(c[3] + "\r\n", false);
        const auto read = [&] {
            return c[2] == "1" ? settings.m_mapping.ReadFullRow(row.File(), s.record) : settings.m_mapping.ReadSimpleRow(row.File(), s.record);
        };
        const int result = read();
        EXPECT_EQ(read(), -1);
        dump.append(c[0]).append(": ").append(std::to_string(result));
        if (result == 0) {
            long start = 0, end = 0;
            s.record.GetStartTime(start);
            s.record.GetEndTime(end);
            dump.append(" ").append(vemra::test::LocalText(start)).append(" to ").append(end ? vemra::test::LocalText(end) : "0");
            dump.append(s.record.IsUnTimed() ? " untimed" : "");
        }
        dump.append("\n");
    }
    vemra::test::ExpectGolden("formats/read_rows.txt", dump);
}
