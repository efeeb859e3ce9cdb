#pragma once
// Small helpers shared by the tests: a scratch folder per test, file contents, captured messages.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace vemra::test {

// A fresh, empty folder for one test (removed by the destructor).
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return m_path; }
    // path + separator + name, in the platform's own form.
    std::string File(const std::string& name) const;

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
std::string DataFile(const std::string& name);   // tests/data/<name>
// Checks a writer's output against tests/data/<name>; VEMRA_UPDATE_GOLDEN=1 rewrites the file.
void ExpectGolden(const std::string& name, const std::string& actual);
// The rows of a case table tests/data/<name>: one case a line, fields separated by tabs (or
// separator), blank lines and lines starting with # left out. With fields, a row of another
// length fails the test.
std::vector<std::vector<std::string>> DataRows(const std::string& name, const std::string& separator = "\t",
                                               std::size_t fields = 0);
// A text with \r, \n, \t, \0, \xHH and \\ standing for those bytes.
std::string Unescaped(const std::string& text);
// A local time written "YYYY-MM-DD[ HH:MM]" (or with a T for the space), and the other way
// round ("YYYY-MM-DD HH:MM"; "?" for a time the system cannot break down).
long LocalTimeOf(const std::string& text);
std::string LocalText(long t);
// The words of a text (a table cell, a command line), in order.
std::vector<std::string> Words(const std::string& text);
// Cases kept with their results in tests/data/<name>, one "<case> -> <result>" a line ('#' lines
// are comments): each case is run, and the file with the results of this run is a golden.
void ExpectResults(const std::string& name, const std::function<std::string(const std::string&)>& run);
// A user's folder in a Palm Desktop folder; with a datebook in it, it counts as a user.
void AddDesktopUser(const std::string& desktop, const std::string& name, bool withDatebook = true);

// Every message shown while it lives; answers are given in order, then OK.
class MessageCapture {
public:
    MessageCapture() {
        SetMessageSink([this](const std::string& text, MessageButtons, MessageIcon icon) {
            messages.push_back(text);
            icons.push_back(icon);
            if (answers.empty()) return static_cast<int>(answerOk);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        SetPlatformReporter(&m_reporter);
    }
    ~MessageCapture() {
        SetPlatformReporter(nullptr);
        SetMessageSink({});
    }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    std::vector<std::string> messages;
    std::vector<MessageIcon> icons;
    std::deque<int> answers;

private:
    CMessageBoxReporter m_reporter;   // the platform's problems come here too
};

}  // namespace vemra::test
