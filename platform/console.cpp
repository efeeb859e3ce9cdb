#include "platform/console.h"

#include <cstdio>

namespace vemra {

std::string EscapeControls(const std::string& text, bool utf8) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned code = 0x100;
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) code = c;
        else if (utf8 && c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80)
            code = static_cast<unsigned char>(text[++i]);
        if (code == 0x100) {
            out += static_cast<char>(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
        out += escaped;
    }
    return out;
}

}  // namespace vemra
