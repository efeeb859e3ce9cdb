#include "transfer/row_files.h"

#include <cctype>

#include "formats/appt_values.h"
#include "formats/row_file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

constexpr int kHeaderRowResult = 101;   // a header row fails as an invalid date

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

// The file's failure in the words of the message id, with the system's reason.
std::string FileFailure(unsigned id, const std::string& fileName, const CRowFile& file) {
    std::string text = FormatText(LoadResString(id).c_str(), fileName.c_str());
    if (file.HasError()) text += "\n" + file.GetErrorText();
    return text;
}

class CRowSource final : public CAppointmentSource {
public:
    CRowSource(const TransferJob& job, std::unique_ptr<CRowFile> file)
        : m_settings(job.settings), m_fileName(job.fileName), m_file(std::move(file)), m_bFull(job.full) {}
    ~CRowSource() override { m_file->Close(); }

    bool Open() override {
        if (m_file->OpenRead(m_fileName) != 0) return Fail(FileFailure(IDS_CANT_OPEN_FILE, m_fileName, *m_file));
        m_nResult = ReadRow();
        // A workbook's rows come without its header row: its first delivered row is row 2 and data.
        if (!m_file->DeliversHeaderRow()) return true;
        const std::string mismatch = HeaderMismatch(m_file->RawRowText(), m_settings, m_bFull, m_fileName.c_str());
        // Nothing of such a file would be read right: nothing is imported.
        if (!mismatch.empty()) return Fail(mismatch);
        m_nLine = 1;
        if (m_nResult == kHeaderRowResult) {
            m_nResult = ReadRow();
            m_nLine = 2;
        }
        return true;
    }

    Step Next(std::vector<CDateBkRecord>& records, Rejection& why) override {
        if (m_bRead) {
            m_nResult = ReadRow();
            ++m_nLine;
        }
        m_bRead = true;
        // The simple reader signals the end by -1 only; the full one by any negative result.
        if (m_bFull ? m_nResult < 0 : m_nResult == -1) {
            // A file that could not be read to its end is no end of the rows.
            if (!m_file->HasError()) return Step::end;
            Fail(FormatText(LoadResString(IDS_ERROR_READING_FILE).c_str(), m_file->GetErrorText().c_str()));
            return Step::failed;
        }
        // An empty line (often the last of a hand-edited file) holds no appointment to reject.
        if (m_nResult != 0 && m_file->RowIsBlank()) return Step::blank;
        if (m_nResult != 0) {
            why = Rejection::Row(m_nResult);
            return Step::rejected;
        }
        records.push_back(m_record);
        return Step::item;
    }

    int Line() const override { return m_nLine; }
    std::string ItemText() const override { return m_file->GetRowText(); }
    std::uint64_t Position() override { return Unsigned(m_file->GetProgressPos()); }
    std::uint64_t Length() override { return Unsigned(m_file->GetProgressRange()); }

private:
    static std::uint64_t Unsigned(long n) { return n > 0 ? static_cast<std::uint64_t>(n) : 0; }

    int ReadRow() {
        m_record = CDateBkRecord(m_scratch, 1);
        m_scratch.AppendBlankRecord(m_record);
        const CFieldMapping& mapping = m_settings.m_mapping;
        return m_bFull ? mapping.ReadFullRow(*m_file, m_record) : mapping.ReadSimpleRow(*m_file, m_record);
    }

    const CSettings& m_settings;
    std::string m_fileName;
    std::unique_ptr<CRowFile> m_file;
    bool m_bFull;
    CDateBkTable m_scratch;
    CDateBkRecord m_record{m_scratch, 1};
    int m_nResult = -1;
    int m_nLine = 2;
    bool m_bRead = false;
};

class CRowSink final : public CAppointmentSink {
public:
    CRowSink(const TransferJob& job, std::unique_ptr<CRowFile> file)
        : m_mapping(job.settings.m_mapping), m_fileName(job.fileName), m_file(std::move(file)), m_bFull(job.full),
          m_nSpanStart(job.spanStart), m_nSpanEnd(job.spanEnd) {}

    bool Begin() override {
        if (m_file->OpenWrite(m_fileName) != 0) return Fail(FileFailure(IDS_CANT_WRITE_FILE, m_fileName, *m_file));
        if (m_bFull)
            m_mapping.WriteFullHeader(*m_file);
        else
            m_mapping.WriteSimpleHeader(*m_file);
        return Written();
    }

    int Write(CDateBkRecord& record, CApptValues& values) override {
        if (m_bFull) {
            m_mapping.WriteFullRow(*m_file, values, record);
            return Written() ? 1 : -1;
        }
        if (!record.IsRepeatingEvt()) {
            // A single appointment counts by its day, whatever its time of day.
            if (values.m_timeDate < m_nSpanStart || values.m_timeDate > m_nSpanEnd) return 0;
            m_mapping.WriteSimpleRow(*m_file, values);
            return Written() ? 1 : -1;
        }
        return ForEachOccurrence(record, m_nSpanStart, m_nSpanEnd, [&](long start) {
            values.SetDate(start);
            m_mapping.WriteSimpleRow(*m_file, values);
            return Written();
        });
    }

    bool Finish() override {
        m_file->CloseWrite();
        return Written();
    }

private:
    bool Written() {
        if (!m_file->HasError()) return true;
        return Fail(FormatText(LoadResString(IDS_ERROR_WRITING_FILE).c_str(), m_file->GetErrorText().c_str()));
    }

    const CFieldMapping& m_mapping;
    std::string m_fileName;
    std::unique_ptr<CRowFile> m_file;
    bool m_bFull;
    long m_nSpanStart, m_nSpanEnd;
};

}  // namespace

std::unique_ptr<CAppointmentSource> MakeRowSource(const TransferJob& job, std::unique_ptr<CRowFile> file) {
    return std::make_unique<CRowSource>(job, std::move(file));
}

std::unique_ptr<CAppointmentSink> MakeRowSink(const TransferJob& job, std::unique_ptr<CRowFile> file) {
    return std::make_unique<CRowSink>(job, std::move(file));
}
