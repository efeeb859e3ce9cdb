#include "tests/child_process.h"

#include <windows.h>

#include <cstring>

#include "tests/test_support.h"

namespace vemra::test {

namespace {

// The C library writes text streams with CR LF here; the tests compare lines.
std::string Lines(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    out += '"';
    return out;
}

HANDLE OpenOutput(const std::string& path) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

CChild::~CChild() {
    if (m_handle) Wait();
}

bool CChild::Start(const std::string& program, const std::vector<std::string>& args, const Environment& env,
                   const std::string& outBase) {
    m_outBase = outBase;
    std::string block;
    char* current = GetEnvironmentStringsA();
    for (const char* e = current; *e; e += std::strlen(e) + 1) {
        bool replaced = false;
        for (const auto& [name, value] : env)
            replaced = replaced || _strnicmp(e, (name + "=").c_str(), name.size() + 1) == 0;
        if (!replaced) block.append(e).push_back('\0');
    }
    FreeEnvironmentStringsA(current);
    for (const auto& [name, value] : env) {
        block += name;
        block += '=';
        block += value;
        block += '\0';
    }
    block.push_back('\0');

    std::string commandLine = Quote(program);
    for (const auto& a : args) {
        commandLine += ' ';
        commandLine += Quote(a);
    }

    HANDLE out = OpenOutput(outBase + ".out");
    HANDLE err = OpenOutput(outBase + ".err");
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                   block.data(), nullptr, &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    if (!ok) return false;
    CloseHandle(pi.hThread);
    m_handle = pi.hProcess;
    m_id = static_cast<long>(pi.dwProcessId);
    return true;
}

ChildResult CChild::Wait(int timeoutMs) {
    ChildResult result;
    if (!m_handle) return result;
    const bool timedOut =
        WaitForSingleObject(m_handle, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs)) == WAIT_TIMEOUT;
    if (timedOut) {
        TerminateProcess(m_handle, 1);
        WaitForSingleObject(m_handle, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(m_handle, &code);
    if (timedOut) code = static_cast<DWORD>(kTimedOut);
    CloseHandle(m_handle);
    m_handle = nullptr;
    m_id = -1;
    result.status = static_cast<int>(code);
    result.out = Lines(ReadFile(m_outBase + ".out"));
    result.err = Lines(ReadFile(m_outBase + ".err"));
    return result;
}

}  // namespace vemra::test
