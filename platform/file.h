#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vemra {

// Paths are written the Windows way throughout (the Palm Desktop paths are joined with
// backslashes); natively a backslash is a path separator too.
std::string NativePath(const std::string& path);

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);

// True when both paths name one existing file, however they are written (links, other
// spellings of the folder, hard links).
bool IsSameFile(const std::string& a, const std::string& b);

// Reads a whole file; on failure error (if given) holds the system's reason.
bool ReadWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

// Writes data to a temporary file of a unique name beside path, flushes it to disk and renames
// it over path, so that an interrupted save never leaves a damaged file. The file keeps what
// made it the user's: a symbolic link is followed and the file it names is replaced in its own
// folder; the new file takes the old one's mode and owner (POSIX) or attributes and security
// (Windows). With keepBackup the previous file is kept as <file>.bak, protected the same way.
// On failure the old file is untouched and error holds the reason.
bool SaveFileAtomically(const std::string& path, std::string_view data, bool keepBackup,
                        std::string* error = nullptr);

// Removes what saves of path left behind when they were killed: the temporary files of its
// name pattern beside it (never the file itself or its .bak). Only the holder of the file's
// CFileHold may call it, so that no save in progress loses its file.
void RemoveLeftoverTemporaries(const std::string& path);

// For tests of what callers do when a disk fails: reads of the file at path fail with the
// system's reason for a device read error once failAt bytes of it have been read. An empty
// path ends it.
void SetReadFault(const std::string& path, std::uint64_t failAt);
// The same for writes: writes to a file opened for path fail as on a full disk once failAt
// bytes have been written.
void SetWriteFault(const std::string& path, std::uint64_t failAt);

// Keeps other runs of this program away from a file for a read-modify-save: one hold at a time
// per file, whatever path names it. On Windows other programs (Palm Desktop) cannot write the
// file while it is held either. A save through SaveFileAtomically puts a new file in its place,
// which the next run may take at once: the save is the last step of a hold.
class CFileHold {
public:
    enum Result { holdTaken, holdBusy, holdFailed };
    CFileHold() = default;
    ~CFileHold();
    CFileHold(const CFileHold&) = delete;
    CFileHold& operator=(const CFileHold&) = delete;

    // Waits up to waitMilliseconds for another hold to end. holdFailed: the file cannot be
    // opened (error holds the reason); holdBusy: someone else still holds it.
    Result Take(const std::string& path, int waitMilliseconds, std::string* error = nullptr);
    void Release();

private:
    std::intptr_t m_handle = -1;
};

// A plain binary file for streaming reads or writes, buffered by us. Opening for writing
// creates or truncates; on Windows other writers are denied while it is open. modeReplace
// writes to a temporary file beside path, which Close puts in place of path the way
// SaveFileAtomically does, and only when every write succeeded: until then, and after a
// failure, path keeps what it held. (A path that names a device is written directly.)
class CPlatformFile {
public:
    enum Mode { modeRead, modeWrite, modeReplace };
    CPlatformFile() = default;
    ~CPlatformFile();
    CPlatformFile(const CPlatformFile&) = delete;
    CPlatformFile& operator=(const CPlatformFile&) = delete;

    bool Open(const std::string& path, Mode mode, std::string* error = nullptr);
    bool IsOpen() const;
    // Reads up to size bytes and sets count, which is 0 only at the end of the file. A read
    // error is no end of file: the result is false and error (if given) holds the reason.
    bool Read(void* buffer, std::size_t size, std::size_t& count, std::string* error = nullptr);
    bool Write(const void* data, std::size_t size);
    bool Flush();
    std::uint64_t Position() const;   // bytes read or written so far
    std::uint64_t Length() const;     // the file's length (for reading: at open time)
    bool Close();                     // flushes a written file; false when that failed
    const std::string& GetFailure() const { return m_strFailure; }   // the reason of a failed write

private:
    bool FlushBuffer();
    bool WriteFault(std::size_t size);
    bool PutInPlace();
    bool ReadSome(void* buffer, std::size_t size, std::size_t& count, std::string* error);
    static std::string DeviceReadErrorText();
    static std::string DiskFullText();
    std::intptr_t m_handle = -1;
    std::string m_strPath;            // as opened, for the faults of tests
    std::string m_strTemp;            // modeReplace: the file written, until it is put in place
    std::string m_strTarget;          // modeReplace: the file it replaces (links followed)
    std::string m_strFailure;
    Mode m_mode = modeRead;
    std::uint64_t m_position = 0;
    std::uint64_t m_length = 0;
    std::string m_buffer;             // write buffer
    bool m_bFailed = false;
};

}  // namespace vemra
