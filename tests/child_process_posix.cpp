#include "tests/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "tests/test_support.h"

extern char** environ;

namespace vemra::test {

CChild::~CChild() {
    if (m_id > 0) Wait();
}

bool CChild::Start(const std::string& program, const std::vector<std::string>& args, const Environment& env,
                   const std::string& outBase) {
    m_outBase = outBase;
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const auto& [name, value] : env)
            replaced = replaced || std::strncmp(*e, (name + "=").c_str(), name.size() + 1) == 0;
        if (!replaced) envText.emplace_back(*e);
    }
    for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
    std::vector<char*> envp, argv;
    for (auto& s : envText) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText{program};
    argText.insert(argText.end(), args.begin(), args.end());
    for (auto& s : argText) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (outBase + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (outBase + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    m_id = pid;
    return true;
}

ChildResult CChild::Wait(int timeoutMs) {
    ChildResult result;
    if (m_id <= 0) return result;
    int status = 0;
    bool timedOut = false;
    for (int waited = 0;; waited += 10) {
        const pid_t done = waitpid(static_cast<pid_t>(m_id), &status, timeoutMs < 0 ? 0 : WNOHANG);
        if (done == static_cast<pid_t>(m_id)) break;
        if (done == 0 && waited >= timeoutMs) {
            kill(static_cast<pid_t>(m_id), SIGKILL);
            timedOut = true;
            timeoutMs = -1;   // now reap it
        } else if (done == 0) {
            usleep(10000);
        }
    }
    m_id = -1;
    result.status = timedOut ? kTimedOut : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(m_outBase + ".out");
    result.err = ReadFile(m_outBase + ".err");
    return result;
}

}  // namespace vemra::test
