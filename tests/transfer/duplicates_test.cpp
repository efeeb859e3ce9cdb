#include <gtest/gtest.h>

#include "tests/transfer/transfer_test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

Appt Base() {
    Appt a = Timed("Dentist", 2026, 3, 10, 10, 0, 11, 0);
    a.note = "Bring the card";
    a.alarm = 10;
    a.unit = eMinutes;
    return a;
}

TEST(IsSameAppointment, ComparesWhatTheUserSees) {
    auto with = [](Appt a, auto change) {
        change(a);
        return a;
    };
    const Appt base = Base(), day = Untimed("Holiday", 2026, 3, 10);   // a Tuesday
    const CWeekly tuesdays(1 << eTuesday, 1, -1, eSunday), everyOther(1 << eTuesday, 2, -1, eSunday);
    struct Case {
        const char* name;
        Appt existing, candidate;
        bool same;
        const CWeekly* existingRule = nullptr;
        const CWeekly* candidateRule = nullptr;
    };
    const Case cases[] = {
        {"identical", base, base, true},
        {"text blanks around", base, with(base, [](Appt& a) { a.text = "  Dentist\t"; }), true},
        {"note blanks around", base, with(base, [](Appt& a) { a.note = "\nBring the card "; }), true},
        {"text case", base, with(base, [](Appt& a) { a.text = "dentist"; }), false},
        {"note differs", base, with(base, [](Appt& a) { a.note = "Bring the cards"; }), false},
        {"start 30 s later", base, with(base, [](Appt& a) { a.start += 30; }), false},
        {"end 45 s later", base, with(base, [](Appt& a) { a.end += 45; }), true},
        {"end a minute later", base, with(base, [](Appt& a) { a.end += 60; }), false},
        {"end same time next day", base, with(base, [](Appt& a) { a.end += 86400; }), true},
        {"private", base, with(base, [](Appt& a) { a.isPrivate = true; }), false},
        {"no alarm", base, with(base, [](Appt& a) { a.alarm = -1; }), false},
        {"alarm in hours", base, with(base, [](Appt& a) { a.unit = eHours; }), false},
        {"alarm 11 minutes", base, with(base, [](Appt& a) { a.alarm = 11; }), false},
        {"untimed", base, with(base, [](Appt& a) { a.untimed = true; }), false},
        {"untimed, another time of day", day, with(day, [](Appt& a) { a.start += 9 * 3600; }), true},
        {"untimed, next day", day, with(day, [](Appt& a) { a.start += 86400; }), false},
        {"repeating against single", day, day, false, &tuesdays},
        {"same rule", day, day, true, &tuesdays, &tuesdays},
        {"another interval", day, day, false, &tuesdays, &everyOther},
    };
    for (const Case& c : cases) {
        CDateBkTable table;
        CDateBkRecord existing(table, 1), candidate(table, 1);
        table.AppendBlankRecord(existing);
        SetAppt(existing, c.existing);
        if (c.existingRule) existing.SetRepWeekly(*c.existingRule);
        table.AppendBlankRecord(candidate);
        SetAppt(candidate, c.candidate);
        if (c.candidateRule) candidate.SetRepWeekly(*c.candidateRule);
        EXPECT_EQ(IsSameAppointment(existing, candidate) != 0, c.same) << c.name;
    }
}

// The narrowing search must find what a plain scan finds, for tables below and above the
// size where it takes over, with deleted and archived twins that never count.
TEST(IsDuplicate, FindsEveryLiveTwinWhateverTheTableSize) {
    for (int size : {1, 9, 10, 11, 40, 257}) {
        CDateBkTable table;
        std::vector<Appt> appts;
        for (int i = 0; i < size; ++i) {
            // Several appointments share a day; days are spread out and stored out of order.
            const int day = 1 + (i * 7) % 28;
            Appt a = Timed("appt " + std::to_string(i), 2026, 1 + (i * 5) % 12, day, 8 + i % 9, 0, 18, 0);
            if (i % 13 == 5) a.status = 4;
            if (i % 17 == 6) a.status = 0x80;
            appts.push_back(a);
            AddAppt(table, a);
        }
        CDateBkTable scratch;
        for (int i = 0; i < size; ++i) {
            CDateBkRecord candidate(scratch, 1);
            scratch.AppendBlankRecord(candidate);
            Appt twin = appts[i];
            twin.status = 0;
            SetAppt(candidate, twin);
            EXPECT_EQ(IsDuplicate(table, candidate), appts[i].status == 0 ? 1 : 0) << size << " " << i;
            candidate.SetDescription("other " + std::to_string(i));
            EXPECT_EQ(IsDuplicate(table, candidate), 0) << size << " " << i;
        }
    }
}

}  // namespace
}  // namespace vemra::test
