#pragma once
// Text for standard output and standard error. On a Windows console the text goes through the
// console's wide-character interface, so a German message reads right whatever the console's
// code page; to files and pipes (and natively) the bytes are written as they are.

#include <string>

namespace vemra {

enum class ConsoleStream { output, error };

// Writes text and a line end, and flushes. Control characters other than line feed and tab
// are written escaped ("\x1B"): a row of a file must not move the cursor or retitle the window.
void WriteLine(ConsoleStream stream, const std::string& text);

// The text with those control characters escaped; utf8 also escapes the C1 controls U+0080..U+009F.
std::string EscapeControls(const std::string& text, bool utf8);

}  // namespace vemra
