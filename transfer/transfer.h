#pragma once
// The transfer operations: export, import, duplicate detection, remove all and counting. Each
// operation opens its own datebook table and file and releases them before it returns; failures
// go to the reporter it is given.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vemra {
class CFileHold;
}
class CSettings;
class CDateBkTable;
class CDateBkRecord;
struct DesktopWindowCalls;
namespace vemra {
class CReporter;
struct Rejection;
}

// Where a long operation shows how far it got (the main dialog's progress bar). Ranges and
// positions are 16-bit; CProgressSteps brings longer ranges into them.
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

// Asks about one rejected item; 1 = go on, 0 = stop the import.
int ReportImportError(vemra::CReporter& reporter, const vemra::Rejection& why, const char* fileName, int line,
                      const std::string& itemText);

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
// Calls visit with the start of each occurrence of record on a day from spanStart to spanEnd
// that is not an exception date. The number of occurrences visited, or -1 when visit said stop.
using OccurrenceVisitor = std::function<bool(long start)>;
int ForEachOccurrence(const CDateBkRecord& record, long spanStart, long spanEnd, const OccurrenceVisitor& visit);

// A long operation's progress on the 16-bit bar: the range is set (and the pump run once) when
// it is made, positions are of the same unit as length.
class CProgressSteps {
public:
    CProgressSteps(CProgress* progress, std::uint64_t length);
    void At(std::uint64_t position);

private:
    CProgress* m_pProgress;
    int m_nShift = 0;
};

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
