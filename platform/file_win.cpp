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
    return true;
}

std::size_t CPlatformFile::Read(void* buffer, std::size_t size) {
    if (!IsOpen() || m_mode != modeRead) return 0;
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(H(m_handle), buffer, want, &got, nullptr)) return 0;
    m_position += got;
    return got;
}

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

bool SaveFileAtomically(const std::string& path, std::string_view data, bool keepBackup, std::string* error) {
    const std::string temp = path + ".tmp";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!ok) {
        DeleteFileA(temp.c_str());
        return false;
    }
    if (keepBackup && FileExists(path)) {
        if (!ReplaceFileA(path.c_str(), temp.c_str(), (path + ".bak").c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                          nullptr, nullptr)) {
            // ReplaceFile is missing on some file systems; fall back to copy + move.
            if (!CopyFileA(path.c_str(), (path + ".bak").c_str(), FALSE) ||
                !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                SetError(error);
                DeleteFileA(temp.c_str());
                return false;
            }
        }
        return true;
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        SetError(error);
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace vemra
