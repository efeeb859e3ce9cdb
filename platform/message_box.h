#pragma once
// Message boxes. Windows: MessageBoxA, or with VEMRA_UNATTENDED=1 the text on standard error
// and every question answered OK. Natively: the text on standard error; an OK/Cancel question
// is asked on the terminal when standard input is one, otherwise answered OK.

#include <functional>
#include <string>

namespace vemra {

enum class MessageButtons { ok, okCancel };
enum class MessageIcon { none, information, warning, error, question };
enum : int { answerOk = 1, answerCancel = 2 };

int ShowMessage(const std::string& text, MessageButtons buttons, MessageIcon icon);

// Tests route every message to a sink of their own, which also gives the answer.
using MessageSink = std::function<int(const std::string& text, MessageButtons buttons, MessageIcon icon)>;
void SetMessageSink(MessageSink sink);   // an empty sink restores the real boxes

}  // namespace vemra
