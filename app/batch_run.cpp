#include "app/startup.h"

#include "platform/console.h"
#include "platform/reporter.h"
#include "platform/message_pump.h"
#include "platform/string_table.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/runner.h"

using namespace vemra;

ExitStatus RunBatchTransfer(CSettings& settings, CReporter& reporter, const DesktopWindowCalls* desktop) {
    if (!settings.m_bImport && !settings.m_bExport && !settings.m_bRemoveAll) return exitDone;
    // Ctrl-C now stops at the next record or row; the file is finished and the datebook saved.
    InstallInterruptHandler();
    const Operation operation = settings.m_bImport   ? Operation::importFile   // import wins over export
                                : settings.m_bExport ? Operation::exportFile
                                                     : Operation::removeAll;
    const TransferOutcome outcome =
        RunTransfer(operation, settings, settings.m_strFile, nullptr, reporter, DesktopNotice::changesOnly, desktop);
    if (outcome.unavailable) return exitNotAvailable;
    if (outcome.refused) {
        reporter.Tell(LoadResString(IDS_DESKTOP_REFUSED), MessageIcon::error);
        return exitFailed;
    }
    // Interactive callers word this themselves; here nobody else would tell.
    if (outcome.count < 0 && !outcome.fileFailure.empty()) reporter.Tell(outcome.fileFailure, MessageIcon::error);
    if (outcome.count < 0) return exitFailed;

    // Scripts read the outcome on standard output; failures went to the user above.
    WriteLine(ConsoleStream::output, SummaryLine(operation, outcome, settings.m_strFile));
    ExitStatus status = exitDone;
    if (WasInterrupted()) {
        WriteLine(ConsoleStream::error, LoadResString(IDS_STOPPED));
        status = exitStopped;
    } else if (outcome.rejected > 0) {
        status = exitRowsRejected;
    }
    return status;
}
