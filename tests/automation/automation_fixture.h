#pragma once
// The Palm Desktop folder the automation tests walk: three users, Alice (four appointments,
// stored out of start order), bob (one) and Carol (an empty, unreadable datebook file).
// The script client walk.vbs and its transcript expect exactly these values.

#include <string>

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"

namespace vemra::test {

inline void AddRecord(CDateBkTable& table, const Appt& a, CDateBkRecord& r) {
    table.AppendBlankRecord(r);
    SetAppt(r, a);
}

// Returns the path of Alice's datebook file.
inline std::string MakeAutomationDesktop(const std::string& desktop) {
    AddDesktopUser(desktop, "Alice");
    AddDesktopUser(desktop, "bob");
    AddDesktopUser(desktop, "Carol");   // an empty file: the table library cannot open it

    CDateBkTable alice;
    {
        Appt a = Timed("Dentist", 2002, 3, 4, 14, 30, 15, 15);
        a.isPrivate = true;
        a.alarm = 10;
        a.unit = eHours;
        a.note = "Bring the card";
        CDateBkRecord r(alice, 1);
        AddRecord(alice, a, r);
    }
    {
        CDateBkRecord r(alice, 1);
        AddRecord(alice, Untimed("New year", 2002, 1, 1), r);
        r.SetRepYearlyByDate(CDateOfYear(eJanuary, 1, 1, -1, eSunday));
    }
    {
        CDateBkRecord r(alice, 1);
        AddRecord(alice, Timed("Team meeting", 2002, 2, 5, 9, 0, 10, 0), r);
        r.SetRepWeekly(CWeekly(4 | 16, 2, MakeLocal(2002, 12, 31), eSunday));   // Tuesday, Thursday
        r.AddException(MakeLocal(2002, 2, 19));
        r.AddException(MakeLocal(2002, 3, 5));
    }
    {
        CDateBkRecord r(alice, 1);
        AddRecord(alice, Timed("Review", 2002, 2, 1, 16, 0, 17, 0), r);
        r.SetRepMonthlyByDay(CDayOfMonth(eFirstWeek, eFriday, 1, -1, eSunday));
    }
    const std::string path = desktop + "/Alice/datebook/datebook.dat";
    alice.SaveAs(path);

    CDateBkTable bob;
    {
        CDateBkRecord r(bob, 1);
        AddRecord(bob, Timed("Lunch", 2003, 6, 7, 12, 0, 13, 0), r);
    }
    bob.SaveAs(desktop + "/bob/datebook/datebook.dat");
    return path;
}

}  // namespace vemra::test
