#include "platform/file.h"

#include <windows.h>

namespace vemra {

namespace {
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

bool CPlatformFile::Open(const std::string& path, Mode mode, std::string* error) {
    Close();
    m_mode = mode;
    m_position = 0;
    m_length = 0;
    m_bFailed = false;
    m_buffer.clear();
    HANDLE h = mode == modeRead
        ? CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
        : CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool CPlatformFile::FlushBuffer() {
    if (!IsOpen() || m_mode != modeWrite) return false;
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(m_buffer.size() - done > 0x40000000 ? 0x40000000 : m_buffer.size() - done);
        if (!WriteFile(H(m_handle), m_buffer.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            m_bFailed = true;
            m_buffer.clear();
            return false;
        }
        done += wrote;
    }
    m_buffer.clear();
    return !m_bFailed;
}

bool CPlatformFile::Close() {
    if (!IsOpen()) return true;
    bool ok = true;
    if (m_mode == modeWrite) ok = FlushBuffer() && !m_bFailed;
    if (!CloseHandle(H(m_handle))) ok = false;
    m_handle = -1;
    return ok;
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

std::wstring Folder(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    return path.substr(0, slash + 1);
}

// Writes data to a new file of a unique name in target's folder; GetTempFileName picks a name
// no file has and creates it.
bool WriteTemporary(const std::wstring& target, std::string_view data, std::wstring& temp, std::string* error) {
    wchar_t name[MAX_PATH + 16] = {};
    const std::wstring folder = Folder(target);
    if (folder.size() >= MAX_PATH - 14 || !GetTempFileNameW(folder.c_str(), L"vem", 0, name)) {
        SetError(error);
        return false;
    }
    temp = name;
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetError(error);
        DeleteFileW(temp.c_str());
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

}  // namespace

bool SaveFileAtomically(const std::string& path, std::string_view data, bool keepBackup, std::string* error) {
    const std::wstring target = FollowLinks(Wide(path));
    std::wstring temp;
    if (!WriteTemporary(target, data, temp, error)) return false;
    const std::wstring backup = target + L".bak";
    const std::wstring* keep = keepBackup ? &backup : nullptr;
    // The new file is as hidden as the old one: ReplaceFile does not carry that everywhere (Wine).
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(temp.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    bool ok;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    } else {
        // ReplaceFile keeps the old file's attributes, security and streams; the old file itself
        // becomes the backup, with all of them.
        ok = ReplaceFileW(target.c_str(), temp.c_str(), keep ? keep->c_str() : nullptr,
                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
        // Unless the target is in use or may not be written, which no fallback would mend.
        if (!ok && GetLastError() != ERROR_ACCESS_DENIED && GetLastError() != ERROR_SHARING_VIOLATION)
            ok = MoveOver(target, temp, keep);
    }
    if (!ok) {
        SetError(error);
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace vemra
