#include "platform/message_box.h"

#include <cstdio>
#include <unistd.h>

#include "platform/console.h"
#include "platform/text.h"

namespace vemra {

int ShowSystemMessage(const std::string& text, MessageButtons buttons, MessageIcon) {
    WriteLine(ConsoleStream::error, text);
    if (buttons != MessageButtons::okCancel || !::isatty(STDIN_FILENO)) {
        std::fflush(stderr);
        return answerOk;
    }
    for (;;) {
        std::fprintf(stderr, "OK or Cancel? [o/c] ");
        std::fflush(stderr);
        char line[64];
        if (!std::fgets(line, sizeof line, stdin)) return answerCancel;   // end of input: do nothing
        const std::string answer = ToLowerAscii(Trim(line));
        if (answer == "o" || answer == "ok" || answer == "y" || answer == "yes") return answerOk;
        if (answer == "c" || answer == "cancel" || answer == "n" || answer == "no") return answerCancel;
    }
}

}  // namespace vemra
