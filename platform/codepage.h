#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Text in memory is in the system's 8-bit code page (Windows: the ANSI code page; elsewhere
// UTF-8). Datebook files hold Windows-1252; conversion happens at the file's edge only.

namespace vemra {

// Windows-1252 bytes to the system code page. Lossless: the five bytes 1252 leaves undefined
// map to the C1 control characters of the same value, so a round trip gives the same bytes.
std::string FileTextToSystem(std::string_view cp1252);

// System code page to Windows-1252; characters 1252 cannot hold become '?'.
std::string SystemTextToFile(std::string_view text);

// System code page text to UTF-16 and back (workbooks and automation hold UTF-16 text).
// Characters the code page cannot hold become '?'.
std::u16string SystemTextToUtf16(std::string_view text);
std::string Utf16ToSystemText(std::u16string_view text);

// The first n characters (not bytes) of a system code page text; never splits a character.
std::string LeftChars(const std::string& text, std::size_t n);

}  // namespace vemra
