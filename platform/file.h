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

// For tests of what callers do when a disk fails: reads of the file at path fail with the
// system's reason for a device read error once failAt bytes of it have been read. An empty
// path ends it.
void SetReadFault(const std::string& path, std::uint64_t failAt);

// A plain binary file for streaming reads or writes, buffered by us. Opening for writing
// creates or truncates; on Windows other writers are denied while it is open.
class CPlatformFile {
public:
    enum Mode { modeRead, modeWrite };
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

private:
    bool FlushBuffer();
    bool ReadSome(void* buffer, std::size_t size, std::size_t& count, std::string* error);
    static std::string DeviceReadErrorText();
    std::intptr_t m_handle = -1;
    std::string m_strPath;            // as opened, for the read fault of tests
    Mode m_mode = modeRead;
    std::uint64_t m_position = 0;
    std::uint64_t m_length = 0;
    std::string m_buffer;             // write buffer
    bool m_bFailed = false;
};

}  // namespace vemra
