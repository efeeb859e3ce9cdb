#pragma once
// The Palm Desktop folder the automation tests walk: three users, Alice (four appointments,
// stored out of start order), bob (one) and Carol (an empty, unreadable datebook file).
// The script client walk.vbs and its transcript expect exactly these values.

#include <filesystem>
#include <string>

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"

namespace vemra::test {

// Makes the folder, points VEMRA_PALM_DESKTOP at it, and returns the path of Alice's datebook file.
inline std::string MakeAutomationDesktop(const std::string& desktop) {
    std::filesystem::create_directories(desktop);
    SetEnv("VEMRA_PALM_DESKTOP", desktop);
    // Carol's datebook file is empty: the table library cannot open it.
    for (const char* user : {"Alice", "bob", "Carol"}) AddDesktopUser(desktop, user);
    const Appt dentist{.text = "Dentist", .start = MakeLocal(2002, 3, 4, 14, 30), .end = MakeLocal(2002, 3, 4, 15, 15),
                       .isPrivate = true, .alarm = 10, .unit = eHours, .note = "Bring the card"};
    const Appt appts[] = {dentist, Untimed("New year", 2002, 1, 1), Timed("Team meeting", 2002, 2, 5, 9, 0, 10, 0),
                          Timed("Review", 2002, 2, 1, 16, 0, 17, 0)};
    CDateBkTable alice;
    for (const Appt& appt : appts) {
        CDateBkRecord r(alice, 1);
        alice.AppendBlankRecord(r);
        SetAppt(r, appt);
        if (appt.text == "New year") r.SetRepYearlyByDate(CDateOfYear(eJanuary, 1, 1, -1, eSunday));
        if (appt.text == "Review") r.SetRepMonthlyByDay(CDayOfMonth(eFirstWeek, eFriday, 1, -1, eSunday));
        if (appt.text == "Team meeting") {
            r.SetRepWeekly(CWeekly(4 | 16, 2, MakeLocal(2002, 12, 31), eSunday));   // Tuesday, Thursday
            r.AddException(MakeLocal(2002, 2, 19));
            r.AddException(MakeLocal(2002, 3, 5));
        }
    }
    const std::string path = desktop + "/Alice/datebook/datebook.dat";
    alice.SaveAs(path);
    MakeDatebook(desktop + "/bob/datebook/datebook.dat", {Timed("Lunch", 2003, 6, 7, 12, 0, 13, 0)});
    return path;
}

}  // namespace vemra::test
