#include "platform/file.h"

#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/directory.h"

namespace vemra {

bool IsTemporaryName(const std::string& name, const std::string& prefix);

namespace {
std::wstring Wide(const std::string& text);
std::wstring FollowLinks(const std::wstring& path);
HANDLE CreateTemporary(const std::wstring& target, std::wstring& temp);
bool Replace(const std::wstring& target, const std::wstring& temp, bool keepBackup);
std::string Narrow(const std::wstring& text);

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = text ? text : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}
void SetError(std::string* error) {
    if (error) *error = SystemMessage(GetLastError());
}
HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

std::string NativePath(const std::string& path) { return path; }

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

namespace {
// Volume and file index: what makes a file the same however it is named.
bool Identity(HANDLE h, BY_HANDLE_FILE_INFORMATION& info) { return GetFileInformationByHandle(h, &info) != 0; }
bool Identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = Identity(h, info);
    CloseHandle(h);
    return ok;
}
bool Same(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}
}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return Identity(a, ia) && Identity(b, ib) && Same(ia, ib);
}

void RemoveLeftoverTemporaries(const std::string& path) {
    const std::string target = Narrow(FollowLinks(Wide(path)));
    const std::size_t slash = target.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    std::string prefix(1, '.');
    prefix.append(target, slash == std::string::npos ? 0 : slash + 1);
    prefix += '.';
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(folder, entries)) return;
    for (const DirectoryEntry& entry : entries)
        if (!entry.isDirectory && IsTemporaryName(entry.name, prefix)) DeleteFileA((folder + "\\" + entry.name).c_str());
}

CFileHold::~CFileHold() { Release(); }

void CFileHold::Release() {
    if (m_handle == -1) return;
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));   // ends the lock
    m_handle = -1;
}

CFileHold::Result CFileHold::Take(const std::string& path, int waitMilliseconds, std::string* error) {
    Release();
    const std::wstring wide = Wide(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;;) {
        // Readers are welcome, writers (Palm Desktop's save) are not; a replace may rename it.
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) {
            SetError(error);
            return holdFailed;
        }
        if (h != INVALID_HANDLE_VALUE) {
            // Between our runs, a lock on a byte far beyond any datebook's end, which no read meets.
            OVERLAPPED at{};
            at.OffsetHigh = 0x100;
            if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
                // A save renames a new file over the old one: a lock that waited may be on the old.
                BY_HANDLE_FILE_INFORMATION held{}, named{};
                if (Identity(h, held) && Identity(path, named) && Same(held, named)) {
                    m_handle = reinterpret_cast<std::intptr_t>(h);
                    return holdTaken;
                }
            }
            CloseHandle(h);
        }
        if (std::chrono::steady_clock::now() >= deadline) return holdBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool CPlatformFile::Open(const std::string& path, Mode mode, std::string* error) {
    Close();
    m_mode = mode;
    m_position = 0;
    m_length = 0;
    m_bFailed = false;
    m_buffer.clear();
    m_strFailure.clear();
    m_strTemp.clear();
    m_strTarget.clear();
    HANDLE h = INVALID_HANDLE_VALUE;
    bool direct = mode != modeReplace;
    if (mode == modeReplace) {
        const std::wstring target = FollowLinks(Wide(path));
        const DWORD attributes = GetFileAttributesW(target.c_str());
        // Devices (NUL, CON, pipes) have no folder to put a new file in: they are written directly.
        HANDLE existing = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        direct = existing != INVALID_HANDLE_VALUE && GetFileType(existing) != FILE_TYPE_DISK;
        if (existing != INVALID_HANDLE_VALUE) CloseHandle(existing);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            SetLastError(ERROR_ACCESS_DENIED);
        } else if (!direct) {
            std::wstring temp;
            h = CreateTemporary(target, temp);
            if (h != INVALID_HANDLE_VALUE) {
                m_strTemp = Narrow(temp);
                m_strTarget = Narrow(target);
            }
        }
    }
    if (mode == modeRead)
        // Reading never keeps a replace (an import's save) from renaming the file.
        h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    else if (direct)
        h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetError(error);
        return false;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    m_length = static_cast<std::uint64_t>(size.QuadPart);
    m_handle = reinterpret_cast<std::intptr_t>(h);
    m_strPath = path;
    return true;
}

bool CPlatformFile::ReadSome(void* buffer, std::size_t size, std::size_t& count, std::string* error) {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(H(m_handle), buffer, want, &got, nullptr)) {
        // A pipe whose writer has closed has simply ended.
        if (GetLastError() == ERROR_BROKEN_PIPE) return true;
        SetError(error);
        return false;
    }
    count = got;
    return true;
}

std::string CPlatformFile::DeviceReadErrorText() { return SystemMessage(ERROR_READ_FAULT); }

std::string CPlatformFile::DiskFullText() { return SystemMessage(ERROR_DISK_FULL); }

bool CPlatformFile::FlushBuffer() {
    if (!IsOpen() || m_mode == modeRead) return false;
    const bool fault = WriteFault(m_buffer.size());
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(m_buffer.size() - done > 0x40000000 ? 0x40000000 : m_buffer.size() - done);
        if (!WriteFile(H(m_handle), m_buffer.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            if (!m_bFailed) m_strFailure = SystemMessage(wrote == 0 && GetLastError() == 0 ? ERROR_WRITE_FAULT : GetLastError());
            m_bFailed = true;
            m_buffer.clear();
            return false;
        }
        done += wrote;
    }
    m_buffer.clear();
    if (fault && !m_bFailed) {
        m_bFailed = true;
        m_strFailure = DiskFullText();
    }
    return !m_bFailed;
}

bool CPlatformFile::Close() {
    if (!IsOpen()) return true;
    bool ok = true;
    if (m_mode != modeRead) ok = FlushBuffer() && !m_bFailed;
    if (ok && !m_strTemp.empty() && !FlushFileBuffers(H(m_handle))) {
        ok = false;
        m_strFailure = SystemMessage(GetLastError());
    }
    if (!CloseHandle(H(m_handle)) && ok) {
        ok = false;
        m_strFailure = SystemMessage(GetLastError());
    }
    m_handle = -1;
    if (!m_strTemp.empty()) {
        if (ok) ok = PutInPlace();
        else DeleteFileW(Wide(m_strTemp).c_str());
        m_strTemp.clear();
    }
    return ok;
}

bool CPlatformFile::PutInPlace() {
    const std::wstring temp = Wide(m_strTemp);
    if (!Replace(Wide(m_strTarget), temp, false)) {
        m_strFailure = SystemMessage(GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

namespace {

// Paths are in the ANSI code page; the wide calls take any length and the \\?\ form.
std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// The file a path names after following symbolic links and junctions, so that the link stays a
// link and the file it names is replaced in its own folder. A path that names nothing yet stays.
std::wstring FollowLinks(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return path;
    std::wstring out(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
    if (n >= out.size()) {
        out.assign(n + 1, L'\0');
        n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
    }
    CloseHandle(h);
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    // The answer has the \\?\ form; the usual one suits every call that follows.
    if (out.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + out.substr(7);
    if (out.rfind(L"\\\\?\\", 0) == 0 && out.size() > 6 && out[5] == L':') return out.substr(4);
    return out;
}

std::string Narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// A new file of a name no one uses beside target ("." + name + "." + 8 hex digits + ".tmp"),
// which a later holder of target can tell apart as a leftover.
HANDLE CreateTemporary(const std::wstring& target, std::wstring& temp) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    const std::wstring base = slash == std::wstring::npos ? target : target.substr(slash + 1);
    unsigned seed = static_cast<unsigned>(GetCurrentProcessId()) * 2654435761u ^
                    static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 1664525u + 1013904223u + counter++;
        wchar_t tag[16];
        swprintf(tag, 16, L"%08x", seed);
        temp = folder + L"." + base + L"." + tag + L".tmp";
        HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes data to a new file of a unique name in target's folder.
bool WriteTemporary(const std::wstring& target, std::string_view data, std::wstring& temp, std::string* error) {
    HANDLE h = CreateTemporary(target, temp);
    if (h == INVALID_HANDLE_VALUE) {
        SetError(error);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(data.size() - done > 0x40000000 ? 0x40000000 : data.size() - done);
        ok = WriteFile(h, data.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    if (ok) ok = FlushFileBuffers(h) != 0;
    if (!ok) SetError(error);
    CloseHandle(h);
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

// Where the volume cannot replace a file (ReplaceFile is missing on some file systems): the
// backup is a copy, and the new file moves over.
bool MoveOver(const std::wstring& target, const std::wstring& temp, const std::wstring* backup) {
    if (backup && GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !CopyFileW(target.c_str(), backup->c_str(), FALSE))
        return false;
    return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Puts the written temporary file in place of target; false with the system's last error.
bool Replace(const std::wstring& target, const std::wstring& temp, bool keepBackup) {
    const std::wstring backup = target + L".bak";
    const std::wstring* keep = keepBackup ? &backup : nullptr;
    // The new file is as hidden as the old one: ReplaceFile does not carry that everywhere (Wine).
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(temp.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    // ReplaceFile keeps the old file's attributes, security and streams; the old file itself
    // becomes the backup, with all of them.
    if (ReplaceFileW(target.c_str(), temp.c_str(), keep ? keep->c_str() : nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr))
        return true;
    // Unless the target is in use or may not be written, which no fallback would mend.
    const DWORD why = GetLastError();
    if (why == ERROR_ACCESS_DENIED || why == ERROR_SHARING_VIOLATION) return false;
    return MoveOver(target, temp, keep);
}

}  // namespace

bool SaveFileAtomically(const std::string& path, std::string_view data, bool keepBackup, std::string* error) {
    const std::wstring target = FollowLinks(Wide(path));
    std::wstring temp;
    if (!WriteTemporary(target, data, temp, error)) return false;
    if (!Replace(target, temp, keepBackup)) {
        SetError(error);
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace vemra
