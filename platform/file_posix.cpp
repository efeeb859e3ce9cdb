#include "platform/file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemra {

namespace {
void SetError(std::string* error) {
    if (error) *error = std::strerror(errno);
}
}  // namespace

std::string NativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool CPlatformFile::Open(const std::string& path, Mode mode, std::string* error) {
    Close();
    m_mode = mode;
    m_position = 0;
    m_length = 0;
    m_bFailed = false;
    m_buffer.clear();
    const std::string native = NativePath(path);
    const int fd = mode == modeRead ? ::open(native.c_str(), O_RDONLY | O_CLOEXEC)
                                    : ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetError(error);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        if (error) *error = S_ISDIR(st.st_mode) ? "Is a directory" : std::strerror(errno);
        ::close(fd);
        return false;
    }
    m_length = static_cast<std::uint64_t>(st.st_size);
    m_handle = fd;
    return true;
}

std::size_t CPlatformFile::Read(void* buffer, std::size_t size) {
    if (!IsOpen() || m_mode != modeRead) return 0;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        m_position += static_cast<std::uint64_t>(n);
        return static_cast<std::size_t>(n);
    }
}

bool CPlatformFile::FlushBuffer() {
    if (!IsOpen() || m_mode != modeWrite) return false;
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(static_cast<int>(m_handle), m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_bFailed = true;
            m_buffer.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_buffer.clear();
    return !m_bFailed;
}

bool CPlatformFile::Close() {
    if (!IsOpen()) return true;
    bool ok = true;
    if (m_mode == modeWrite) ok = FlushBuffer() && !m_bFailed;
    if (::close(static_cast<int>(m_handle)) != 0) ok = false;
    m_handle = -1;
    return ok;
}

bool SaveFileAtomically(const std::string& path, std::string_view data, bool keepBackup, std::string* error) {
    const std::string target = NativePath(path);
    const std::string temp = target + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetError(error);
        return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetError(error);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        SetError(error);
        ::unlink(temp.c_str());
        return false;
    }
    if (keepBackup && FileExists(target)) {
        const std::string backup = target + ".bak";
        // A hard link keeps the old file in place until the rename below replaces it.
        ::unlink(backup.c_str());
        if (::link(target.c_str(), backup.c_str()) != 0) {
            std::string old;
            if (!ReadWholeFile(target, old, error) || !SaveFileAtomically(backup, old, false, error)) {
                ::unlink(temp.c_str());
                return false;
            }
        }
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        SetError(error);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace vemra
