#include "tests/app/run_program.h"

#include <cstdlib>
#include <sys/wait.h>

#include "tests/test_support.h"

namespace vemra::test {

namespace {
std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratchFolder) {
    const std::string outFile = scratchFolder + "/program-output.txt";
    std::string command = Quote(program);
    for (const auto& a : args) command += " " + Quote(a);
    command += " </dev/null >" + Quote(outFile) + " 2>&1";
    const int rc = std::system(command.c_str());
    ProgramRun run;
    run.status = rc != -1 && WIFEXITED(rc) ? WEXITSTATUS(rc) : -1000;
    run.output = ReadFile(outFile);
    return run;
}

}  // namespace vemra::test

namespace vemra::test {
int ReportedStatus(int status) { return status & 0xFF; }
}  // namespace vemra::test
