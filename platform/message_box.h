#pragma once
// Message boxes. Windows: MessageBoxA, or with VEMRA_UNATTENDED=1 the text on standard error
// and every question answered OK. Natively: the text on standard error; an OK/Cancel question
// is asked on the terminal when standard input is one, otherwise answered OK.

#include <functional>
#include <string>

#include "platform/reporter.h"

namespace vemra {

enum class MessageButtons { ok, okCancel };
enum : int { answerOk = 1, answerCancel = 2 };

int ShowMessage(const std::string& text, MessageButtons buttons, MessageIcon icon);

// The reporter of the dialogs and of batch runs: ShowMessage (a box, or standard error where
// nobody could answer a box).
class CMessageBoxReporter : public CReporter {
public:
    void Tell(const std::string& text, MessageIcon icon) override;
    bool Ask(const std::string& text, MessageIcon icon) override;
};

// Tests route every message to a sink of their own, which also gives the answer.
using MessageSink = std::function<int(const std::string& text, MessageButtons buttons, MessageIcon icon)>;
void SetMessageSink(MessageSink sink);   // an empty sink restores the real boxes

}  // namespace vemra
