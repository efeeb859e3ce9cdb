#pragma once
// A file of rows of cells, written and read cell by cell (delimited text or Excel workbook).

#include <string>

class CRowFile {
public:
    CRowFile() = default;
    virtual ~CRowFile() = default;
    CRowFile(const CRowFile&) = delete;
    CRowFile& operator=(const CRowFile&) = delete;

    virtual int OpenWrite(const std::string& fileName) = 0;
    virtual int OpenRead(const std::string& fileName) = 0;
    virtual int CloseWrite() = 0;
    virtual int Close() = 0;
    virtual int NextWriteRow() = 0;
    virtual int NextReadRow() = 0;
    virtual int PutText(const std::string& value) = 0;
    virtual int PutDate(long t) = 0;
    virtual int PutTime(long t) = 0;
    virtual int PutInt(long n) = 0;
    virtual int GetText(std::string& out) = 0;
    virtual int GetDate(long& t) = 0;     // 0, -1 invalid, -2 empty
    virtual int GetTime(long& t) = 0;     // 0, -1 invalid, -2 empty
    virtual int GetInt(int& n);
    virtual int GetInt(long& n) = 0;
    // A yes/no cell: a text sets the flag unless it is empty or blank; a typed yes/no cell of a
    // workbook gives its own value. 0, or -1 when it cannot be read.
    virtual int GetFlag(long& flag);
    // Whether the first row read is the file's header line (a delimited text file), which an
    // import skips; a workbook delivers its data rows only.
    virtual bool DeliversHeaderRow() const { return false; }
    virtual long GetRowNumber() const { return m_nRow; }
    virtual long GetProgressPos() = 0;
    virtual long GetProgressRange() = 0;
    virtual std::string GetRowText() const = 0;
    // The row just read has no cell with anything in it (an empty line of a text file).
    virtual bool RowIsBlank() const { return false; }
    // The row just read as it stands in a text file; empty for other files.
    virtual std::string RawRowText() const { return {}; }
    virtual int SetRowText(const std::string& text) = 0;

    // Set when a platform read or write failed; the text says why (for "Error writing file").
    bool HasError() const { return !m_strError.empty(); }
    const std::string& GetErrorText() const { return m_strError; }

protected:
    long m_nRow = 0;
    std::string m_strError;
};
