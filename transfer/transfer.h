#pragma once
// The transfer operations: export, import, duplicate detection, remove all and counting, and
// the batch run that performs one of them. Each operation opens its own datebook table and row
// file and releases them before it returns; failures go to the reporter it is given.

#include <memory>
#include <string>

namespace vemra {
class CFileHold;
}
class CSettings;
class CRowFile;
class CDateBkTable;
class CDateBkRecord;
struct DesktopWindowCalls;
namespace vemra {
class CReporter;
}

// Where a long operation shows how far it got (the main dialog's progress bar). Ranges and
// positions are 16-bit: callers pass values modulo 65,536.
class CProgress {
public:
    virtual ~CProgress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPos(int pos) = 0;
};

// Export. Results: rows written (header not counted), or -1 when the datebook or the output
// file could not be opened or the file could not be written.
int ExportSimple(const std::string& datebookPath, const char* fileName, long spanStart, long spanEnd,
                 CSettings& settings, CProgress* progress, vemra::CReporter& reporter);
int ExportFull(const std::string& datebookPath, const char* fileName, CSettings& settings,
               CProgress* progress, vemra::CReporter& reporter);

// A row file opened for writing / reading, or null. On failure, failure (if given) receives
// the text to show the user (file name and the system's reason).
std::unique_ptr<CRowFile> OpenExportFile(const std::string& fileName, CSettings& settings,
                                         std::string* failure = nullptr);
std::unique_ptr<CRowFile> OpenImportFile(const std::string& fileName, CSettings& settings,
                                         std::string* failure = nullptr);

// Import. Results: appointments added, or -1 when the datebook or the input file could not be
// opened or the datebook could not be saved. The input file's open failure is not shown here
// (interactive callers word it themselves); fileFailure receives its text. rejected receives
// the number of invalid rows that were not added (the header row not counted), duplicates the
// number of rows skipped as appointments the datebook already holds.
int ImportSimple(const std::string& datebookPath, const char* fileName, CSettings& settings,
                 CProgress* progress, vemra::CReporter& reporter, std::string* fileFailure = nullptr,
                 int* rejected = nullptr, int* duplicates = nullptr);
int ImportFull(const std::string& datebookPath, const char* fileName, CSettings& settings,
               CProgress* progress, vemra::CReporter& reporter, std::string* fileFailure = nullptr,
               int* rejected = nullptr, int* duplicates = nullptr);

// Asks about one rejected row; 1 = go on, 0 = stop the import.
int ReportImportError(vemra::CReporter& reporter, int code, const char* fileName, int line,
                      const std::string& rowText);

// Duplicates: 1 when a live record of table is the same appointment as candidate.
int IsDuplicate(CDateBkTable& table, CDateBkRecord& candidate);
int IsSameAppointment(CDateBkRecord& existing, CDateBkRecord& candidate);

// Remove all: appointments removed (occurrences in the simple format), or -1 when the datebook
// could not be opened or saved. CountInSpan: what RemoveAll would remove from the current
// user's datebook, or -1 when it cannot be opened.
int RemoveAll(const std::string& datebookPath, CSettings& settings, CProgress* progress,
              vemra::CReporter& reporter);
int CountInSpan(CSettings& settings);

// Local 00:00:00 of the day after the local day of t, across days of 23 and 25 hours;
// -1 when t cannot be converted.
long NextLocalMidnight(long t);


// Runs the one import, export or remove all that the command line asked for and returns the
// process exit status: 0 done, kBatchFailed when the operation failed (or a running Palm
// Desktop refused the change), kBatchStopped when an interrupt stopped it (the work done until
// then is kept), kBatchRowsRejected when an import skipped invalid rows.
constexpr int kBatchNotAvailable = 2;
constexpr int kBatchFailed = 3;
constexpr int kBatchStopped = 4;
constexpr int kBatchRowsRejected = 5;
// desktop: the window calls that reach Palm Desktop, when not the real ones.
int RunBatchTransfer(CSettings& settings, vemra::CReporter& reporter, const DesktopWindowCalls* desktop = nullptr);

// Shared by the operations: says that the datebook could not be opened, with the library's
// reason when it gives one; and that it could not be saved.
void ReportDatebookOpenFailure(vemra::CReporter& reporter, const std::string& datebookPath,
                               const CDateBkTable& table);
void ReportDatebookSaveFailure(vemra::CReporter& reporter, const CDateBkTable& table);

// Keeps other runs away from the datebook for a whole read-modify-save, and clears what killed
// saves of it left behind. False (the reporter has been told) when another run keeps it longer
// than we wait; a file that cannot be opened is left to the datebook's own message.
bool HoldDatebook(vemra::CReporter& reporter, const std::string& datebookPath, vemra::CFileHold& hold);
// An import's start: refuses a file that is the datebook itself (fileFailure gets why) and holds
// the datebook; false when the import must not go on.
bool BeginImport(vemra::CReporter& reporter, const std::string& datebookPath, const std::string& fileName,
                 vemra::CFileHold& hold, std::string* fileFailure);
// The text that refuses a row file which is the datebook itself, or empty.
std::string RefuseDatebookAsFile(const std::string& datebookPath, const std::string& fileName);
