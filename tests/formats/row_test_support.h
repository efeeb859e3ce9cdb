#pragma once
// Shared pieces of the row tests: a row file over a text, and records of an unopened table.

#include <string>

#include "formats/csv_file.h"
#include "tests/test_support.h"

namespace vemra::test {

// A CSV file holding content, opened for reading with the default quote and separator (or the
// given ones) and positioned on its first row.
class CsvRow {
public:
    explicit CsvRow(const std::string& content, const std::string& quote = "\"", const std::string& separator = ",") {
        WriteFile(m_dir.File("row.csv"), content);
        m_file.SetQuote(quote);
        m_file.SetSeparator(separator);
        m_file.OpenRead(m_dir.File("row.csv"));
        m_file.NextReadRow();
    }
    CCsvFile& File() { return m_file; }

private:
    ScratchDir m_dir;
    CCsvFile m_file;
};

// A row file whose integer cells cannot be read (as a workbook cell of the wrong type).
class CUnreadableIntFile : public CCsvFile {
public:
    using CCsvFile::GetInt;
    int GetInt(long& n) override {
        std::string text;
        GetText(text);
        n = 0;
        return -1;
    }
};

}  // namespace vemra::test
