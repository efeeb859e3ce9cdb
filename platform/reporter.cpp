#include "platform/reporter.h"

namespace vemra {

namespace {
CReporter*& Installed() {
    static CReporter* reporter = nullptr;
    return reporter;
}
}  // namespace

void SetPlatformReporter(CReporter* reporter) { Installed() = reporter; }

void ReportPlatformProblem(const std::string& text) {
    if (Installed()) Installed()->Tell(text, MessageIcon::warning);
}

}  // namespace vemra
