#include "transfer/runner.h"

#include <algorithm>

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

// Says that the kind cannot be had here; true when it can.
bool CheckAvailable(const FileKind& kind, const std::string& fileName, CReporter& reporter,
                    const std::vector<const FileKind*>* offered = nullptr) {
    if (offered ? std::find(offered->begin(), offered->end(), &kind) != offered->end() : kind.Available()) return true;
    if (kind.unavailableId) reporter.Tell(kind.UnavailableText(fileName), MessageIcon::error);
    return false;
}

void RunJob(const TransferJob& job) {
    switch (job.operation) {
    case Operation::exportFile: ExportAppointments(job); break;
    case Operation::importFile: ImportAppointments(job); break;
    case Operation::removeAll: job.outcome.count = RemoveAll(job.datebookPath, job.settings, job.progress, job.reporter); break;
    }
}

// A named export or import of the file's own kind.
TransferOutcome RunNamed(Operation operation, const std::string& datebookPath, const char* fileName, CSettings& settings,
                         CProgress* progress, CReporter& reporter, bool full, long spanStart = 0, long spanEnd = 0) {
    TransferOutcome outcome;
    const FileKind& kind = FileKindOf(fileName);
    if (!CheckAvailable(kind, fileName, reporter)) {
        outcome.unavailable = true;
        return outcome;
    }
    RunJob({operation, settings, datebookPath, fileName, progress, reporter, kind, outcome, full, spanStart, spanEnd});
    return outcome;
}

int Imported(const TransferOutcome& outcome, std::string* fileFailure, int* rejected, int* duplicates) {
    if (fileFailure) *fileFailure = outcome.fileFailure;
    if (rejected) *rejected = outcome.rejected;
    if (duplicates) *duplicates = outcome.duplicates;
    return outcome.count;
}

// "1 appointment ..." or "%d appointments ...": the texts of one take no number.
std::string Counted(unsigned one, unsigned many, int n, const std::string& fileName = "") {
    return n == 1 ? FormatText(LoadResString(one).c_str(), fileName.c_str())
                  : FormatText(LoadResString(many).c_str(), n, fileName.c_str());
}

// "12 events added as 17 appointments, 2 rejected": a calendar's events may each become several.
std::string EventsLine(const TransferOutcome& outcome, const std::string& fileName) {
    std::string line =
        outcome.count == 1
            ? FormatText(LoadResString(IDS_EVENT_ADDED_ONE).c_str(), outcome.appointments, fileName.c_str())
            : FormatText(LoadResString(IDS_EVENTS_ADDED).c_str(), outcome.count, outcome.appointments, fileName.c_str());
    if (outcome.rejected > 0) line += FormatText(LoadResString(IDS_EVENTS_REJECTED_PART).c_str(), outcome.rejected);
    if (outcome.skipped > 0) line += Counted(IDS_CANCELLED_PART_ONE, IDS_CANCELLED_PART, outcome.skipped);
    if (outcome.duplicates > 0) line += Counted(IDS_DUPLICATES_PART_ONE, IDS_DUPLICATES_PART, outcome.duplicates);
    return line;
}

}  // namespace

int ExportSimple(const std::string& datebookPath, const char* fileName, long spanStart, long spanEnd,
                 CSettings& settings, CProgress* progress, CReporter& reporter) {
    return RunNamed(Operation::exportFile, datebookPath, fileName, settings, progress, reporter, false, spanStart, spanEnd)
        .count;
}

int ExportFull(const std::string& datebookPath, const char* fileName, CSettings& settings, CProgress* progress,
               CReporter& reporter) {
    return RunNamed(Operation::exportFile, datebookPath, fileName, settings, progress, reporter, true).count;
}

int ImportSimple(const std::string& datebookPath, const char* fileName, CSettings& settings, CProgress* progress,
                 CReporter& reporter, std::string* fileFailure, int* rejected, int* duplicates) {
    return Imported(RunNamed(Operation::importFile, datebookPath, fileName, settings, progress, reporter, false),
                    fileFailure, rejected, duplicates);
}

int ImportFull(const std::string& datebookPath, const char* fileName, CSettings& settings, CProgress* progress,
               CReporter& reporter, std::string* fileFailure, int* rejected, int* duplicates) {
    return Imported(RunNamed(Operation::importFile, datebookPath, fileName, settings, progress, reporter, true),
                    fileFailure, rejected, duplicates);
}

TransferOutcome RunTransfer(Operation operation, CSettings& settings, const std::string& fileName,
                            CProgress* progress, CReporter& reporter, DesktopNotice notice,
                            const DesktopWindowCalls* desktop, const std::vector<const FileKind*>* offered) {
    TransferOutcome outcome;
    const FileKind& kind = FileKindOf(fileName);
    if (operation != Operation::removeAll && !CheckAvailable(kind, fileName, reporter, offered)) {
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

    std::string datebookPath;
    settings.GetDatebookPath(datebookPath);
    RunJob({operation, settings, datebookPath, fileName, progress, reporter, kind, outcome, settings.m_bFullFormat,
            settings.GetSpanStart(), settings.GetSpanEnd()});
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
        if (outcome.events) return EventsLine(outcome, fileName);
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
