#pragma once
// UTF-8 and UTF-16 encoding of single characters and UTF-16 text, the same in both builds
// (calendar files and workbooks are UTF-8 whatever the system code page is).

#include <cstddef>
#include <string>
#include <string_view>

namespace vemra {

void AppendUtf8(std::string& out, char32_t u);
// As one code unit, or as a surrogate pair from U+10000 on.
void AppendUtf16(std::u16string& out, char32_t u);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// What a byte that starts no valid UTF-8 sequence (cut short, overlong, a surrogate, beyond
// U+10FFFF) stands for: the Latin-1 or Windows-1252 character of its value, or U+FFFD. Either
// way it is one character by itself and decoding goes on at the next byte.
enum class BadBytes { latin1, windows1252, replace };
// The character at i of text (i < size), with i moved past it. ASCII, by far the most of any
// datebook's text, is decoded here; a longer sequence by DecodeUtf8Sequence.
char32_t DecodeUtf8Sequence(std::string_view text, std::size_t& i, BadBytes bad);
inline char32_t DecodeUtf8(std::string_view text, std::size_t& i, BadBytes bad) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    return DecodeUtf8Sequence(text, i, bad);
}
std::u16string Utf8ToUtf16(std::string_view text, BadBytes bad);

}  // namespace vemra
