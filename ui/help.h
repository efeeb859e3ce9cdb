#pragma once
// The program's HTML Help file (VEMRA.chm beside the executable), opened through hhctrl.ocx,
// which is loaded only when help is asked for.

#include <windows.h>

#include <string>

namespace vemra {

std::string HelpFilePath();
// The contents page; a missing help file (or help viewer) is said in a message box.
bool ShowHelpContents(HWND owner);
// The page (and its part) of a context ID, empty for an unknown one.
std::string HelpTopic(DWORD context);
// The page of a context ID (0x50000 + control ID for the controls of the dialogs).
bool ShowHelpContext(HWND owner, DWORD context);

}  // namespace vemra
