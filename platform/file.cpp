#include "platform/file.h"

namespace vemra {

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
        const std::size_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) break;
        out.append(buffer, n);
    }
    return true;
}

}  // namespace vemra
