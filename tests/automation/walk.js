// Walks the Palm Desktop folder of automation_fixture.h through VEMRA.Application and exits
// with 1 at the first value that differs (the script host itself exits 0 after an uncaught error).
// A member's error number is vbObjectError + its code (104, 113); only the low word is compared.
// Wine's JScript cannot take a VT_DATE value in (nor make one: no getVarDate), so dates go in as
// OLE date numbers and strings, and the date-valued reads are walk.vbs's part.

// The OLE date number of a day (days since 30 December 1899), plus hours and minutes.
function day(y, m, d) { return (Date.UTC(y, m - 1, d) - Date.UTC(1899, 11, 30)) / 86400000; }
function clock(h, m) { return (h * 60 + m) / 1440; }

function check(what, actual, expected) {
    if (actual !== expected) throw new Error(what + ": got [" + actual + "], expected [" + expected + "]");
}
// f must raise the error whose low 16 bits are code, with the description when one is given.
function raises(what, f, code, description) {
    try {
        f();
    } catch (e) {
        if ((e.number & 0xFFFF) !== code || (description !== undefined && e.description !== description))
            throw new Error(what + ": raised " + (e.number & 0xFFFF) + " [" + e.description + "]");
        return;
    }
    throw new Error(what + ": raised nothing");
}

var INVALID_INDEX = "invalid index";
var INVALID_DATE = "Invalid date.";

function main() {
    var app = new ActiveXObject("VEMRA.Application");
    var users = app.users;
    check("USERS", app.USERS.count, 3);
    check("Users", app.Users.count, 3);
    check("users.count", users.count, 3);
    check("first user", users.item(1).name, "Alice");
    check("last user", users.item(3).name, "Carol");
    raises("user 0", function () { users.item(0); }, 113, INVALID_INDEX);
    raises("user 4", function () { users.item(4); }, 113, INVALID_INDEX);
    raises("set users.count", function () { users.count = 5; }, 383);
    raises("user without index", function () { users.item(); }, 0xE);   // DISP_E_BADPARAMCOUNT
    check("user by text index", users.item("2").name, "bob");

    var datebook = users.item(1).datebook;
    var entries = datebook.entries;
    check("entries.count", entries.count, 4);
    var order = [];
    for (var i = 0; i < entries.count; i++) order.push(entries.item(i).text);
    check("start-date order", order.join("|"), "New year|Review|Team meeting|Dentist");
    raises("entry count", function () { entries.item(4); }, 113, INVALID_INDEX);
    raises("entry -1", function () { entries.item(-1); }, 113, INVALID_INDEX);
    raises("entry of a word", function () { entries.item("abc"); }, 5);   // DISP_E_TYPEMISMATCH
    check("empty datebook", users.item(3).datebook.entries.count, 0);

    // Every property that is not a date, of every entry.
    var names = ["text", "untimed", "note", "alarm", "private", "alarmunit", "alarmtime", "repeattype",
                 "repeatinterval", "repmonthlyweekindex"];
    var expected = [
        ["New year", true, "", false, false, 1, -1, 5, 1, 0],
        ["Review", false, "", false, false, 1, -1, 4, 1, 1],
        ["Team meeting", false, "", false, false, 1, -1, 2, 2, 0],
        ["Dentist", false, "Bring the card", true, true, 2, 10, 0, 0, 0]
    ];
    for (var i = 0; i < expected.length; i++) {
        var e = entries.item(i);
        for (var k = 0; k < names.length; k++) check("entry " + i + " " + names[k], e[names[k]], expected[i][k]);
    }

    // What the calls convert on their way in; the object model's rules are tested natively.
    var dentist = entries.item(3);
    raises("empty text", function () { dentist.text = ""; }, 104, "No appointment text given.");
    raises("date 2032 as text", function () { dentist.date = "2032-01-01"; }, 104, INVALID_DATE);
    raises("date of a word", function () { dentist.date = "soon"; }, 5);
    dentist.date = day(2031, 6, 1);
    dentist.date = "2031-06-02";
    dentist.endtime = clock(17, 0);
    dentist["private"] = false;
    check("private", dentist["private"], false);
    dentist.alarmtime = "12";
    check("alarm time from text", dentist.alarmtime, 12);
    dentist.untimed = true;
    check("untimed", dentist.untimed, true);
    raises("set exceptions", function () { dentist.exceptions = 1; }, 383);

    // Exceptions: two collections of one entry share its dates.
    var team = entries.item(2);
    var first = team.exceptions, second = team.exceptions;
    check("exceptions", first.count, 2);
    raises("exception of a word", function () { first.item("x"); }, 5);
    first.add(day(2002, 4, 2) + clock(13, 0));
    check("added, seen by the other", second.count, 3);
    first.add("2002-04-02");   // the same day again
    check("a day is kept once", second.count, 3);
    second.remove(day(2002, 2, 19));
    check("removed, seen by the first", first.count, 2);
    raises("add without a date", function () { first.add(); }, 0xE);

    // The application released first: what was taken from it goes on working.
    var kept = entries.item(0);
    app = null; users = null; datebook = null; entries = null;
    CollectGarbage();
    check("entry after its application", kept.text, "New year");
}

// Wine's script host has no StdOut / StdErr: Echo is its output.
var code = 0;
try {
    main();
    WScript.Echo("walk.js: all checks passed");
} catch (e) {
    WScript.Echo("walk.js FAILED: " + (e.message || e.description) + " (" + (e.number & 0xFFFF) + ")");
    code = 1;
}
CollectGarbage();   // let go of the server's objects before the host ends
WScript.Quit(code);
