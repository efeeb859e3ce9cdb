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
    struct Case {
        const char* name;
        Appt candidate;
        int same;
    };
    auto with = [](auto change) {
        Appt a = Base();
        change(a);
        return a;
    };
    const Case cases[] = {
        {"identical", Base(), 1},
        {"text blanks around", with([](Appt& a) { a.text = "  Dentist\t"; }), 1},
        {"note blanks around", with([](Appt& a) { a.note = "\nBring the card "; }), 1},
        {"text case", with([](Appt& a) { a.text = "dentist"; }), 0},
        {"note differs", with([](Appt& a) { a.note = "Bring the cards"; }), 0},
        {"start 30 s later", with([](Appt& a) { a.start += 30; }), 0},
        {"end 45 s later", with([](Appt& a) { a.end += 45; }), 1},
        {"end a minute later", with([](Appt& a) { a.end += 60; }), 0},
        {"end same time next day", with([](Appt& a) { a.end += 86400; }), 1},
        {"private", with([](Appt& a) { a.isPrivate = true; }), 0},
        {"no alarm", with([](Appt& a) { a.alarm = -1; }), 0},
        {"alarm in hours", with([](Appt& a) { a.unit = eHours; }), 0},
        {"alarm 11 minutes", with([](Appt& a) { a.alarm = 11; }), 0},
        {"untimed", with([](Appt& a) { a.untimed = true; }), 0},
    };
    for (const Case& c : cases) {
        CDateBkTable table;
        CDateBkRecord existing(table, 1), candidate(table, 1);
        table.AppendBlankRecord(existing);
        SetAppt(existing, Base());
        table.AppendBlankRecord(candidate);
        SetAppt(candidate, c.candidate);
        EXPECT_EQ(IsSameAppointment(existing, candidate) != 0, c.same != 0) << c.name;
    }
}

TEST(IsSameAppointment, UntimedByDayAndRepeatsByRule) {
    CDateBkTable table;
    CDateBkRecord a(table, 1), b(table, 1);
    table.AppendBlankRecord(a);
    table.AppendBlankRecord(b);
    Appt day = Untimed("Holiday", 2026, 3, 10);
    SetAppt(a, day);
    day.start += 9 * 3600;   // another time of day on the same date
    SetAppt(b, day);
    EXPECT_NE(IsSameAppointment(a, b), 0);
    b.SetStartTime(MakeLocal(2026, 3, 11));
    EXPECT_EQ(IsSameAppointment(a, b), 0);
    b.SetStartTime(MakeLocal(2026, 3, 10));

    a.SetRepWeekly(CWeekly(1 << eTuesday, 1, -1, eSunday));
    EXPECT_EQ(IsSameAppointment(a, b), 0);   // repeating against single
    b.SetRepWeekly(CWeekly(1 << eTuesday, 1, -1, eSunday));
    EXPECT_NE(IsSameAppointment(a, b), 0);
    b.SetRepWeekly(CWeekly(1 << eTuesday, 2, -1, eSunday));
    EXPECT_EQ(IsSameAppointment(a, b), 0);   // another interval
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
