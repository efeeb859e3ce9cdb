' Walks the Palm Desktop folder of automation_fixture.h through VEMRA.Application and echoes what
' each step gives: the value with its type, or the error (the low word of its number) and its
' description. com_test.cpp compares the lines with tests/data/automation/walk.txt. Dates go in
' as VT_DATE and as texts and come out as VT_DATE; numbers and flags go in as texts and doubles.
Option Explicit
Dim out, app, users, entries, dentist, first, kept, e, v, i

Sub Note(what)
    If Err.Number <> 0 Then
        out = out & what & ": error " & (Err.Number And &HFFFF&) & " " & Err.Description & vbLf
        Err.Clear
    ElseIf IsDate(v) And VarType(v) = vbDate Then
        out = out & what & " = Date " & Year(v) & "-" & Month(v) & "-" & Day(v) & " " & Hour(v) & ":" & Minute(v) & vbLf
    Else
        out = out & what & " = " & TypeName(v) & " " & v & vbLf
    End If
    v = Empty
End Sub

Sub Main()
    On Error Resume Next
    Set app = CreateObject("VEMRA.Application")
    Set users = app.users
    v = app.USERS.Count: Note "USERS.Count"
    v = users.item("2").name: Note "user ""2"""
    v = users.item(0).name: Note "user 0"
    users.count = 5: Note "set count"
    users.item 1, 2: Note "two indexes"
    Set entries = users.item(1).datebook.entries
    v = entries.item("abc").text: Note "entry abc"
    For i = 0 To entries.count - 1
        Set e = entries.item(i)
        For Each v In Array(e.text, e.date, e.starttime, e.endtime, e.untimed, e.note, e.alarm, e.private, _
                            e.alarmunit, e.alarmtime, e.repeattype, e.repeatinterval, e.repeatenddate, e.repmonthlyweekindex)
            Note "entry " & i
        Next
    Next
    Set dentist = entries.item(3)
    dentist.date = "2031-06-02": v = dentist.date: Note "date text 2031"
    dentist.date = "soon": Note "date of a word"
    dentist.starttime = 0.5: v = dentist.starttime: Note "start from a double"
    dentist.endtime = TimeSerial(17, 0, 0): v = dentist.endtime: Note "end"
    dentist.private = 0: v = dentist.private: Note "private 0"
    dentist.alarmunit = "3": v = dentist.alarmunit: Note "alarm unit text"
    dentist.alarmtime = 12.0: v = dentist.alarmtime: Note "alarm time double"
    Set first = entries.item(2).exceptions
    first.add DateSerial(2002, 4, 2) + TimeSerial(13, 0, 0): v = first.item(2): Note "added"
    first.add "2002-04-02": v = first.count: Note "the same day as text"
    first.remove #2/19/2002#: v = first.item(0): Note "removed, first"
    ' The application released first: what was taken from it goes on working.
    Set kept = entries.item(0)
    Set app = Nothing: Set users = Nothing: Set entries = Nothing
    v = kept.text: Note "after the application"
End Sub

Main
WScript.Echo out
