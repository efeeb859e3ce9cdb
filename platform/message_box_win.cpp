#include "platform/message_box.h"

#include <windows.h>

#include "platform/process.h"

namespace vemra {

int ShowSystemMessage(const std::string& text, MessageButtons buttons, MessageIcon icon) {
    UINT flags = buttons == MessageButtons::okCancel ? MB_OKCANCEL : MB_OK;
    switch (icon) {
    case MessageIcon::information: flags |= MB_ICONINFORMATION; break;
    case MessageIcon::warning: flags |= MB_ICONWARNING; break;
    case MessageIcon::error: flags |= MB_ICONERROR; break;
    case MessageIcon::question: flags |= MB_ICONQUESTION; break;
    case MessageIcon::none: break;
    }
    // The caption is the application's name, as the framework's boxes have it.
    const std::string caption = ExecutableBaseName();
    const int answer = MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags | MB_TASKMODAL);
    return answer == IDCANCEL ? answerCancel : answerOk;
}

}  // namespace vemra
