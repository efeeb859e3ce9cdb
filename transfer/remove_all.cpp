#include "transfer/transfer.h"

#include "palm/datebook.h"
#include "platform/file.h"
#include "platform/message_pump.h"
#include "platform/wait_cursor.h"
#include "settings/settings.h"

using namespace vemra;

namespace {

struct Selection {
    bool full;
    long spanStart;
    long spanEnd;
};

// How many appointments removal takes from this live record: 1 in the full format; in the
// simple format 1 for a single appointment strictly inside the span, or one per occurrence
// inside the span that is not an exception date (the whole series goes when any does).
int SelectedCount(const CDateBkRecord& record, const Selection& sel) {
    if (sel.full) return 1;
    if (!record.IsRepeatingEvt()) {
        long start = 0;
        record.GetStartTime(start);
        return start > sel.spanStart && start < sel.spanEnd ? 1 : 0;
    }
    return ForEachOccurrence(record, sel.spanStart, sel.spanEnd, [](long) { return true; });
}

Selection SelectionOf(const CSettings& settings) {
    return Selection{settings.m_bFullFormat, settings.GetSpanStart(), settings.GetSpanEnd()};
}

}  // namespace

int RemoveAll(const std::string& datebookPath, CSettings& settings, CProgress* progress, CReporter& reporter) {
    CWaitCursor wait;
    CFileHold hold;   // until the table is saved
    if (!HoldDatebook(reporter, datebookPath, hold)) return -1;
    CDateBkTable table;
    if (table.OpenFrom(datebookPath, 0) != 0) {
        ReportDatebookOpenFailure(reporter, datebookPath, table);
        return -1;
    }
    CDateBkIterator iterator(table);
    iterator.SortByStartDate();
    const Selection sel = SelectionOf(settings);
    CProgressSteps steps(progress, static_cast<std::uint64_t>(table.GetRecordCount()));

    int count = 0;
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, i) != 0) continue;
        steps.At(static_cast<std::uint64_t>(i));
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();
        if (record.IsDeleted() || record.IsArchived()) continue;
        const int selected = SelectedCount(record, sel);
        if (selected > 0) {
            record.SetStatus(4);
            count += selected;
        }
    }

    // Saved also after a stop, so that the records marked until then are removed.
    if (table.Save() != 0) {
        ReportDatebookSaveFailure(reporter, table);
        return -1;
    }
    return count;
}

int CountInSpan(CSettings& settings) {
    CWaitCursor wait;
    std::string path;
    settings.GetDatebookPath(path);
    CDateBkTable table;
    if (table.OpenFrom(path, 0) != 0) return -1;
    CBaseIterator iterator(table);
    const Selection sel = SelectionOf(settings);

    int count = 0;
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, i) != 0) continue;
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();
        if (record.IsDeleted() || record.IsArchived()) continue;
        count += SelectedCount(record, sel);
    }
    return count;
}
