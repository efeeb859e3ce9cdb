// What every operation does with the datebook itself, whichever file it reads or writes: says
// why it could not be opened or saved, keeps other runs away during a change, and refuses a file
// that is the datebook.
#include "transfer/transfer.h"

#include "palm/datebook.h"
#include "platform/file.h"
#include "platform/reporter.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

using namespace vemra;

void ReportDatebookOpenFailure(CReporter& reporter, const std::string& datebookPath, const CDateBkTable& table) {
    const std::string& why = table.GetLastErrorText();
    const std::string text =
        why.empty() ? FormatText(LoadResString(IDS_CANT_READ_FILE).c_str(), datebookPath.c_str())
                    : FormatText(LoadResString(IDS_CANT_READ_FILE_WHY).c_str(), datebookPath.c_str(), why.c_str());
    reporter.Tell(text, MessageIcon::warning);
}

void ReportDatebookSaveFailure(CReporter& reporter, const CDateBkTable& table) {
    reporter.Tell(FormatText(LoadResString(IDS_CANT_SAVE_FILE).c_str(), table.GetPath().c_str(),
                             table.GetLastErrorText().c_str()),
                  MessageIcon::error);
}

bool HoldDatebook(CReporter& reporter, const std::string& datebookPath, CFileHold& hold) {
    // Long enough for another run's save to end, short enough for a batch job to go on.
    constexpr int kWaitMilliseconds = 5000;
    switch (hold.Take(datebookPath, kWaitMilliseconds)) {
    case CFileHold::holdTaken:
        RemoveLeftoverTemporaries(datebookPath);
        return true;
    case CFileHold::holdBusy:
        reporter.Tell(FormatText(LoadResString(IDS_DATEBOOK_BUSY).c_str(), datebookPath.c_str()), MessageIcon::error);
        return false;
    default:
        return true;
    }
}

bool BeginImport(CReporter& reporter, const std::string& datebookPath, const std::string& fileName, CFileHold& hold,
                 std::string* fileFailure) {
    const std::string refusal = RefuseDatebookAsFile(datebookPath, fileName);
    if (!refusal.empty()) {
        if (fileFailure) *fileFailure = refusal;
        return false;
    }
    return HoldDatebook(reporter, datebookPath, hold);
}

std::string RefuseDatebookAsFile(const std::string& datebookPath, const std::string& fileName) {
    if (!IsSameFile(datebookPath, fileName)) return {};
    return FormatText(LoadResString(IDS_FILE_IS_DATEBOOK).c_str(), fileName.c_str());
}
