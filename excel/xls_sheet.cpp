#include "excel/xls_workbook.h"

#include "platform/string_table.h"
#include "res/string_ids.h"

namespace vemra {

std::string XlsErrorText(XlsError error) {
    switch (error) {
    case XlsError::none: return {};
    case XlsError::notWorkbook: return LoadResString(IDS_XLS_NOT_WORKBOOK);
    case XlsError::newerFormat: return LoadResString(IDS_XLS_NEWER_FORMAT);
    case XlsError::olderFormat: return LoadResString(IDS_XLS_OLDER_FORMAT);
    case XlsError::encrypted: return LoadResString(IDS_XLS_ENCRYPTED);
    case XlsError::damaged: return LoadResString(IDS_XLS_DAMAGED);
    case XlsError::tooLarge: return LoadResString(IDS_XLS_TOO_LARGE);
    case XlsError::noWorkbook: return LoadResString(IDS_XLSX_NO_WORKBOOK);
    case XlsError::xlsUnderXlsxName: return LoadResString(IDS_XLSX_OLDER_FORMAT);
    case XlsError::unsafePath: return LoadResString(IDS_XLSX_UNSAFE_PATH);
    case XlsError::zipBomb: return LoadResString(IDS_XLSX_ZIP_BOMB);
    case XlsError::unsupportedPacking: return LoadResString(IDS_XLSX_UNSUPPORTED);
    case XlsError::xlsxTooLarge: return LoadResString(IDS_XLSX_TOO_LARGE);
    }
    return {};
}

const XlsCell* CXlsSheet::Find(long row, long column) const {
    if (row < 0 || column < 0 || row >= RowCount()) return nullptr;
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (column >= static_cast<long>(cells.size())) return nullptr;
    return &cells[static_cast<std::size_t>(column)];
}

XlsCell& CXlsSheet::Cell(long row, long column) {
    if (row >= RowCount()) m_rows.resize(static_cast<std::size_t>(row) + 1);
    auto& cells = m_rows[static_cast<std::size_t>(row)];
    if (column >= static_cast<long>(cells.size())) cells.resize(static_cast<std::size_t>(column) + 1);
    return cells[static_cast<std::size_t>(column)];
}

void CXlsSheet::SetText(long row, long column, std::u16string_view text, XlsStyle style) {
    XlsCell& cell = Cell(row, column);
    cell = XlsCell{};
    cell.kind = XlsCellKind::text;
    cell.style = style;
    cell.text = AddString(text);
}

void CXlsSheet::SetNumber(long row, long column, double value, XlsStyle style) {
    XlsCell& cell = Cell(row, column);
    cell = XlsCell{};
    cell.kind = XlsCellKind::number;
    cell.style = style;
    cell.number = value;
}

void CXlsSheet::Clear(long row, long column) {
    if (row < RowCount() && column < static_cast<long>(m_rows[static_cast<std::size_t>(row)].size()))
        m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = XlsCell{};
}

bool CXlsSheet::UsedRange(long& firstRow, long& firstColumn, long& lastRow, long& lastColumn) const {
    bool any = false;
    for (long r = 0; r < RowCount(); ++r) {
        const auto& cells = m_rows[static_cast<std::size_t>(r)];
        for (long c = 0; c < static_cast<long>(cells.size()); ++c) {
            if (cells[static_cast<std::size_t>(c)].kind == XlsCellKind::empty) continue;
            if (!any) {
                firstRow = lastRow = r;
                firstColumn = lastColumn = c;
                any = true;
            }
            lastRow = r;
            if (c < firstColumn) firstColumn = c;
            if (c > lastColumn) lastColumn = c;
        }
    }
    return any;
}

int CXlsSheet::RowHeight(long row) const {
    if (row < 0 || row >= static_cast<long>(m_heights.size()) || m_heights[static_cast<std::size_t>(row)] == 0)
        return kDefaultRowHeight;
    return m_heights[static_cast<std::size_t>(row)];
}

void CXlsSheet::SetRowHeight(long row, int twips) {
    if (row < 0 || row >= kMaxRows) return;
    if (row >= static_cast<long>(m_heights.size())) m_heights.resize(static_cast<std::size_t>(row) + 1, 0);
    m_heights[static_cast<std::size_t>(row)] = static_cast<std::uint16_t>(twips & 0x7FFF);
}

bool CXlsSheet::HasCustomHeight(long row) const {
    return row >= 0 && row < static_cast<long>(m_heights.size()) && m_heights[static_cast<std::size_t>(row)] != 0;
}

std::uint32_t CXlsSheet::AddString(std::u16string_view text) {
    std::u16string key(text);
    const auto it = m_stringIndex.find(key);
    if (it != m_stringIndex.end()) return it->second;
    const auto index = static_cast<std::uint32_t>(m_strings.size());
    m_strings.push_back(key);
    m_stringIndex.emplace(std::move(key), index);
    return index;
}

std::uint32_t CXlsSheet::AppendString(std::u16string text) {
    m_strings.push_back(std::move(text));
    return static_cast<std::uint32_t>(m_strings.size() - 1);
}

const std::u16string& CXlsSheet::String(std::uint32_t index) const {
    static const std::u16string none;
    return index < m_strings.size() ? m_strings[index] : none;
}

bool IsDateFormat(int index, std::u16string_view format) {
    if ((index >= 14 && index <= 22) || (index >= 45 && index <= 47) || (index >= 27 && index <= 36) ||
        (index >= 50 && index <= 58))
        return true;
    if (index < 164 && format.empty()) return false;
    // A custom format is a date when a date or time letter stands outside quotes, brackets
    // (colours, conditions, elapsed time aside) and escapes; only its first section counts.
    bool inQuote = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (inQuote) {
            if (c == u'"') inQuote = false;
            continue;
        }
        switch (c) {
        case u'"': inQuote = true; break;
        case u'\\':
        case u'_':
        case u'*': ++i; break;
        case u';': return false;
        case u'[': {
            const std::size_t close = format.find(u']', i);
            if (close == std::u16string_view::npos) return false;
            const std::u16string_view inside = format.substr(i + 1, close - i - 1);
            if (!inside.empty() && (inside[0] == u'h' || inside[0] == u'H' || inside[0] == u'm' ||
                                    inside[0] == u'M' || inside[0] == u's' || inside[0] == u'S'))
                return true;   // elapsed time
            i = close;
            break;
        }
        case u'd': case u'D': case u'm': case u'M': case u'y': case u'Y':
        case u'h': case u'H': case u's': case u'S':
            return true;
        default: break;
        }
    }
    return false;
}

}  // namespace vemra
