#pragma once
// Small text helpers on system code page strings.

#include <string>
#include <string_view>
#include <vector>

namespace vemra {

// printf-style formatting into a std::string (the string table's texts use %s and %d).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// White space as the C library's isspace sees it, removed from both ends / one end.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII case-insensitive comparison, as the C library's stricmp does in the "C" locale.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view end);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// The pieces between separators: "a,,b" gives "a", "", "b"; an empty text one empty piece.
std::vector<std::string> Split(std::string_view text, char separator);
// At least one character, and ASCII digits only.
bool IsDigits(std::string_view text);

// Case-insensitive comparison for names people type: every letter of the Latin, Greek and
// Cyrillic alphabets the system code page holds ("JÜRGEN" finds "Jürgen"), in both builds alike.
bool EqualsNoCaseText(std::string_view a, std::string_view b);

}  // namespace vemra
