#include "platform/file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/directory.h"

namespace vemra {

bool IsTemporaryName(const std::string& name, const std::string& prefix);

namespace {
void SetError(std::string* error) {
    if (error) *error = std::strerror(errno);
}
std::string FollowLinks(std::string path);
std::string Folder(const std::string& path);
int CreateUniqueFile(const std::string& target, const char* kind, mode_t mode, std::string& name);
bool TakeIdentity(int fd, const struct stat* old);
void SyncFolder(const std::string& path);
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

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(NativePath(a).c_str(), &sa) == 0 && ::stat(NativePath(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void RemoveLeftoverTemporaries(const std::string& path) {
    const std::string target = FollowLinks(NativePath(path));
    const std::string folder = Folder(target);
    const std::string prefix = "." + target.substr(target.find_last_of('/') + 1) + ".";
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(folder, entries)) return;
    for (const DirectoryEntry& entry : entries)
        if (!entry.isDirectory && IsTemporaryName(entry.name, prefix)) ::unlink((folder + "/" + entry.name).c_str());
}

CFileHold::~CFileHold() { Release(); }

void CFileHold::Release() {
    if (m_handle == -1) return;
    ::close(static_cast<int>(m_handle));   // ends the lock
    m_handle = -1;
}

CFileHold::Result CFileHold::Take(const std::string& path, int waitMilliseconds, std::string* error) {
    Release();
    const std::string native = NativePath(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;;) {
        const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            SetError(error);
            return holdFailed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A save renames a new file over the old one: a lock that waited may be on the old.
            struct stat held {}, named {};
            if (::fstat(fd, &held) == 0 && ::stat(native.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
                held.st_ino == named.st_ino) {
                m_handle = fd;
                return holdTaken;
            }
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            // A file system without locks: nothing to wait for.
            m_handle = fd;
            return holdTaken;
        }
        ::close(fd);
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
    const std::string native = NativePath(path);
    int fd = -1;
    struct stat old {};
    const std::string target = mode == modeReplace ? FollowLinks(native) : native;
    const bool exists = mode == modeReplace && ::stat(target.c_str(), &old) == 0;
    if (mode == modeReplace && (!exists || S_ISREG(old.st_mode))) {
        // A private file's content never sits in a file others may read.
        fd = CreateUniqueFile(target, ".tmp", exists ? 0600 : 0666, m_strTemp);
        if (fd >= 0) m_strTarget = target;
        else m_strTemp.clear();
    } else if (exists && S_ISDIR(old.st_mode)) {
        errno = EISDIR;
    } else {
        fd = mode == modeRead ? ::open(native.c_str(), O_RDONLY | O_CLOEXEC)
                              : ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    }
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
    m_strPath = native;
    return true;
}

bool CPlatformFile::ReadSome(void* buffer, std::size_t size, std::size_t& count, std::string* error) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetError(error);
            return false;
        }
        count = static_cast<std::size_t>(n);
        return true;
    }
}

std::string CPlatformFile::DeviceReadErrorText() { return std::strerror(EIO); }

std::string CPlatformFile::DiskFullText() { return std::strerror(ENOSPC); }

bool CPlatformFile::FlushBuffer() {
    if (!IsOpen() || m_mode == modeRead) return false;
    const bool fault = WriteFault(m_buffer.size());
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(static_cast<int>(m_handle), m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!m_bFailed) m_strFailure = std::strerror(n == 0 ? EIO : errno);
            m_bFailed = true;
            m_buffer.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
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
    const int fd = static_cast<int>(m_handle);
    bool ok = true;
    if (m_mode != modeRead) ok = FlushBuffer() && !m_bFailed;
    if (ok && !m_strTemp.empty()) {
        struct stat old {};
        const bool exists = ::stat(m_strTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode);
        ok = TakeIdentity(fd, exists ? &old : nullptr) && ::fsync(fd) == 0;
        if (!ok) m_strFailure = std::strerror(errno);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        m_strFailure = std::strerror(errno);
    }
    m_handle = -1;
    if (!m_strTemp.empty()) {
        if (ok) ok = PutInPlace();
        else ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
    return ok;
}

bool CPlatformFile::PutInPlace() {
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        m_strFailure = std::strerror(errno);
        ::unlink(m_strTemp.c_str());
        return false;
    }
    SyncFolder(m_strTarget);
    return true;
}

namespace {

std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path names after following symbolic links (also a dangling one, so a save through
// it creates the file it points at). Loops end with the system's own error at the rename.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) break;
        target.resize(static_cast<std::size_t>(n));
        path = target[0] == '/' ? target : Folder(path) + "/" + target;
    }
    return path;
}

// Creates a new file of a name no one uses, beside target: a fixed name could be someone's file
// or another run's temporary file.
int CreateUniqueFile(const std::string& target, const char* kind, mode_t mode, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^
                    static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 1664525u + 1013904223u + counter++;
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08x", seed);
        name = folder + "." + base + "." + tag + kind;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the open file the owner and mode of the file it replaces. Only the superuser may give a
// file away; when the group cannot be kept, its rights are not handed to another group.
bool TakeIdentity(int fd, const struct stat* old) {
    if (!old) return true;
    mode_t mode = old->st_mode & 07777;
    if (::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0)
        mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);
    return ::fchmod(fd, mode) == 0;
}

bool WriteAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes data to a new file of a unique name beside target with old's identity (a new file's mode
// comes from the umask); the name is returned for the rename.
bool WriteTemporary(const std::string& target, const char* kind, std::string_view data, const struct stat* old,
                    std::string& temp, std::string* error) {
    // A private file's content never sits in a file others may read.
    const int fd = CreateUniqueFile(target, kind, old ? 0600 : 0666, temp);
    if (fd < 0) {
        SetError(error);
        return false;
    }
    if (!WriteAll(fd, data) || !TakeIdentity(fd, old) || ::fsync(fd) != 0) {
        SetError(error);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        SetError(error);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// The previous file becomes <file>.bak: a second name for the same file where the file system
// has them (mode and owner come along), otherwise a copy that takes its identity.
bool KeepBackup(const std::string& target, const struct stat& old, std::string* error) {
    const std::string backup = target + ".bak";
    std::string temp;
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        const int fd = CreateUniqueFile(target, ".bak", 0600, temp);
        if (fd < 0) break;
        ::close(fd);
        ::unlink(temp.c_str());
        if (::link(target.c_str(), temp.c_str()) == 0) linked = true;
        else if (errno != EEXIST) break;
    }
    if (!linked) {
        std::string old_data;
        if (!ReadWholeFile(target, old_data, error) || !WriteTemporary(target, ".bak", old_data, &old, temp, error))
            return false;
    }
    if (::rename(temp.c_str(), backup.c_str()) != 0) {
        SetError(error);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// Makes the renames of a save last across a power loss.
void SyncFolder(const std::string& path) {
    const int fd = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool SaveFileAtomically(const std::string& path, std::string_view data, bool keepBackup, std::string* error) {
    const std::string target = FollowLinks(NativePath(path));
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temp;
    if (!WriteTemporary(target, ".tmp", data, exists ? &old : nullptr, temp, error)) return false;
    if (keepBackup && exists && !KeepBackup(target, old, error)) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        SetError(error);
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(target);
    return true;
}

}  // namespace vemra
