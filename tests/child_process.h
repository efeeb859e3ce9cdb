#pragma once
// Runs the built program as a child process for end-to-end tests.

#include <string>
#include <utility>
#include <vector>

namespace vemra::test {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct ChildResult {
    int status = -1000;   // exit status; 128 + signal when a signal ended it
    std::string out;      // standard output, lines ending in LF
    std::string err;      // standard error, lines ending in LF
};

class CChild {
public:
    CChild() = default;
    ~CChild();   // waits for a child that is still running
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    // Starts program with args; env is added to (or replaces in) this process's environment.
    // Standard output and error go to files beside outBase (".out", ".err").
    bool Start(const std::string& program, const std::vector<std::string>& args, const Environment& env,
               const std::string& outBase);
    // timeoutMs < 0 waits as long as it takes; a child still running after timeoutMs is ended
    // (status kTimedOut), so that a hung child fails its test instead of stopping the run.
    static constexpr int kTimedOut = -1001;
    ChildResult Wait(int timeoutMs = -1);
    long Id() const { return m_id; }

private:
    long m_id = -1;
    void* m_handle = nullptr;
    std::string m_outBase;
};

// Start + Wait.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args, const Environment& env,
                     const std::string& outBase);

}  // namespace vemra::test
