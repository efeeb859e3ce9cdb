#pragma once
// Export of a datebook to an iCalendar (.ics) file and import from one. Shaped like
// ExportFull / ImportFull (transfer/transfer.h): the same results, messages and settings
// (ignore errors, no duplicates); every appointment is one event with its repeat rule,
// whichever layout is chosen.

#include <string>

class CSettings;
class CProgress;
namespace vemra {
class CReporter;
}

// Events written, or -1 when the datebook could not be opened or the file not written.
int ExportICalendar(const std::string& datebookPath, const char* fileName, CSettings& settings,
                    CProgress* progress, vemra::CReporter& reporter);

// Appointments added, or -1 when the datebook or the file could not be opened, the file is not
// a whole calendar (nothing is saved then) or the datebook could not be saved. fileFailure
// receives the open failure's text; rejected the number of events that were not added.
int ImportICalendar(const std::string& datebookPath, const char* fileName, CSettings& settings,
                    CProgress* progress, vemra::CReporter& reporter, std::string* fileFailure = nullptr,
                    int* rejected = nullptr, int* duplicates = nullptr);
