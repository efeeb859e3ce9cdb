#include "platform/codepage.h"

// Natively the system code page is UTF-8.
namespace vemra {

char32_t Cp1252ToUnicode(unsigned char c);
int UnicodeToCp1252(char32_t u);

namespace {
void AppendUtf8(std::string& out, char32_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (u >> 18));
        out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// Decodes one UTF-8 sequence at i; an invalid byte is taken as a 1252 byte of its own, so that
// text that is not UTF-8 still survives.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 1) { ++i; return b; }
    if (len == 0 || i + len > s.size()) { ++i; return Cp1252ToUnicode(b); }
    char32_t u = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) { ++i; return Cp1252ToUnicode(b); }
        u = (u << 6) | (c & 0x3F);
    }
    i += len;
    return u;
}
}  // namespace

std::string FileTextToSystem(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string SystemTextToFile(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const int c = UnicodeToCp1252(DecodeUtf8(text, i));
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}

std::u16string SystemTextToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t u = DecodeUtf8(text, i);
        if (u >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(u);
        }
    }
    return out;
}

std::string Utf16ToSystemText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t u = text[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;   // a lone surrogate
        }
        AppendUtf8(out, u);
    }
    return out;
}

std::string LeftChars(const std::string& text, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < text.size() && count < n; ++count) DecodeUtf8(text, i);
    return text.substr(0, i);
}

}  // namespace vemra
