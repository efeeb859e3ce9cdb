#include "platform/utf8.h"

#include "platform/codepage.h"

namespace vemra {

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

void AppendUtf16(std::u16string& out, char32_t u) {
    if (u >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(u);
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
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

char32_t DecodeUtf8Sequence(std::string_view s, std::size_t& i, BadBytes bad) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    char32_t u = b;
    if (ok && len > 1) {
        u = b & (0x7F >> len);
        for (std::size_t k = 1; k < len && ok; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            u = (u << 6) | (c & 0x3F);
        }
        static const char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && u >= kLeast[len] && u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
    }
    if (ok) {
        i += len;
        return u;
    }
    ++i;
    switch (bad) {
    case BadBytes::latin1: return b;
    case BadBytes::windows1252: return Cp1252ToUnicode(b);
    case BadBytes::replace: break;
    }
    return 0xFFFD;
}

std::u16string Utf8ToUtf16(std::string_view text, BadBytes bad) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) AppendUtf16(out, DecodeUtf8(text, i, bad));
    return out;
}

}  // namespace vemra
