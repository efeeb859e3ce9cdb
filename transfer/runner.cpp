#include "transfer/runner.h"

#include "palm/desktop_link.h"
#include "platform/locale_dates.h"
#include "platform/reporter.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/file_kinds.h"

using namespace vemra;

namespace {

int RunOperation(const TransferJob& job, TransferOutcome& outcome) {
    int& rejected = outcome.rejected;
    std::string& fileFailure = outcome.fileFailure;
    CSettings& settings = job.settings;
    const char* file = job.fileName.c_str();
    const FileKind& kind = FileKindOf(job.fileName);
    switch (job.operation) {
    case Operation::exportFile:
        if (kind.exportFile) return kind.exportFile(job);
        return settings.m_bFullFormat ? ExportFull(job.datebookPath, file, settings, job.progress, job.reporter)
                                      : ExportSimple(job.datebookPath, file, settings.GetSpanStart(),
                                                     settings.GetSpanEnd(), settings, job.progress, job.reporter);
    case Operation::importFile:
        if (kind.importFile) return kind.importFile(job, &rejected, &fileFailure, &outcome.duplicates);
        return settings.m_bFullFormat ? ImportFull(job.datebookPath, file, settings, job.progress, job.reporter,
                                                   &fileFailure, &rejected, &outcome.duplicates)
                                      : ImportSimple(job.datebookPath, file, settings, job.progress, job.reporter,
                                                     &fileFailure, &rejected, &outcome.duplicates);
    case Operation::removeAll: return RemoveAll(job.datebookPath, settings, job.progress, job.reporter);
    }
    return -1;
}

// "1 appointment ..." or "%d appointments ...": the texts of one take no number.
std::string Counted(unsigned one, unsigned many, int n, const std::string& fileName = "") {
    return n == 1 ? FormatText(LoadResString(one).c_str(), fileName.c_str())
                  : FormatText(LoadResString(many).c_str(), n, fileName.c_str());
}

}  // namespace

TransferOutcome RunTransfer(Operation operation, CSettings& settings, const std::string& fileName,
                            CProgress* progress, CReporter& reporter, DesktopNotice notice,
                            const DesktopWindowCalls* desktop) {
    TransferOutcome outcome;
    const FileKind& kind = FileKindOf(fileName);
    if (operation != Operation::removeAll && !kind.Available()) {
        if (kind.unavailableId)
            reporter.Tell(FormatText(LoadResString(kind.unavailableId()).c_str(), fileName.c_str()), MessageIcon::error);
        outcome.unavailable = true;
        return outcome;
    }
    const bool changes = operation != Operation::exportFile;
    // A running Palm Desktop would write its own copy of the datebook over our change.
    CDesktopChange change(settings.m_dwPalmUserId, desktop ? *desktop : RealDesktopWindowCalls());
    if (changes || notice == DesktopNotice::everyOperation) {
        const bool allowed = change.Begin();
        const bool honoured = notice == DesktopNotice::changesOnly || operation == Operation::importFile;
        if (!allowed && honoured) {
            outcome.refused = true;
            return outcome;
        }
    }
    // An export only wanted Palm Desktop to write its copy: it is released before reading.
    if (!changes) change.End();

    TransferJob job{operation, settings, "", fileName, progress, reporter};
    settings.GetDatebookPath(job.datebookPath);
    outcome.count = RunOperation(job, outcome);
    return outcome;
}

std::string CountLine(const CSettings& settings, int count) {
    if (settings.m_bFullFormat) return FormatText(LoadResString(IDS_APPOINTMENTS).c_str(), count);
    const std::string from = DateText(settings.GetSpanStart());
    const std::string to = DateText(settings.GetSpanEnd());
    return FormatText(LoadResString(count == 1 ? IDS_APPOINTMENT_BETWEEN : IDS_APPOINTMENTS_BETWEEN).c_str(), count,
                      from.c_str(), to.c_str());
}

std::string SummaryLine(Operation operation, const TransferOutcome& outcome, const std::string& fileName) {
    switch (operation) {
    case Operation::importFile: {
        std::string line = Counted(IDS_ADDED_ONE, IDS_APPOINTMENTS_ADDED, outcome.count, fileName);
        if (outcome.rejected > 0) line += Counted(IDS_REJECTED_PART_ONE, IDS_REJECTED_PART, outcome.rejected);
        if (outcome.duplicates > 0) line += Counted(IDS_DUPLICATES_PART_ONE, IDS_DUPLICATES_PART, outcome.duplicates);
        return line;
    }
    case Operation::exportFile: return Counted(IDS_ROW_WRITTEN_ONE, IDS_ROWS_WRITTEN, outcome.count, fileName);
    case Operation::removeAll: return Counted(IDS_REMOVED_ONE, IDS_APPOINTMENTS_REMOVED, outcome.count);
    }
    return "";
}
