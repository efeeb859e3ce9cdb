#include "platform/message_box.h"

#include <windows.h>

#include "platform/console.h"
#include "platform/process.h"

namespace vemra {

namespace {
// A process on an invisible window station (a service, a job run without a desktop, a server
// COM started there) has nobody to answer a box: it would wait for ever.
bool CanShowBoxes() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
}  // namespace

int ShowSystemMessage(const std::string& text, MessageButtons buttons, MessageIcon icon) {
    if (!CanShowBoxes()) {
        WriteLine(ConsoleStream::error, text);
        return answerOk;
    }
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
