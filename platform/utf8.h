#pragma once
// UTF-8 and UTF-16 encoding of single characters and UTF-16 text, the same in both builds
// (calendar files and workbooks are UTF-8 whatever the system code page is).

#include <string>
#include <string_view>

namespace vemra {

void AppendUtf8(std::string& out, char32_t u);
// As one code unit, or as a surrogate pair from U+10000 on.
void AppendUtf16(std::u16string& out, char32_t u);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace vemra
