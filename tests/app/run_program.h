#pragma once
// Runs the built program as a child process with the test's environment.

#include <string>
#include <vector>

namespace vemra::test {

struct ProgramRun {
    int status = -1000;    // the exit status as the system reports it (natively 0..255)
    std::string output;    // standard output and standard error together
};

// A status the program returns, as the system reports it (natively the low 8 bits).
int ReportedStatus(int status);

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratchFolder);

}  // namespace vemra::test
