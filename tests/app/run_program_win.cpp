#include "tests/app/run_program.h"

#include <windows.h>

#include "tests/test_support.h"

namespace vemra::test {

namespace {
// Quoting as the C runtime splits a command line.
std::string Quote(const std::string& s) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : s) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}
}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratchFolder) {
    ProgramRun run;
    const std::string outFile = scratchFolder + "\\program-output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return run;
    std::string path = program;
    for (char& c : path)
        if (c == '/') c = '\\';
    std::string command = Quote(path);
    for (const auto& a : args) {
        command += ' ';
        command += Quote(a);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        run.status = static_cast<int>(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    CloseHandle(in);
    run.output = ReadFile(outFile);
    return run;
}

}  // namespace vemra::test

namespace vemra::test {
int ReportedStatus(int status) { return status; }
}  // namespace vemra::test
