#include "platform/file.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>

namespace vemra {

namespace {
struct ReadFault {
    std::atomic<bool> armed{false};
    std::mutex lock;
    std::string path;
    std::uint64_t failAt = 0;
};
ReadFault& TheReadFault() {
    static ReadFault fault;
    return fault;
}
ReadFault& TheWriteFault() {
    static ReadFault fault;
    return fault;
}
void Arm(ReadFault& fault, const std::string& path, std::uint64_t failAt) {
    std::lock_guard<std::mutex> hold(fault.lock);
    fault.path = path.empty() ? std::string() : NativePath(path);
    fault.failAt = failAt;
    fault.armed = !path.empty();
}
}  // namespace

void SetReadFault(const std::string& path, std::uint64_t failAt) { Arm(TheReadFault(), path, failAt); }
void SetWriteFault(const std::string& path, std::uint64_t failAt) { Arm(TheWriteFault(), path, failAt); }

// Cuts the pending buffer to what a full disk still takes; true when the write is to fail.
bool CPlatformFile::WriteFault(std::size_t size) {
    ReadFault& fault = TheWriteFault();
    if (!fault.armed) return false;
    std::lock_guard<std::mutex> hold(fault.lock);
    const std::uint64_t written = m_position - m_buffer.size();
    if (!fault.armed || fault.path != m_strPath || written + size <= fault.failAt) return false;
    m_buffer.resize(static_cast<std::size_t>(fault.failAt > written ? fault.failAt - written : 0));
    return true;
}

// The names a save gives its temporary files: "." + the file's name + "." + 8 hex digits +
// ".tmp" (or ".bak" for the backup on its way).
bool IsTemporaryName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 12 || name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string kind = name.substr(name.size() - 4);
    if (kind != ".tmp" && kind != ".bak") return false;
    for (std::size_t i = prefix.size(); i < prefix.size() + 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

bool CPlatformFile::Read(void* buffer, std::size_t size, std::size_t& count, std::string* error) {
    count = 0;
    if (!IsOpen() || m_mode != modeRead) return false;
    ReadFault& fault = TheReadFault();
    if (fault.armed) {
        std::lock_guard<std::mutex> hold(fault.lock);
        if (fault.armed && fault.path == m_strPath) {
            if (m_position >= fault.failAt) {
                if (error) *error = DeviceReadErrorText();
                return false;
            }
            size = static_cast<std::size_t>(std::min<std::uint64_t>(size, fault.failAt - m_position));
        }
    }
    if (!ReadSome(buffer, size, count, error)) return false;
    m_position += count;
    return true;
}

CPlatformFile::~CPlatformFile() { Close(); }

bool CPlatformFile::IsOpen() const { return m_handle != -1; }

std::uint64_t CPlatformFile::Position() const { return m_position; }

std::uint64_t CPlatformFile::Length() const {
    return m_mode != modeRead ? m_position : m_length;
}

bool CPlatformFile::Write(const void* data, std::size_t size) {
    if (!IsOpen() || m_mode == modeRead || m_bFailed) return false;
    m_buffer.append(static_cast<const char*>(data), size);
    m_position += size;
    if (m_buffer.size() >= 64 * 1024) return FlushBuffer();
    return true;
}

bool CPlatformFile::Flush() { return FlushBuffer(); }

bool ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
    CPlatformFile file;
    if (!file.Open(path, CPlatformFile::modeRead, error)) return false;
    out.clear();
    out.reserve(static_cast<std::size_t>(file.Length()));
    char buffer[64 * 1024];
    for (;;) {
        std::size_t n = 0;
        if (!file.Read(buffer, sizeof buffer, n, error)) return false;
        if (n == 0) return true;
        out.append(buffer, n);
    }
}

}  // namespace vemra
