#include "platform/console.h"

#include <cstdio>

namespace vemra {

void WriteLine(ConsoleStream stream, const std::string& text) {
    std::FILE* file = stream == ConsoleStream::output ? stdout : stderr;
    const std::string shown = EscapeControls(text, true);
    std::fwrite(shown.data(), 1, shown.size(), file);
    std::fputc('\n', file);
    std::fflush(file);
}

}  // namespace vemra
