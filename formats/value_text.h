#pragma once
// Text forms of field values in delimited text files: cell escaping, line breaks, exception
// date lists, and the conversions of date, time and integer cells. Shared by every row file
// that reads cells as text.

#include <string>
#include <string_view>

namespace vemra {

// Why a cell or row is rejected on import (the message: RejectionText in formats/rejection.h).
enum : int {
    reasonInvalidDate = 101, reasonInvalidStartTime, reasonInvalidEndTime, reasonNoText,
    reasonInvalidAlarmTime, reasonInvalidAlarmUnit, reasonInvalidRepeatInterval,
    reasonInvalidRepeatEndDate, reasonNoWeekDay, reasonInvalidWeekIndex, reasonInvalidRepeatType,
    reasonInvalidExceptionDate,
    reasonTextNotStorable = 114     // a character the datebook's code page cannot hold
};

// A cell's text as written between the quotes: the quote character doubled (the reader takes a
// doubled quote for one), carriage returns dropped, line feeds kept or (removeLineBreaks) turned
// into spaces. Only a one-character quote text is a quote on reading, so only that is doubled.
std::string EscapeCell(std::string_view value, int removeLineBreaks, std::string_view quote = "\"");

// Every line feed becomes carriage return + line feed (one after a carriage return stays as it is).
std::string ExpandLineBreaks(std::string_view text);

// Cuts the next exception date text off the front of list. An opening double quote is dropped;
// the token ends at the first character of separator, which is consumed.
std::string NextExceptionToken(std::string& list, const std::string& separator);

// The two-digit year window and the datebook's range: years below 100 are taken as 1900 + year,
// years before 1970 are moved forward by a century. False when the result is not a year from
// 1970 to 2031.
bool CorrectYear(int& year);

// A date text (not trimmed) to local midnight of its day, a two-digit year corrected: 0, or -1
// when the text holds no date (a time alone included) or the date is outside the datebook's range.
int DateFromText(const std::string& text, long& t);

// Date cell: trimmed; 0, -1 invalid, -2 empty.
int DateCellValue(const std::string& cell, long& t);

// Time cell: trimmed; the parsed hour and minute on today's local date. 0, -1 invalid, -2 empty.
int TimeCellValue(const std::string& cell, long& t);

// Integer cell as atoi reads it: leading white space, optional sign, digits up to the first other
// character; 0 without digits. Values beyond 32 bits stop at the nearest 32-bit limit.
long IntCellValue(const std::string& cell);

}  // namespace vemra
