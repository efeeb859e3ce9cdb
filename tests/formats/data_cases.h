// Helpers the format tests share.
#pragma once

#include <string>

#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "tests/test_support.h"

namespace vemra::test {

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
