#include "transfer/appointments.h"

#include "palm/datebook_archive.h"
#include "platform/file.h"
#include "platform/locale_dates.h"
#include "platform/message_pump.h"
#include "platform/reporter.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/file_kinds.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

// Adds the records of one item unless they are all in the datebook already (when asked to skip
// duplicates); the records added.
int AddItem(const TransferJob& job, CDateBkTable& table, std::vector<CDateBkRecord>& records) {
    const bool skipDuplicates = job.settings.m_bNoDuplicates;
    int added = 0;
    int twins = 0;
    for (CDateBkRecord& record : records) {
        if (skipDuplicates && IsDuplicate(table, record)) {
            ++twins;
            continue;
        }
        CDateBkRecord copy(table, 1);
        if (table.AppendDuplicateRecord(record, copy, 1) == 0) ++added;
    }
    if (twins > 0 && added == 0) ++job.outcome.duplicates;
    return added;
}

// Reads the source into the table: items added, or -1 when the file could not be read whole.
int ReadItems(const TransferJob& job, CDateBkTable& table, CAppointmentSource& source) {
    CWaitCursor wait;
    CProgressSteps steps(job.progress, source.Length());
    TransferOutcome& outcome = job.outcome;
    std::vector<CDateBkRecord> records;
    Rejection why;
    int items = 0;
    for (;;) {
        records.clear();
        const CAppointmentSource::Step step = source.Next(records, why);
        if (step == CAppointmentSource::Step::end) break;
        if (step == CAppointmentSource::Step::failed) {
            // What was taken from a file that cannot be read whole is not saved, so that the
            // user can mend the file and import it whole.
            job.reporter.Tell(source.Failure(), MessageIcon::error);
            return -1;
        }
        steps.At(source.Position());
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();
        if (step == CAppointmentSource::Step::rejected) {
            ++outcome.rejected;
            if (!job.settings.m_bIgnoreImportErrors &&
                ReportImportError(job.reporter, why, job.fileName.c_str(), source.Line(), source.ItemText()) == 0)
                break;
        } else if (step == CAppointmentSource::Step::skipped) {
            ++outcome.skipped;
        } else if (step == CAppointmentSource::Step::item) {
            const int added = AddItem(job, table, records);
            if (added > 0) ++items;
            outcome.appointments += added;
        }
    }
    return items;
}

}  // namespace

void ImportAppointments(const TransferJob& job) {
    TransferOutcome& outcome = job.outcome;
    outcome.count = -1;
    outcome.rejected = outcome.duplicates = outcome.appointments = outcome.skipped = 0;
    outcome.events = job.kind.itemsAreEvents;
    CFileHold hold;   // until the table is saved
    if (!BeginImport(job.reporter, job.datebookPath, job.fileName, hold, &outcome.fileFailure)) return;
    CLocaleTextCache localeTexts;   // one system call per distinct day, minute or text
    CDateBkTable table;
    if (OpenDatebookForImport(table, job.datebookPath) != 0) {
        ReportDatebookOpenFailure(job.reporter, job.datebookPath, table);
        return;
    }
    const std::unique_ptr<CAppointmentSource> source = job.kind.makeSource(job);
    if (!source->Open()) {
        outcome.fileFailure = source->Failure();
        return;
    }
    const int items = ReadItems(job, table, *source);
    if (items < 0) return;
    if (table.Save() != 0) {
        ReportDatebookSaveFailure(job.reporter, table);
        return;
    }
    outcome.count = items;
}

int ReportImportError(CReporter& reporter, const Rejection& why, const char* fileName, int line,
                      const std::string& itemText) {
    std::string text = FormatText(LoadResString(IDS_ERROR_READING_LINE).c_str(), fileName, line);
    if (!itemText.empty()) text.append("\n\"").append(itemText).append("\"");
    text.append("\n").append(RejectionText(why));
    return reporter.Ask(text, MessageIcon::error) ? 1 : 0;
}
