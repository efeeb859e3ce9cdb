#include "platform/codepage.h"
#include "platform/utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <utility>
#include <vector>

// Natively the system code page is UTF-8.
namespace vemra {

namespace {

// The upper half of a single-byte code page, both ways.
struct CodePage {
    unsigned number = 1252;
    std::array<char32_t, 128> high{};
    std::vector<std::pair<char32_t, unsigned char>> reverse;   // sorted by character
};

bool MakeCodePage(unsigned number, CodePage& page) {
    page.number = number;
    page.reverse.clear();
    if (number == 1252) {
        for (int b = 0x80; b < 0x100; ++b) page.high[b - 0x80] = Cp1252ToUnicode(static_cast<unsigned char>(b));
    } else {
        // The system's converter tells each byte once; multi-byte code pages are refused.
        iconv_t cd = iconv_open("UTF-32LE", ("CP" + std::to_string(number)).c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
        for (int b = 0x80; b < 0x100; ++b) {
            char in = static_cast<char>(b);
            unsigned char out[8] = {};
            char* inp = &in;
            char* outp = reinterpret_cast<char*>(out);
            std::size_t inLeft = 1, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
            if (r == static_cast<std::size_t>(-1) && errno == EINVAL) {
                iconv_close(cd);
                return false;
            }
            page.high[b - 0x80] = r == static_cast<std::size_t>(-1) || outLeft != 4
                                      ? static_cast<char32_t>(b)
                                      : static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
        }
        iconv_close(cd);
    }
    for (int b = 0xFF; b >= 0x80; --b) page.reverse.emplace_back(page.high[b - 0x80], static_cast<unsigned char>(b));
    std::stable_sort(page.reverse.begin(), page.reverse.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

CodePage& Page() {
    static CodePage page = [] {
        CodePage p;
        const char* named = std::getenv("VEMRA_DATEBOOK_CODEPAGE");
        const unsigned long number = named ? std::strtoul(named, nullptr, 10) : 0;
        if (number == 0 || number > 65535 || !MakeCodePage(static_cast<unsigned>(number), p)) MakeCodePage(1252, p);
        return p;
    }();
    return page;
}

char32_t FileByteToUnicode(unsigned char c) { return c < 0x80 ? c : Page().high[c - 0x80]; }

int UnicodeToFileByte(char32_t u) {
    if (u < 0x80) return static_cast<int>(u);
    const auto& reverse = Page().reverse;
    auto at = std::lower_bound(reverse.begin(), reverse.end(), u, [](const auto& e, char32_t v) { return e.first < v; });
    return at != reverse.end() && at->first == u ? at->second : -1;
}

}  // namespace

std::string FileTextToSystem(std::string_view fileText) {
    std::string out;
    out.reserve(fileText.size());
    for (char c : fileText) AppendUtf8(out, FileByteToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string SystemTextToFile(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const int c = UnicodeToFileByte(DecodeUtf8(text, i, BadBytes::windows1252));
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}

bool FitsFileText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();)
        if (UnicodeToFileByte(DecodeUtf8(text, i, BadBytes::windows1252)) < 0) return false;
    return true;
}

unsigned FileCodePage() { return Page().number; }

bool SetFileCodePage(unsigned codePage) {
    CodePage page;
    if (!MakeCodePage(codePage, page)) return false;
    Page() = std::move(page);
    return true;
}

std::u16string SystemTextToUtf16(std::string_view text) {
    return Utf8ToUtf16(text, BadBytes::windows1252);
}

std::string Utf16ToSystemText(std::u16string_view text) { return Utf16ToUtf8(text); }

std::string LeftChars(const std::string& text, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < text.size() && count < n; ++count) DecodeUtf8(text, i, BadBytes::windows1252);
    return text.substr(0, i);
}

}  // namespace vemra
