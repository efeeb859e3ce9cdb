#include "formats/csv_file.h"

#include "formats/value_text.h"
#include "platform/locale_dates.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

CCsvFile::CCsvFile() = default;

CCsvFile::~CCsvFile() { Close(); }

std::string CsvErrorText(CsvError error, const std::string& reason, int row) {
    switch (error) {
    case CsvError::none: return "";
    case CsvError::system: return reason.empty() ? "?" : reason;
    case CsvError::notWritten: return vemra::LoadResString(IDS_FILE_NOT_WRITTEN);
    case CsvError::crLineEnds: return vemra::LoadResString(IDS_CSV_CR_LINE_ENDS);
    case CsvError::openQuote: return vemra::FormatText(vemra::LoadResString(IDS_CSV_OPEN_QUOTE).c_str(), row);
    }
    return "";
}

void CCsvFile::Fail(CsvError error, const std::string& reason, int row) {
    if (!m_strError.empty()) return;
    m_error = error;
    m_strError = CsvErrorText(error, reason, row);
}

bool CCsvFile::RowIsBlank() const {
    for (const char c : m_strRow) {
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
                           (!m_strSeparator.empty() && c == m_strSeparator[0]) || (!m_strQuote.empty() && c == m_strQuote[0]);
        if (!blank) return false;
    }
    return true;
}

int CCsvFile::OpenWrite(const std::string& fileName) {
    Close();
    m_strError.clear();
    m_error = CsvError::none;
    std::string error;
    // The rows go to a new file that takes the old one's place only when complete.
    if (!m_file.Open(fileName, vemra::CPlatformFile::modeReplace, &error)) {
        Fail(CsvError::system, error);
        return -1;
    }
    m_strFileName = fileName;
    m_bAtRowStart = true;
    m_strOut.clear();
    return 0;
}

int CCsvFile::OpenRead(const std::string& fileName) {
    Close();
    m_strError.clear();
    m_error = CsvError::none;
    std::string error;
    if (!m_file.Open(fileName, vemra::CPlatformFile::modeRead, &error)) {
        Fail(CsvError::system, error);
        return -1;
    }
    m_bAtRowStart = true;
    m_lineEnds = unknownEnds;
    m_buffer.clear();
    m_nBufferPos = 0;
    m_strRow.clear();
    m_nRowPos = 0;
    return 0;
}

int CCsvFile::CloseWrite() { return Close(); }

int CCsvFile::Close() {
    if (!m_file.IsOpen()) return 0;
    int result = Flush();
    if (!m_file.Close() && m_strError.empty()) {
        SetWriteError();
        result = -1;
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_readArea.clear();
    m_readArea.shrink_to_fit();
    m_nBufferPos = 0;
    return m_strError.empty() ? result : -1;
}

// Hands the pending output to the file; a failure is kept for the caller's message.
int CCsvFile::Flush() {
    if (m_strOut.empty()) return m_strError.empty() ? 0 : -1;
    if (!m_file.IsOpen()) return -1;
    const bool ok = m_file.Write(m_strOut.data(), m_strOut.size());
    m_strOut.clear();
    if (!ok) {
        if (m_strError.empty()) SetWriteError();
        return -1;
    }
    return 0;
}

void CCsvFile::SetWriteError() {
    const std::string& why = m_file.GetFailure();
    m_error = CsvError::notWritten;
    m_strError = vemra::FormatText(vemra::LoadResString(IDS_FILE_NOT_WRITTEN_WHY).c_str(), m_strFileName.c_str(),
                                   why.empty() ? vemra::LoadResString(IDS_FILE_NOT_WRITTEN).c_str() : why.c_str());
}

int CCsvFile::NextWriteRow() {
    m_strOut += "\r\n";
    const int result = Flush();
    m_bAtRowStart = true;
    ++m_nRow;
    return result;
}

int CCsvFile::PutText(const std::string& value) {
    if (!m_bAtRowStart) m_strOut += m_strSeparator;
    m_strOut += m_strQuote;
    m_strOut += vemra::EscapeCell(value, m_bRemoveLineBreaks, m_strQuote);
    m_strOut += m_strQuote;
    m_bAtRowStart = false;
    // Long rows go out in pieces; short ones wait for the row end.
    if (m_strOut.size() >= 16 * 1024) return Flush();
    return m_strError.empty() ? 0 : -1;
}

int CCsvFile::PutDate(long t) { return PutText(vemra::DateText(t)); }

int CCsvFile::PutTime(long t) { return PutText(vemra::TimeText(t)); }

int CCsvFile::PutInt(long n) { return PutText(std::to_string(n)); }

// Takes the next piece of the file into the buffer, first dropping what rows have consumed;
// false at the end of the file or on a read error (kept for the caller's message).
bool CCsvFile::FillBuffer() {
    if (m_nBufferPos > 0) {
        m_buffer.erase(0, m_nBufferPos);
        m_nBufferPos = 0;
    }
    if (m_readArea.size() != m_nChunkSize) m_readArea.assign(m_nChunkSize, '\0');
    std::size_t n = 0;
    std::string error;
    if (!m_file.Read(m_readArea.data(), m_nChunkSize, n, &error)) {
        Fail(CsvError::system, error);
        return false;
    }
    m_buffer.append(m_readArea.data(), n);
    return n > 0;
}

// Rows end at carriage return + line feed. A file whose first row ends in a line feed alone has
// its rows end there too. Inside a quoted cell neither ends the row: it is a line break of the
// cell's text (a bare line feed as this program writes them, CR LF as spreadsheet programs do).
// Files that end their first row with CR LF, as this program's do, keep every bare line feed
// in its row.
int CCsvFile::NextReadRow() {
    m_strRow.clear();
    m_nRowPos = 0;
    if (!m_file.IsOpen() || !m_strError.empty()) return -1;
    const bool hasQuote = m_strQuote.size() == 1;
    const bool hasSeparator = m_strSeparator.size() == 1;
    const char quote = hasQuote ? m_strQuote[0] : 0;
    const char separator = hasSeparator ? m_strSeparator[0] : 0;
    // Where the scan stands in a row, as GetText will read it: a quoted cell runs on past a quote
    // followed by anything but the separator or the row end.
    enum State { cellStart, plain, quoted, quoteSeen, quoteCr } state = cellStart;
    bool crOutside = false;          // the byte before is a carriage return outside a quoted cell
    bool loneCr = false;             // such a carriage return was followed by something else
    bool lineFeedInQuotes = false;
    bool crLfInQuotes = false;
    std::size_t i = m_nBufferPos;
    std::size_t end = std::string::npos;
    for (;;) {
        if (i >= m_buffer.size()) {
            const std::size_t dropped = m_nBufferPos;
            if (!FillBuffer()) break;
            i -= dropped;
            continue;
        }
        const char c = m_buffer[i];
        if (crOutside && c != '\n') loneCr = true;
        crOutside = false;
        if (c == '\n') {
            const bool afterCr = i > m_nBufferPos && m_buffer[i - 1] == '\r';
            if (state == quoted) {
                (afterCr ? crLfInQuotes : lineFeedInQuotes) = true;
            } else if (afterCr || m_lineEnds != crlfEnds) {
                if (m_lineEnds == unknownEnds) m_lineEnds = afterCr ? crlfEnds : lfEnds;
                end = afterCr ? i - 1 : i;
                ++i;
                break;
            }
            ++i;
            continue;
        }
        if (state == quoteCr) state = quoted;   // the quote was dropped and the cell runs on
        switch (state) {
        case cellStart:
            if (hasQuote && c == quote) state = quoted;
            else if (!(hasSeparator && c == separator)) state = plain;
            break;
        case plain:
            if (hasSeparator && c == separator) state = cellStart;
            break;
        case quoted:
            if (hasQuote && c == quote) state = quoteSeen;
            break;
        case quoteSeen:
            if (hasSeparator && c == separator) state = cellStart;
            else if (c == '\r') state = quoteCr;
            else state = quoted;   // a doubled quote, or a dropped one
            break;
        case quoteCr:
            break;
        }
        if (c == '\r' && state != quoted) crOutside = true;
        ++i;
    }
    if (!m_strError.empty()) return -1;
    if (end == std::string::npos) {
        // End of file: what is left is the last row, unless it shows that rows were not found.
        if (m_nBufferPos >= m_buffer.size()) return -1;
        if (m_lineEnds == unknownEnds && (loneCr || crOutside)) {
            Fail(CsvError::crLineEnds);
            return -1;
        }
        if ((crLfInQuotes || (m_lineEnds != crlfEnds && lineFeedInQuotes)) && (state == quoted || state == quoteCr)) {
            Fail(CsvError::openQuote, "", static_cast<int>(m_nRow + 1));
            return -1;
        }
        end = i = m_buffer.size();
    }
    m_strRow.assign(m_buffer, m_nBufferPos, end - m_nBufferPos);
    m_nBufferPos = i;
    // The row ends at a NUL byte, as text rows always have.
    const std::size_t nul = m_strRow.find('\0');
    if (nul != std::string::npos) m_strRow.resize(nul);
    ++m_nRow;
    m_strRowText.clear();
    return 0;
}

int CCsvFile::GetText(std::string& out) {
    out.clear();
    if (m_nRowPos >= m_strRow.size()) return 0;
    // Only one-character quote and separator texts can match a character of the row.
    const bool hasQuote = m_strQuote.size() == 1;
    const bool hasSeparator = m_strSeparator.size() == 1;
    const char quote = hasQuote ? m_strQuote[0] : 0;
    const char separator = hasSeparator ? m_strSeparator[0] : 0;
    const std::string& row = m_strRow;
    std::size_t i = m_nRowPos;
    const std::size_t n = row.size();
    if (hasQuote && row[i] == quote) {
        ++i;
        for (;;) {
            // Everything up to the next quote belongs to the cell.
            const std::size_t q = row.find(quote, i);
            if (q == std::string::npos) {
                out.append(row, i, n - i);
                i = n;
                break;
            }
            out.append(row, i, q - i);
            i = q + 1;
            if (i >= n) break;
            if (hasSeparator && row[i] == separator) {
                ++i;
                break;
            }
            if (row[i] == quote) {
                ++i;
                out += quote;
            }
            // A quote followed by anything else is dropped and the cell runs on.
        }
    } else {
        const std::size_t end = hasSeparator ? row.find(separator, i) : std::string::npos;
        if (end == std::string::npos) {
            out.append(row, i, n - i);
            i = n;
        } else {
            out.append(row, i, end - i);
            i = end + 1;
        }
    }
    m_nRowPos = i;
    m_strRowText = out;
    return 0;
}

int CCsvFile::GetDate(long& t) {
    std::string text;
    if (const int r = GetText(text)) return r;
    return vemra::DateCellValue(text, t);
}

int CCsvFile::GetTime(long& t) {
    std::string text;
    if (const int r = GetText(text)) return r;
    return vemra::TimeCellValue(text, t);
}

int CCsvFile::GetInt(long& n) {
    std::string text;
    if (const int r = GetText(text)) return r;
    n = vemra::IntCellValue(text);
    return 0;
}

long CCsvFile::GetProgressPos() {
    // The bytes taken into rows so far, not what the buffer has read ahead.
    const std::uint64_t consumed = m_file.Position() - (m_buffer.size() - m_nBufferPos);
    return static_cast<long>(consumed >> 8);
}

long CCsvFile::GetProgressRange() { return static_cast<long>(m_file.Length() >> 8); }

int CCsvFile::SetRowText(const std::string& text) {
    m_strRowText = text;
    return 0;
}
