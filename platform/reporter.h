#pragma once
// Where the layers below the windows send what the user must learn or decide. They never show
// anything themselves: the edge that started the work (a dialog, a batch run, a script client)
// decides how it reaches the user.

#include <string>

namespace vemra {

enum class MessageIcon { none, information, warning, error, question };

class CReporter {
public:
    virtual ~CReporter() = default;
    virtual void Tell(const std::string& text, MessageIcon icon) = 0;
    // An OK/Cancel question; true for OK.
    virtual bool Ask(const std::string& text, MessageIcon icon) = 0;
};

// Problems the platform layer meets on its own (a damaged settings file, a locale that is not
// installed) go to the reporter the program's edge installed; without one nobody is told.
void SetPlatformReporter(CReporter* reporter);
void ReportPlatformProblem(const std::string& text);

}  // namespace vemra
