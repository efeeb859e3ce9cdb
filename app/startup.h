#pragma once
// Start-up: decides how the program runs (automation server, one batch transfer, or the main
// window), builds and loads the settings and parses the command line into them.

#include <functional>
#include <string>
#include <vector>

class CSettings;

// The transfer operations a batch run calls, plugged in by the program.
struct BatchOperations {
    // Runs the one import, export or remove all the settings ask for; returns the process
    // exit status (0 when it succeeded).
    std::function<int(CSettings& settings)> run;
};

// The operations this build carries (app/batch_operations.cpp).
BatchOperations InstalledBatchOperations();

enum : int {
    exitDone = 0,
    exitUsageError = -1,
    exitUnknownUser = 1,
    exitNotAvailable = 2,   // the operation is not in this build yet, or the system failed to start it
    exitTransferFailed = 3,
};

// The whole run; args without the program name. Returns the process exit status.
int RunVEMRA(const std::vector<std::string>& args, const BatchOperations& operations);

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
