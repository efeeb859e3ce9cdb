' Walks the Palm Desktop folder of automation_fixture.h through VEMRA.Application and exits
' with 1 at the first value that differs (the script host itself exits 0 after an uncaught error).
' Main runs under On Error Resume Next: every Check first makes sure no error is pending;
' Expect takes the error that the statement before it must have raised (a member's error is
' vbObjectError + 104 or 113: the low word is compared), and Pending guards that statement
' against an error left over from an earlier one. Wine's script host has no Eval and no StdErr.
Option Explicit

Dim app, users, datebook, entries, dentist, team, first, kept, e

Const INVALID_INDEX = "invalid index"
Const INVALID_DATE = "Invalid date."

Sub Fail(text)
    WScript.Echo "walk.vbs FAILED: " & text
    WScript.Quit 1
End Sub

' A date value as "yyyy-mm-dd hh:mm".
Function Stamp(v)
    Stamp = Year(v) & "-" & Right("0" & Month(v), 2) & "-" & Right("0" & Day(v), 2) & " " & _
            Right("0" & Hour(v), 2) & ":" & Right("0" & Minute(v), 2)
End Function

' Numbers of any width compare as numbers; a Boolean never equals a number.
Function Kind(x)
    Select Case VarType(x)
        Case vbInteger, vbLong, vbByte, vbSingle, vbDouble, vbCurrency
            Kind = "number"
        Case Else
            Kind = TypeName(x)
    End Select
End Function

Sub Check(what, actual, expected)
    If Err.Number <> 0 Then Fail what & ": unexpected error " & Err.Number & " [" & Err.Description & "]"
    If Kind(actual) <> Kind(expected) Then Fail what & ": got a " & TypeName(actual) & " [" & actual & "], expected [" & expected & "]"
    If actual <> expected Then Fail what & ": got [" & actual & "], expected [" & expected & "]"
End Sub

' Before a statement that must fail: no error may be pending from an earlier one.
Sub Pending()
    If Err.Number <> 0 Then Fail "unexpected error " & Err.Number & " [" & Err.Description & "]"
End Sub

Sub Expect(what, code, description)
    Dim number, text
    number = Err.Number
    text = Err.Description
    Err.Clear
    If number = 0 Then Fail what & ": raised nothing"
    If (number And &HFFFF&) <> code Then Fail what & ": raised " & (number And &HFFFF&) & " [" & text & "]"
    If description <> "" And text <> description Then Fail what & ": described as [" & text & "]"
End Sub

' Every property of an entry, in member order.
Function Describe(x)
    Describe = x.text & "|" & Stamp(x.date) & "|" & Stamp(x.starttime) & "|" & Stamp(x.endtime) & "|" & _
               x.untimed & "|" & x.note & "|" & x.alarm & "|" & x.private & "|" & x.alarmunit & "|" & _
               x.alarmtime & "|" & x.repeattype & "|" & x.repeatinterval & "|" & Stamp(x.repeatenddate) & "|" & _
               x.repmonthlyweekindex
End Function

Sub Main()
    Dim order, i, expected, n
    On Error Resume Next
    Set app = CreateObject("VEMRA.Application")
    Check "create", TypeName(app), TypeName(app)
    Set users = app.users
    Check "USERS", app.USERS.count, 3
    Check "Users", app.Users.Count, 3
    Check "users.count", users.count, 3
    Check "first user", users.item(1).name, "Alice"
    Check "last user", users.item(3).name, "Carol"
    Pending: users.item 0
    Expect "user 0", 113, INVALID_INDEX
    Pending: n = users.item(4).name
    Expect "user 4", 113, INVALID_INDEX
    Pending: users.count = 5
    Expect "set users.count", 383, ""
    Pending: users.item 1, 2
    Expect "user with two indexes", 450, ""
    Check "user by text index", users.item("2").name, "bob"

    Set datebook = users.item(1).datebook
    Set entries = datebook.entries
    Check "entries.count", entries.count, 4
    order = ""
    For i = 0 To entries.count - 1
        order = order & entries.item(i).text & "|"
    Next
    Check "start-date order", order, "New year|Review|Team meeting|Dentist|"
    Pending: entries.item "abc"
    Expect "entry of a word", 13, ""
    Check "empty datebook", users.item(3).datebook.entries.count, 0

    expected = Array( _
        "New year|2002-01-01 00:00|1899-12-30 00:00|1899-12-30 00:00|True||False|False|1|-1|5|1|2031-12-31 00:00|0", _
        "Review|2002-02-01 00:00|1899-12-30 16:00|1899-12-30 17:00|False||False|False|1|-1|4|1|2031-12-31 00:00|1", _
        "Team meeting|2002-02-05 00:00|1899-12-30 09:00|1899-12-30 10:00|False||False|False|1|-1|2|2|2002-12-31 00:00|0", _
        "Dentist|2002-03-04 00:00|1899-12-30 14:30|1899-12-30 15:15|False|Bring the card|True|True|2|10|0|0|1899-12-30 00:00|0")
    For i = 0 To 3
        Check "entry " & i, Describe(entries.item(i)), expected(i)
    Next

    ' Dates and numbers of other types on their way in; the object model's rules are tested natively.
    Set dentist = entries.item(3)
    Pending: dentist.date = DateSerial(1969, 12, 31)
    Expect "date 1969", 104, INVALID_DATE
    dentist.date = DateSerial(2031, 6, 1)
    Check "date 2031", Stamp(dentist.date), "2031-06-01 00:00"
    dentist.endtime = TimeSerial(17, 0, 0)
    Check "end set", Stamp(dentist.endtime), "1899-12-30 17:00"
    dentist.private = 0
    Check "private", dentist.private, False
    dentist.alarmunit = "3"
    Check "alarm unit days", dentist.alarmunit, 3
    dentist.alarmtime = 12.0
    Check "alarm time from a double", dentist.alarmtime, 12
    Set e = entries.item(0)
    e.starttime = TimeSerial(9, 30, 0)
    Check "start of an untimed entry", Stamp(e.starttime), "1899-12-30 09:30"

    ' Exception dates in and out.
    Set team = entries.item(2)
    Set first = team.exceptions
    Check "exception 1", Stamp(first.item(1)), "2002-03-05 00:00"
    first.add DateSerial(2002, 4, 2) + TimeSerial(13, 0, 0)
    Check "added date", Stamp(first.item(2)), "2002-04-02 00:00"
    first.remove #2/19/2002#
    Check "removed", Stamp(first.item(0)), "2002-03-05 00:00"

    ' The application released first: what was taken from it goes on working.
    Set kept = entries.item(0)
    Set app = Nothing
    Set users = Nothing
    Set datebook = Nothing
    Set entries = Nothing
    Check "entry after its application", kept.text, "New year"
End Sub

Main
' Let go of the server's objects before the host ends.
Set kept = Nothing: Set dentist = Nothing: Set team = Nothing: Set first = Nothing: Set e = Nothing
WScript.Echo "walk.vbs: all checks passed"
WScript.Quit 0
