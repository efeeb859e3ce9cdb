#include "platform/process.h"

#include <cstdlib>
#include <vector>
#include <windows.h>

namespace vemra {

void SetEnv(const char* name, const std::string& value) {
    // Both the C library's copy (getenv) and the process block (children) must see it.
    _putenv_s(name, value.c_str());
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

std::string ExecutablePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return "";
        if (n < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= 32768) return "";
        buffer.resize(buffer.size() * 2);
    }
}

bool IsOptionPrefix(char c) { return c == '-' || c == '/'; }

}  // namespace vemra
