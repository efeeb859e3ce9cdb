#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Text in memory is in the system's 8-bit code page (Windows: the ANSI code page; elsewhere
// UTF-8). Datebook files hold text in the code page of the Palm Desktop that wrote them: on
// Windows the system's ANSI code page; natively Windows-1252, or the single-byte Windows code
// page that VEMRA_DATEBOOK_CODEPAGE names (1250, 1251, ...). Conversion happens at the file's
// edge only.

namespace vemra {

// Datebook text to the system code page. Lossless: bytes the code page leaves undefined map to
// the characters of the same value, so a round trip gives the same bytes.
std::string FileTextToSystem(std::string_view fileText);

// System code page to datebook text; characters the datebook's code page cannot hold become '?'.
std::string SystemTextToFile(std::string_view text);

// False when the text holds a character that SystemTextToFile would turn into '?'.
bool FitsFileText(std::string_view text);

// The datebook's code page, and a change of it (tests); false, and nothing changed, for a code
// page this build cannot convert.
unsigned FileCodePage();
bool SetFileCodePage(unsigned codePage);

// System code page text to UTF-16 and back (workbooks and automation hold UTF-16 text).
// Characters the code page cannot hold become '?'.
std::u16string SystemTextToUtf16(std::string_view text);
std::string Utf16ToSystemText(std::u16string_view text);

// The character of a Windows-1252 byte; the five bytes it leaves undefined stand for themselves.
char32_t Cp1252ToUnicode(unsigned char c);

// The first n characters (not bytes) of a system code page text; never splits a character.
std::string LeftChars(const std::string& text, std::size_t n);

}  // namespace vemra
