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

// The appointment with one field changed as a table cell says ("start+30", "text=dentist").
Appt Changed(Appt a, const std::string& change) {
    const std::size_t at = change.find_first_of("=+");
    if (at == std::string::npos) return a;
    const std::string field = change.substr(0, at), value = Unescaped(change.substr(at + 1));
    if (field == "text") a.text = value;
    else if (field == "note") a.note = value;
    else if (field == "start") a.start += std::stol(value);
    else if (field == "end") a.end += std::stol(value);
    else if (field == "alarm") a.alarm = std::stol(value);
    else if (field == "unit") a.unit = eHours;
    else if (field == "private") a.isPrivate = true;
    else if (field == "untimed") a.untimed = true;
    else ADD_FAILURE() << change;
    return a;
}

TEST(IsSameAppointment, ComparesWhatTheUserSees) {
    for (const auto& c : Table("same-appointments.txt", 6)) {
        const Appt from = c[1] == "base" ? Base() : Untimed("Holiday", 2026, 3, 10);   // a Tuesday
        CDateBkTable table;
        CDateBkRecord existing(table, 1), candidate(table, 1);
        table.AppendBlankRecord(existing);
        SetAppt(existing, from);
        table.AppendBlankRecord(candidate);
        SetAppt(candidate, Changed(from, c[2]));
        if (c[4] != "0") existing.SetRepWeekly(CWeekly(1 << eTuesday, std::stoi(c[4]), -1, eSunday));
        if (c[5] != "0") candidate.SetRepWeekly(CWeekly(1 << eTuesday, std::stoi(c[5]), -1, eSunday));
        EXPECT_EQ(IsSameAppointment(existing, candidate) != 0, c[3] == "1") << c[0];
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
