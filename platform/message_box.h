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

// Where the layers below the windows send what the user must learn or decide. They never show
// anything themselves: the edge that started the work (a dialog, a batch run, a script client)
// decides how it reaches the user.
class CReporter {
public:
    virtual ~CReporter() = default;
    virtual void Tell(const std::string& text, MessageIcon icon) = 0;
    // An OK/Cancel question; true for OK.
    virtual bool Ask(const std::string& text, MessageIcon icon) = 0;
};

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
