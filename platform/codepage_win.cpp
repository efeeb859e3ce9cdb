#include "platform/codepage.h"

#include <windows.h>

// On Windows the system code page is the ANSI code page, and Palm Desktop keeps its datebook in
// it too: unless a test names another, nothing needs converting.
namespace vemra {

namespace {
UINT g_fileCodePage = 0;   // 0: the ANSI code page
UINT FileCp() { return g_fileCodePage ? g_fileCodePage : GetACP(); }

std::string Convert(std::string_view in, UINT from, UINT to) {
    if (in.empty() || from == to) return std::string(in);
    const int wlen = MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wlen), L'\0');
    MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), wide.data(), wlen);
    const int len = WideCharToMultiByte(to, 0, wide.data(), wlen, nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wlen, out.data(), len, "?", nullptr);
    return out;
}
}  // namespace

std::string FileTextToSystem(std::string_view fileText) { return Convert(fileText, FileCp(), GetACP()); }
std::string SystemTextToFile(std::string_view text) { return Convert(text, GetACP(), FileCp()); }

bool FitsFileText(std::string_view text) {
    if (text.empty() || FileCp() == GetACP()) return true;
    const int wlen = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wlen), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), wlen);
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(FileCp(), WC_NO_BEST_FIT_CHARS, wide.data(), wlen, nullptr, 0, nullptr, &usedDefault);
    return !usedDefault;
}

unsigned FileCodePage() { return FileCp(); }

bool SetFileCodePage(unsigned codePage) {
    if (!IsValidCodePage(codePage)) return false;
    g_fileCodePage = codePage;
    return true;
}

std::u16string SystemTextToUtf16(std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

std::string Utf16ToSystemText(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), out.data(), n, "?", nullptr);
    return out;
}

std::string LeftChars(const std::string& text, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < text.size() && count < n; ++count)
        i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    return text.substr(0, i);
}

}  // namespace vemra
