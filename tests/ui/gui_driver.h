#pragma once
// Drives the built program through its windows, as a person would: finds its dialogs by
// caption, reads and sets controls, presses buttons, answers file dialogs and message boxes.
// Every wait pumps this thread's messages (windows of the test answer the program's sends)
// and ends after its timeout.

#include <windows.h>

#include <functional>
#include <string>

namespace vemra::gui {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
void Pump(int milliseconds);

// A visible top-level window of the process with exactly this caption, or null.
HWND FindWindowOf(DWORD processId, const std::string& caption);
HWND WaitForWindow(DWORD processId, const std::string& caption, int timeoutMs);
bool WaitUntilGone(HWND window, int timeoutMs);

// Window texts in UTF-8.
std::string TextOf(HWND window);
std::string ItemText(HWND dialog, int id);
// The text of a message box.
std::string MessageBoxText(HWND box);

// A command as a click or menu choice makes it; posted, as it may open a modal window.
void PostCommand(HWND dialog, int id, int code = 0);
// Picks item index in a drop-down list as a user would (with its change notification).
void SelectComboItem(HWND dialog, int id, int index);
// Types the name into a file dialog and confirms it.
bool AnswerFileDialog(HWND fileDialog, const std::string& path);

}  // namespace vemra::gui
