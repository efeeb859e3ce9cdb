#pragma once
// One transfer as a user or a script asks for it: export, import or remove all on the current
// user's datebook, with a running Palm Desktop told around the change, the layout the settings
// choose and the kind of the file. The main dialog and batch runs both go through here.

#include <string>
#include <vector>

#include "transfer/appointments.h"
#include "transfer/transfer.h"

class CSettings;
struct DesktopWindowCalls;
namespace vemra {
class CReporter;
}

// How a running Palm Desktop is told.
enum class DesktopNotice {
    // Batch runs: import and remove all are announced, and a refusal stops them.
    changesOnly,
    // The main dialog: export is announced as well, before it starts, so that Palm Desktop has
    // written its copy of the datebook first; only import stops on a refusal.
    everyOperation,
};

// Runs one operation on the datebook of settings.m_dwPalmUserId (or settings' datebook file).
// Failures of the datebook and while reading or writing the file went to the reporter. desktop:
// the window calls that reach Palm Desktop, when not the real ones. offered: the kinds the
// caller found available (a dialog keeps them while it is open); otherwise the file's kind is
// checked here.
TransferOutcome RunTransfer(Operation operation, CSettings& settings, const std::string& fileName,
                            CProgress* progress, vemra::CReporter& reporter, DesktopNotice notice,
                            const DesktopWindowCalls* desktop = nullptr,
                            const std::vector<const FileKind*>* offered = nullptr);

// The main dialog's line with the number of appointments concerned (count from CountInSpan).
std::string CountLine(const CSettings& settings, int count);
// The line a batch run prints when an operation is done.
std::string SummaryLine(Operation operation, const TransferOutcome& outcome, const std::string& fileName);
