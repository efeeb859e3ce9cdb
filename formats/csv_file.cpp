#include "formats/csv_file.h"

#include "formats/value_text.h"
#include "platform/locale_dates.h"

CCsvFile::CCsvFile() = default;

CCsvFile::~CCsvFile() { Close(); }

int CCsvFile::OpenWrite(const std::string& fileName) {
    Close();
    m_strError.clear();
    std::string error;
    if (!m_file.Open(fileName, vemra::CPlatformFile::modeWrite, &error)) {
        m_strError = error;
        return -1;
    }
    m_bAtRowStart = true;
    m_strOut.clear();
    return 0;
}

int CCsvFile::OpenRead(const std::string& fileName) {
    Close();
    m_strError.clear();
    std::string error;
    if (!m_file.Open(fileName, vemra::CPlatformFile::modeRead, &error)) {
        m_strError = error;
        return -1;
    }
    m_bAtRowStart = true;
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
        m_strError = "The file could not be written completely.";
        result = -1;
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
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
        if (m_strError.empty()) m_strError = "The file could not be written completely.";
        return -1;
    }
    return 0;
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

bool CCsvFile::FillBuffer() {
    if (m_nBufferPos > 0) {
        m_buffer.erase(0, m_nBufferPos);
        m_nBufferPos = 0;
    }
    const std::size_t old = m_buffer.size();
    m_buffer.resize(old + m_nChunkSize);
    const std::size_t n = m_file.Read(m_buffer.data() + old, m_nChunkSize);
    m_buffer.resize(old + n);
    return n > 0;
}

int CCsvFile::NextReadRow() {
    m_strRow.clear();
    m_nRowPos = 0;
    if (!m_file.IsOpen()) return -1;
    // Rows end only at carriage return + line feed; a bare line feed belongs to the row.
    bool ended = false;
    bool any = false;
    std::size_t scanFrom = m_nBufferPos;
    for (;;) {
        const std::size_t lf = m_buffer.find('\n', scanFrom);
        if (lf != std::string::npos) {
            if (lf > m_nBufferPos && m_buffer[lf - 1] == '\r') {
                m_strRow.append(m_buffer, m_nBufferPos, lf - 1 - m_nBufferPos);
                m_nBufferPos = lf + 1;
                ended = true;
                any = true;
                break;
            }
            scanFrom = lf + 1;
            continue;
        }
        // No row end in the buffer: keep a final carriage return, which may pair with the next byte.
        std::size_t take = m_buffer.size() - m_nBufferPos;
        if (take > 0 && m_buffer.back() == '\r') --take;
        if (take > 0) {
            m_strRow.append(m_buffer, m_nBufferPos, take);
            m_nBufferPos += take;
            any = true;
        }
        if (!FillBuffer()) {
            // End of file: a lone carriage return left over stays part of the last row.
            if (m_nBufferPos < m_buffer.size()) {
                m_strRow.append(m_buffer, m_nBufferPos, std::string::npos);
                m_nBufferPos = m_buffer.size();
                any = true;
            }
            break;
        }
        scanFrom = m_nBufferPos;
    }
    if (!any && !ended) return -1;
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
