#include "platform/message_box.h"

#include "platform/console.h"
#include "platform/process.h"

namespace vemra {

// The system's own box or terminal question (message_box_win.cpp / message_box_posix.cpp).
int ShowSystemMessage(const std::string& text, MessageButtons buttons, MessageIcon icon);

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void SetMessageSink(MessageSink sink) { Sink() = std::move(sink); }

int ShowMessage(const std::string& text, MessageButtons buttons, MessageIcon icon) {
    if (Sink()) return Sink()(text, buttons, icon);
    // Scheduled jobs and tests must never wait for a click.
    if (GetEnv("VEMRA_UNATTENDED") == "1") {
        WriteLine(ConsoleStream::error, text);
        return answerOk;
    }
    return ShowSystemMessage(text, buttons, icon);
}

void CMessageBoxReporter::Tell(const std::string& text, MessageIcon icon) {
    ShowMessage(text, MessageButtons::ok, icon);
}

bool CMessageBoxReporter::Ask(const std::string& text, MessageIcon icon) {
    return ShowMessage(text, MessageButtons::okCancel, icon) == answerOk;
}

}  // namespace vemra
