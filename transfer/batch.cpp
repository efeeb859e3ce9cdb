#include "transfer/transfer.h"

#include <cstdio>

#include "palm/desktop_link.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "res/string_ids.h"

using namespace vemra;

int RunBatchTransfer(CSettings& settings) {
    if (!settings.m_bImport && !settings.m_bExport && !settings.m_bRemoveAll) return 0;
    // Ctrl-C now stops at the next record or row; the file is finished and the datebook saved.
    InstallInterruptHandler();
    std::string datebookPath;
    settings.GetDatebookPath(datebookPath);
    const std::string& fileName = settings.m_strFile;

    // A running Palm Desktop would write its own copy of the datebook over our change.
    CDesktopChange change(settings.m_dwPalmUserId);
    const bool changesDatebook = settings.m_bImport || !settings.m_bExport;   // import wins over export
    if (changesDatebook) {
        if (!change.Begin()) {
            ShowMessage(LoadResString(IDS_DESKTOP_REFUSED), MessageButtons::ok, MessageIcon::error);
            return kBatchFailed;
        }
    }

    int result = 0;
    int rejected = 0;
    std::string summary;
    if (settings.m_bImport) {
        std::string failure;
        result = settings.m_bFullFormat
                     ? ImportFull(datebookPath, fileName.c_str(), settings, nullptr, &failure, &rejected)
                     : ImportSimple(datebookPath, fileName.c_str(), settings, nullptr, &failure, &rejected);
        // Interactive callers word this themselves; here nobody else would tell.
        if (result < 0 && !failure.empty()) ShowMessage(failure, MessageButtons::ok, MessageIcon::error);
        summary = rejected > 0 ? FormatText(LoadResString(IDS_APPOINTMENTS_ADDED_REJECTED).c_str(), result,
                                            fileName.c_str(), rejected)
                               : FormatText(LoadResString(IDS_APPOINTMENTS_ADDED).c_str(), result, fileName.c_str());
    } else if (settings.m_bExport) {
        result = settings.m_bFullFormat
                     ? ExportFull(datebookPath, fileName.c_str(), settings, nullptr)
                     : ExportSimple(datebookPath, fileName.c_str(), settings.GetSpanStart(),
                                    settings.GetSpanEnd(), settings, nullptr);
        summary = FormatText(LoadResString(IDS_ROWS_WRITTEN).c_str(), result, fileName.c_str());
    } else {
        result = RemoveAll(datebookPath, settings, nullptr);
        summary = FormatText(LoadResString(IDS_APPOINTMENTS_REMOVED).c_str(), result);
    }

    if (result < 0) return kBatchFailed;
    // Scripts read the outcome on standard output; failures went to the user above.
    std::printf("%s\n", summary.c_str());
    int status = 0;
    if (WasInterrupted()) {
        std::printf("%s\n", LoadResString(IDS_STOPPED).c_str());
        status = kBatchStopped;
    } else if (rejected > 0) {
        status = kBatchRowsRejected;
    }
    std::fflush(stdout);
    return status;
}
