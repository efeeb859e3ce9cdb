#include "platform/file.h"

#include <algorithm>
#include <atomic>
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
}  // namespace

void SetReadFault(const std::string& path, std::uint64_t failAt) {
    ReadFault& fault = TheReadFault();
    std::lock_guard<std::mutex> hold(fault.lock);
    fault.path = path.empty() ? std::string() : NativePath(path);
    fault.failAt = failAt;
    fault.armed = !path.empty();
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
    return m_mode == modeWrite ? m_position : m_length;
}

bool CPlatformFile::Write(const void* data, std::size_t size) {
    if (!IsOpen() || m_mode != modeWrite || m_bFailed) return false;
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
