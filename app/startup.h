#pragma once
// Start-up: decides how the program runs (automation server, one batch transfer, or the main
// window), builds and loads the settings and parses the command line into them.

#include <string>
#include <vector>

#include "app/exit_status.h"

class CSettings;
struct DesktopWindowCalls;
namespace vemra {
class CReporter;
}

// The one import, export or remove all that the command line asked for: the summary on
// standard output, the process exit status. desktop: the window calls that reach Palm Desktop,
// when not the real ones.
ExitStatus RunBatchTransfer(CSettings& settings, vemra::CReporter& reporter, const DesktopWindowCalls* desktop = nullptr);

// The whole run; args without the program name. Returns the process exit status.
int RunVEMRA(const std::vector<std::string>& args);

// A COM launch: an argument "Embedding" or "Automation" after '-' or '/', in any case.
bool IsAutomationLaunch(const std::vector<std::string>& args);

// The parts that differ by system (app/startup_win.cpp, app/startup_posix.cpp).
namespace startup {
bool InitializeSystem();                  // Windows: OLE (message 100 when it fails)
void ShutdownSystem();
// Started by COM, or -RegServer / -UnregServer: true when the run ends there, with its status.
bool ServesAutomation(const std::vector<std::string>& args, int& exitStatus);
void* LoadLanguageLibrary();              // the German resources, or null
// Windows says at the start that no Palm Desktop was found (the main window needs it);
// natively only a run that needs Palm Desktop says so, once, when it starts its work.
bool TellsMissingDesktopAtStart();
void FreeLanguageLibrary(void* library);
int RunInteractive(CSettings& settings);  // no batch request: the main window
}  // namespace startup
