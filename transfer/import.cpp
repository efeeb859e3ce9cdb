#include "transfer/transfer.h"

#include <cctype>

#include "formats/row_file.h"
#include "palm/datebook.h"
#include "palm/datebook_archive.h"
#include "platform/file.h"
#include "platform/locale_dates.h"
#include "platform/reporter.h"
#include "platform/message_pump.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"
#include "settings/settings.h"
#include "formats/value_text.h"
#include "res/string_ids.h"

using namespace vemra;

namespace {

constexpr int kHeaderRowResult = 101;      // a header row fails as an invalid date

// Cells of a header row without their quotes and white space, joined by separator.
std::string Squeezed(const std::string& text, const std::string& quote) {
    std::string out;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)) && (quote.empty() || c != quote[0])) out += c;
    return out;
}

// When a header row is exactly our own of the other layout, or becomes our own when split at
// another separator, the message that says so and what to choose; otherwise empty (other headers
// are read as they come).
std::string HeaderMismatch(const std::string& header, const CSettings& settings, bool full, const char* fileName) {
    const std::string row = Squeezed(header, settings.m_strQuote);
    if (row.empty()) return "";
    auto joined = [&](bool layoutFull, char separator) {
        std::string text;
        for (const std::string& name : settings.m_mapping.HeaderNames(layoutFull)) {
            if (!text.empty()) text += separator;
            text += Squeezed(name, "");
        }
        return text;
    };
    const char ours = settings.m_strSeparator.empty() ? ',' : settings.m_strSeparator[0];
    if (row == joined(!full, ours))
        return FormatText(LoadResString(full ? IDS_FILE_IS_SIMPLE : IDS_FILE_IS_FULL).c_str(), fileName);
    if (row == joined(full, ours)) return "";
    for (const char other : {';', ',', '\t', '|'}) {
        if (other == ours) continue;
        for (const bool layoutFull : {full, !full}) {
            if (row != joined(layoutFull, other)) continue;
            const std::string shown = other == '\t' ? "Tab" : std::string(1, other);
            return FormatText(LoadResString(IDS_FILE_HAS_OTHER_SEPARATOR).c_str(), fileName, shown.c_str());
        }
    }
    return "";
}

int RunImport(const std::string& datebookPath, const char* fileName, CSettings& settings,
              CProgress* progress, CReporter& reporter, bool full, std::string* fileFailure, int* rejected,
              int* duplicates) {
    CWaitCursor wait;
    if (rejected) *rejected = 0;
    if (duplicates) *duplicates = 0;
    CFileHold hold;   // until the table is saved
    if (!BeginImport(reporter, datebookPath, fileName, hold, fileFailure)) return -1;
    CLocaleTextCache localeTexts;   // one system call per distinct day, minute or text
    CDateBkTable table;
    CDateBkTable scratch;   // rows are read into records of a table that is never saved
    if (OpenDatebookForImport(table, datebookPath) != 0) {
        ReportDatebookOpenFailure(reporter, datebookPath, table);
        return -1;
    }
    std::unique_ptr<CRowFile> file = OpenImportFile(fileName, settings, fileFailure);
    if (!file) return -1;

    if (progress) progress->SetRange(0, static_cast<int>(file->GetProgressRange() % 65536));
    PumpWaitingMessages();

    const CFieldMapping& mapping = settings.m_mapping;
    CDateBkRecord record(scratch, 1);
    scratch.AppendBlankRecord(record);
    auto readRow = [&] { return full ? mapping.ReadFullRow(*file, record) : mapping.ReadSimpleRow(*file, record); };
    // The simple reader signals the end by -1 only; the full one by any negative result.
    auto more = [full](int result) { return full ? result >= 0 : result != -1; };

    int count = 0;
    int result = readRow();
    if (file->DeliversHeaderRow()) {
        const std::string mismatch = HeaderMismatch(file->RawRowText(), settings, full, fileName);
        if (!mismatch.empty()) {
            // Nothing of such a file would be read right: nothing is imported.
            if (fileFailure) *fileFailure = mismatch;
            return -1;
        }
    }
    // A workbook's rows come without its header row: its first delivered row is row 2 and data.
    const bool headerRow = file->DeliversHeaderRow();
    int line = headerRow ? 1 : 2;
    if (headerRow && result == kHeaderRowResult) {
        result = readRow();
        line = 2;
    }
    while (more(result)) {
        if (progress) progress->SetPos(static_cast<int>(file->GetProgressPos() % 65536));
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();

        if (result != 0 && file->RowIsBlank()) {
            // An empty line (often the last of a hand-edited file) holds no appointment to reject.
        } else if (result != 0) {
            if (rejected) ++*rejected;
            if (!settings.m_bIgnoreImportErrors &&
                ReportImportError(reporter, result, fileName, line, file->GetRowText()) == 0)
                break;
        } else if (settings.m_bNoDuplicates && IsDuplicate(table, record)) {
            if (duplicates) ++*duplicates;
        } else {
            CDateBkRecord added(table, 1);
            if (table.AppendDuplicateRecord(record, added, 1) == 0) ++count;
        }
        scratch.AppendBlankRecord(record);
        result = readRow();
        ++line;
    }

    // A file that could not be read to its end is no end of the rows: what was taken from it
    // is not saved, so the user can mend the file and import it whole.
    if (file->HasError()) {
        reporter.Tell(FormatText(LoadResString(IDS_ERROR_READING_FILE).c_str(), file->GetErrorText().c_str()),
                      MessageIcon::error);
        file->Close();
        return -1;
    }
    file->Close();
    if (table.Save() != 0) {
        ReportDatebookSaveFailure(reporter, table);
        return -1;
    }
    return count;
}

}  // namespace

int ImportSimple(const std::string& datebookPath, const char* fileName, CSettings& settings,
                 CProgress* progress, CReporter& reporter, std::string* fileFailure, int* rejected, int* duplicates) {
    return RunImport(datebookPath, fileName, settings, progress, reporter, false, fileFailure, rejected, duplicates);
}

int ImportFull(const std::string& datebookPath, const char* fileName, CSettings& settings,
               CProgress* progress, CReporter& reporter, std::string* fileFailure, int* rejected, int* duplicates) {
    return RunImport(datebookPath, fileName, settings, progress, reporter, true, fileFailure, rejected, duplicates);
}

int ReportImportError(CReporter& reporter, int code, const char* fileName, int line, const std::string& rowText) {
    std::string text = FormatText(LoadResString(IDS_ERROR_READING_LINE).c_str(), fileName, line);
    if (!rowText.empty()) text += "\n\"" + rowText + "\"";
    text += "\n";
    if (code >= 101 && code <= 114) text += LoadResString(kReasonMessageBase + static_cast<unsigned>(code));
    else if (code > 40000) text += LoadResString(static_cast<unsigned>(code));   // a calendar item's reason
    return reporter.Ask(text, MessageIcon::error) ? 1 : 0;
}
