#include "transfer/appointments.h"

#include "formats/appt_values.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/message_pump.h"
#include "platform/reporter.h"
#include "platform/wait_cursor.h"
#include "transfer/file_kinds.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

// The records' live appointments in start order through the sink: rows or items written, or -1.
int WriteAppointments(const TransferJob& job, CDateBkTable& table, CAppointmentSink& sink) {
    CWaitCursor wait;
    if (!sink.Begin()) {
        job.reporter.Tell(sink.Failure(), MessageIcon::error);
        return -1;
    }
    CProgressSteps steps(job.progress, static_cast<std::uint64_t>(table.GetRecordCount()));
    int written = 0;
    bool failed = false;
    CDateBkIterator iterator(table);
    iterator.SortByStartDate();
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        steps.At(static_cast<std::uint64_t>(i));
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();
        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, i) != 0 || record.IsDeleted() || record.IsArchived()) continue;
        CApptValues values;
        if (ValuesFromRecord(record, values) != 0) continue;
        const int rows = sink.Write(record, values);
        if (rows < 0) {
            failed = true;
            break;
        }
        written += rows;
    }
    // A sink that failed has said so once; finishing it only closes the file.
    if (failed) job.reporter.Tell(sink.Failure(), MessageIcon::error);
    if (!sink.Finish() && !failed) {
        job.reporter.Tell(sink.Failure(), MessageIcon::error);
        failed = true;
    }
    return failed ? -1 : written;
}

}  // namespace

void ExportAppointments(const TransferJob& job) {
    job.outcome.count = -1;
    CLocaleTextCache localeTexts;   // one system call per distinct day, minute or text
    const std::string refusal = RefuseDatebookAsFile(job.datebookPath, job.fileName);
    if (!refusal.empty()) {
        job.reporter.Tell(refusal, MessageIcon::error);
        return;
    }
    CDateBkTable table;
    if (table.OpenFrom(job.datebookPath, 0) != 0) {
        ReportDatebookOpenFailure(job.reporter, job.datebookPath, table);
        return;
    }
    const std::unique_ptr<CAppointmentSink> sink = job.kind.makeSink(job);
    job.outcome.count = WriteAppointments(job, table, *sink);
}

long NextLocalMidnight(long t) {
    LocalParts parts;
    if (!BreakLocal(t, parts)) return -1;
    // The platform normalises the day after the last of a month, and takes the daylight-saving
    // state of that midnight itself, so days of 23 and 25 hours need no stepping by hours.
    return MakeLocal(parts.year, parts.month, parts.day + 1, 0, 0, 0, -1);
}

int ForEachOccurrence(const CDateBkRecord& record, long spanStart, long spanEnd, const OccurrenceVisitor& visit) {
    int count = 0;
    long t = spanStart;
    while (record.CalcNextOccurrance(t, t) == 0 && t <= spanEnd) {
        if (!record.IsException(t)) {
            if (!visit(t)) return -1;
            ++count;
        }
        const long next = NextLocalMidnight(t);
        if (next <= t) break;   // no further day the platform can express
        t = next;
    }
    return count;
}
