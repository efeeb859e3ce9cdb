#include "transfer/transfer.h"

#include "formats/appt_values.h"
#include "formats/row_file.h"
#include "palm/datebook.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/reporter.h"
#include "platform/message_pump.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"
#include "settings/settings.h"
#include "res/string_ids.h"

using namespace vemra;

namespace {

// Says a write failure of the row file once; true when there was one.
bool CheckWrite(CRowFile& file, bool& reported, CReporter& reporter) {
    if (!file.HasError()) return false;
    if (!reported) {
        reporter.Tell(FormatText(LoadResString(IDS_ERROR_WRITING_FILE).c_str(), file.GetErrorText().c_str()),
                      MessageIcon::error);
        reported = true;
    }
    return true;
}

struct ExportRun {
    CSettings& settings;
    CProgress* progress;
    CReporter& reporter;
    bool full;
    long spanStart = 0;
    long spanEnd = 0;
};

int RunExport(const std::string& datebookPath, const char* fileName, const ExportRun& run) {
    CWaitCursor wait;
    CLocaleTextCache localeTexts;   // one system call per distinct day, minute or text
    const std::string refusal = RefuseDatebookAsFile(datebookPath, fileName);
    if (!refusal.empty()) {
        run.reporter.Tell(refusal, MessageIcon::error);
        return -1;
    }
    CDateBkTable table;
    if (table.OpenFrom(datebookPath, 0) != 0) {
        ReportDatebookOpenFailure(run.reporter, datebookPath, table);
        return -1;
    }
    std::string failure;
    std::unique_ptr<CRowFile> file = OpenExportFile(fileName, run.settings, &failure);
    if (!file) {
        // The callers do not look at the result, so the user learns it here.
        run.reporter.Tell(failure, MessageIcon::error);
        return -1;
    }

    if (run.progress) run.progress->SetRange(0, static_cast<int>(table.GetRecordCount() % 65536));
    PumpWaitingMessages();

    const CFieldMapping& mapping = run.settings.m_mapping;
    bool reported = false;
    bool failed = false;
    int rows = 0;
    CDateBkIterator iterator(table);
    iterator.SortByStartDate();
    if (run.full)
        mapping.WriteFullHeader(*file);
    else
        mapping.WriteSimpleHeader(*file);
    failed = CheckWrite(*file, reported, run.reporter);

    for (long i = 0; !failed && i < table.GetRecordCount(); ++i) {
        CApptValues values;
        if (run.progress) run.progress->SetPos(static_cast<int>(i % 65536));
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();

        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, i) != 0) continue;
        if (record.IsDeleted() || record.IsArchived()) continue;
        if (ValuesFromRecord(record, values) != 0) continue;

        if (run.full) {
            mapping.WriteFullRow(*file, values, record);
            if ((failed = CheckWrite(*file, reported, run.reporter))) break;
            ++rows;
        } else if (!record.IsRepeatingEvt()) {
            // A single appointment counts by its day, whatever its time of day.
            if (values.m_timeDate < run.spanStart || values.m_timeDate > run.spanEnd) continue;
            mapping.WriteSimpleRow(*file, values);
            if ((failed = CheckWrite(*file, reported, run.reporter))) break;
            ++rows;
        } else {
            long t = run.spanStart;
            while (record.CalcNextOccurrance(t, t) == 0 && t <= run.spanEnd) {
                if (!record.IsException(t)) {
                    values.SetDate(t);
                    mapping.WriteSimpleRow(*file, values);
                    if ((failed = CheckWrite(*file, reported, run.reporter))) break;
                    ++rows;
                }
                const long next = NextLocalMidnight(t);
                if (next <= t) break;   // no further day the platform can express
                t = next;
            }
        }
    }

    file->CloseWrite();
    if (CheckWrite(*file, reported, run.reporter)) failed = true;
    return failed ? -1 : rows;
}

}  // namespace

int ExportSimple(const std::string& datebookPath, const char* fileName, long spanStart, long spanEnd,
                 CSettings& settings, CProgress* progress, CReporter& reporter) {
    ExportRun run{settings, progress, reporter, false, spanStart, spanEnd};
    return RunExport(datebookPath, fileName, run);
}

int ExportFull(const std::string& datebookPath, const char* fileName, CSettings& settings,
               CProgress* progress, CReporter& reporter) {
    ExportRun run{settings, progress, reporter, true};
    return RunExport(datebookPath, fileName, run);
}

long NextLocalMidnight(long t) {
    LocalParts parts;
    if (!BreakLocal(t, parts)) return -1;
    // The platform normalises the day after the last of a month, and takes the daylight-saving
    // state of that midnight itself, so days of 23 and 25 hours need no stepping by hours.
    return MakeLocal(parts.year, parts.month, parts.day + 1, 0, 0, 0, -1);
}
