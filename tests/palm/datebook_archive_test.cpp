// Date Book Archives: a new archive as Palm Desktop writes one, the records written into it as a
// reader made from the published file notes alone reads them, and the newer layouts refused.

#include "palm/datebook_archive.h"
#include "palm/datebook_layout.h"

#include "datebook_bytes.h"
#include "palm/datebook.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

// Every record from pos on as one line of its field values, read by the notes.
std::string ReadByTheNotes(const std::string& s, std::size_t pos, std::size_t records) {
    auto u = [&](int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(s.at(pos++))) << 8 * i;
        return v;
    };
    auto bytes = [&](std::size_t n) { return s.substr((pos += n) - n, n); };
    std::map<std::uint32_t, std::string> classes;
    std::uint32_t counter = 1;
    std::ostringstream out;
    for (std::size_t field = 0; field < records * 15; ++field) {
        if (field && field % 15 == 0) out << '\n';
        const std::uint32_t type = u(4);
        if (type == 5) {
            std::size_t n = (u(4), u(1));
            if (n == 0xFF && (n = u(2)) == 0xFFFF) n = u(4);
            out << '\'' << bytes(n) << "' ";
        } else if (type != 8) {
            out << u(4) << ' ';
        } else {
            const std::uint32_t exceptions = u(2);
            for (std::uint32_t i = 0; i < exceptions; ++i) u(4);
            out << "exceptions=" << exceptions;
            const std::uint32_t tag = u(2);
            if (tag == 0) continue;
            if (tag == 0xFFFF) classes[counter++] = (u(2), bytes(u(2)));
            out << ' ' << classes.at(tag == 0xFFFF ? counter - 1 : tag & 0x7FFF);
            ++counter;
            const std::uint32_t brand = u(4);
            out << ' ' << brand << ' ' << u(4) << ' ' << u(4) << ' ' << u(4) << ' ' << u(4);
            if (brand == 2 || brand == 3 || brand == 5) out << ' ' << u(brand == 2 ? 1 : 4);
        }
    }
    EXPECT_EQ(pos, s.size());
    return out.str() + '\n';
}

TEST(DatebookArchive, NewArchiveHasPalmHeaderAndRecordsReadableByTheNotes) {
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("new.dba");
    std::string error;
    ASSERT_EQ(CreateEmptyDatebook(path, error), 0) << error;
    EXPECT_EQ(vemra::test::ReadFile(path), dbtest::Header(0, {}, path));
    EXPECT_NE(CreateEmptyDatebook(path, error), 0);   // never over an existing file

    CDateBkTable table;
    ASSERT_EQ(OpenDatebookForImport(table, path), 0) << table.GetLastErrorText();
    auto add = [&](const char* text, long start, long end) {
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        r.SetDescription(text);
        r.SetStartTime(start);
        r.SetEndTime(end);
        return r;
    };
    CDateBkRecord dentist = add("Dentist", 1110000000, 1110003600);
    dentist.SetNote(std::string(300, 'n'));
    dentist.SetAlarmAdvTime(10);
    dentist.SetAlarmFlag(1);
    CDateBkRecord walk = add("Walk", 1110100000, 1110103600);
    walk.SetRepDaily(CDayName(eSaturday, 2, 1120000000, eSunday));
    walk.AddException(1110300000);
    add("Team", 1110200000, 1110201800).SetRepWeekly(CWeekly(4 | 16, 1, 1130000000, eMonday));
    add("Run", 1110300000, 1110303600).SetRepWeekly(CWeekly(1, 7, 1140000000, eSunday));   // a class written before
    add("Review", 1110400000, 1110403600).SetRepMonthlyByDay(CDayOfMonth(eLastWeek, eFriday, 1, 1150000000, eSunday));
    CDateBkRecord year = add("New year", 1110600000, 0);
    year.SetRepYearlyByDate(CDateOfYear(eJanuary, 1, 1, 1170000000, eSunday));
    year.SetUnTimedFlag(1);
    year.SetPrivate(1);
    ASSERT_EQ(table.Save(), 0) << table.GetLastErrorText();

    const std::string bytes = vemra::test::ReadFile(path), header = dbtest::Header(6, {}, path);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(ReadByTheNotes(bytes, header.size(), 6), vemra::test::ReadFile(vemra::test::DataFile("palm/archive-records.txt")));
}

// What each layout is called in the count line, and the reason an open gives.
TEST(DatebookArchive, NewerLayoutsAreNamedAndRefusedWithAdvice) {
    std::string text;
    for (const char* file : {"desktop41-datebook.dat", "DateBook.mdb", "calendar-archive.dba", "calendar-archive6.dba", "unknown.dba"}) {
        const std::string path = vemra::test::DataFile(std::string("palm/") + file);
        CDateBkTable table;
        EXPECT_NE(table.OpenFrom(path, 0), 0);
        text += std::string(file) + ": " + DatebookLayoutNote(ProbeDatebookLayout(path)) + "\n" + table.GetLastErrorText() + "\n";
    }
    EXPECT_EQ(text, vemra::test::ReadFile(vemra::test::DataFile("palm/refusals.txt")));
}

}  // namespace
