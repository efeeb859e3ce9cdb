// Case tables kept as separated lines under tests/data ('#' lines are comments), and the
// helpers the format tests share.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "tests/test_support.h"

namespace vemra::test {

inline std::vector<std::vector<std::string>> Cases(const std::string& name, std::size_t fields, char separator = '\t') {
    std::vector<std::vector<std::string>> cases;
    std::istringstream in(ReadFile(DataFile(name)));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        auto& c = cases.emplace_back();
        for (std::size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1)
            c.push_back(line.substr(from, (tab = line.find(separator, from)) - from));
        if (c.size() != fields) ADD_FAILURE() << name << ": " << line;
        c.resize(fields);
    }
    return cases;
}

// A text with \r, \n, \t, \0 and \\ standing for those bytes.
inline std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] == '\\' && i + 1 < text.size() ? text[++i] : 0;
        if (!c) out += text[i];
        else out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
    }
    return out;
}

// A time as local "yyyy-mm-dd hh:mm".
inline std::string LocalText(long t) {
    vemra::LocalParts p;
    if (!vemra::BreakLocal(t, p)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return buf;
}

// A blank record of an unopened table.
struct Scratch {
    Scratch() { table.AppendBlankRecord(record); }
    CDateBkTable table;
    CDateBkRecord record{table, 1};
};

// A CSV file (quote ", separator ,) holding content, open for reading (on its first row).
template <class FileType = CCsvFile>
class CsvRow {
public:
    explicit CsvRow(const std::string& content, bool onFirstRow = true) {
        WriteFile(m_dir.File("row.csv"), content);
        m_file.SetQuote("\"");
        m_file.SetSeparator(",");
        EXPECT_EQ(m_file.OpenRead(m_dir.File("row.csv")), 0);
        if (onFirstRow) m_file.NextReadRow();
    }
    FileType& File() { return m_file; }

private:
    ScratchDir m_dir;
    FileType m_file;
};

}  // namespace vemra::test
