#include "transfer/transfer.h"

#include <cstdio>

#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "res/string_ids.h"

using namespace vemra;

int RunBatchTransfer(CSettings& settings) {
    // Ctrl-C now stops at the next record or row; the file is finished and the datebook saved.
    InstallInterruptHandler();
    std::string datebookPath;
    settings.GetDatebookPath(datebookPath);
    const std::string& fileName = settings.m_strFile;

    int result = 0;
    std::string summary;
    if (settings.m_bImport) {
        std::string failure;
        result = settings.m_bFullFormat
                     ? ImportFull(datebookPath, fileName.c_str(), settings, nullptr, &failure)
                     : ImportSimple(datebookPath, fileName.c_str(), settings, nullptr, &failure);
        // Interactive callers word this themselves; here nobody else would tell.
        if (result < 0 && !failure.empty()) ShowMessage(failure, MessageButtons::ok, MessageIcon::error);
        summary = FormatText(LoadResString(IDS_APPOINTMENTS_ADDED).c_str(), result, fileName.c_str());
    } else if (settings.m_bExport) {
        result = settings.m_bFullFormat
                     ? ExportFull(datebookPath, fileName.c_str(), settings, nullptr)
                     : ExportSimple(datebookPath, fileName.c_str(), settings.GetSpanStart(),
                                    settings.GetSpanEnd(), settings, nullptr);
        summary = FormatText(LoadResString(IDS_ROWS_WRITTEN).c_str(), result, fileName.c_str());
    } else if (settings.m_bRemoveAll) {
        result = RemoveAll(datebookPath, settings, nullptr);
        summary = FormatText(LoadResString(IDS_APPOINTMENTS_REMOVED).c_str(), result);
    } else {
        return 0;
    }

    if (result < 0) return kBatchFailed;
    // Scripts read the outcome on standard output; failures went to the user above.
    std::printf("%s\n", summary.c_str());
    if (WasInterrupted()) {
        std::printf("%s\n", LoadResString(IDS_STOPPED).c_str());
        std::fflush(stdout);
        return kBatchStopped;
    }
    std::fflush(stdout);
    return 0;
}
