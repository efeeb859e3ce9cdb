#include "platform/console.h"

#include <windows.h>

#include <cstdio>

#include "platform/codepage.h"

namespace vemra {

void WriteLine(ConsoleStream stream, const std::string& text) {
    std::FILE* file = stream == ConsoleStream::output ? stdout : stderr;
    const HANDLE handle = GetStdHandle(stream == ConsoleStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle && GetConsoleMode(handle, &mode)) {
        // What the C library buffered must come first.
        std::fflush(file);
        const std::u16string wide = SystemTextToUtf16(EscapeControls(text, false)) + u"\r\n";
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string shown = EscapeControls(text, false);
    std::fwrite(shown.data(), 1, shown.size(), file);
    std::fputc('\n', file);
    std::fflush(file);
}

}  // namespace vemra
