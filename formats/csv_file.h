#pragma once
// The delimited text file: cells between quote texts, separated by the separator text, rows
// ending with carriage return + line feed (on reading also a line feed alone; inside a quoted
// cell neither ends the row). A written file takes the place of an existing one only when it is
// complete. Reading goes through a buffer of its own; a row of any length is read whole. A read
// error, or data that cannot be told apart into rows, ends the rows with HasError set.

#include <cstddef>
#include <string>
#include <vector>

#include "formats/row_file.h"
#include "platform/file.h"

// Why a delimited text file could not be written or read.
enum class CsvError {
    none,
    system,       // the platform's open, read or write failed (its reason goes with it)
    notWritten,   // the written data did not all reach the file
    crLineEnds,   // rows end in carriage returns alone
    openQuote,    // a quoted cell runs to the end of the file
};
// The message for an error, from the string table; reason: the system's, row: the row (from 1)
// where an open quote began.
std::string CsvErrorText(CsvError error, const std::string& reason = "", int row = 0);

class CCsvFile : public CRowFile {
public:
    CCsvFile();
    ~CCsvFile() override;

    void SetSeparator(const std::string& separator) { m_strSeparator = separator; }
    void SetQuote(const std::string& quote) { m_strQuote = quote; }
    void SetRemoveLineBreaks(int remove) { m_bRemoveLineBreaks = remove; }
    // Bytes asked of the platform per read call (tests use small sizes to move the boundaries).
    void SetReadChunkSize(std::size_t size) { m_nChunkSize = size ? size : 1; }

    int OpenWrite(const std::string& fileName) override;
    int OpenRead(const std::string& fileName) override;
    int CloseWrite() override;
    int Close() override;
    int NextWriteRow() override;
    int NextReadRow() override;
    int PutText(const std::string& value) override;
    int PutDate(long t) override;
    int PutTime(long t) override;
    int PutInt(long n) override;
    int GetText(std::string& out) override;
    int GetDate(long& t) override;
    int GetTime(long& t) override;
    using CRowFile::GetInt;
    int GetInt(long& n) override;
    long GetProgressPos() override;
    CsvError GetCsvError() const { return m_error; }
    long GetProgressRange() override;
    std::string GetRowText() const override { return m_strRowText; }
    bool RowIsBlank() const override;
    std::string RawRowText() const override { return m_strRow; }
    bool DeliversHeaderRow() const override { return true; }
    int SetRowText(const std::string& text) override;

private:
    // Ends writing or reading with an error (the first one stays).
    void Fail(CsvError error, const std::string& reason = "", int row = 0);
    CsvError m_error = CsvError::none;
    int Flush();
    bool FillBuffer();
    void SetWriteError();

    std::string m_strQuote;
    int m_bRemoveLineBreaks = 0;
    vemra::CPlatformFile m_file;
    std::string m_strFileName;     // as opened for writing, for the messages
    bool m_bAtRowStart = true;
    std::string m_strSeparator;
    std::string m_strRow;          // the current input row; m_nRowPos marks what GetText has not consumed
    std::size_t m_nRowPos = 0;
    std::string m_strRowText;      // the text of the last cell read
    std::string m_buffer;          // bytes read from the file and not yet taken into a row
    std::size_t m_nBufferPos = 0;
    std::vector<char> m_readArea;  // what one platform read fills
    enum LineEnds { unknownEnds, crlfEnds, lfEnds };
    LineEnds m_lineEnds = unknownEnds;   // how rows end, learnt from the first row end
    std::size_t m_nChunkSize = 64 * 1024;
    std::string m_strOut;          // one row's output, handed to the file when the row ends
};
