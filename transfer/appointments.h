#pragma once
// Appointment sources and sinks: what an import reads from a file and an export writes to it,
// whatever the kind of the file, and the one import loop and one export loop that drive them.
// The loops own everything a transfer does with the datebook: the hold, refusing the datebook
// itself as the file, progress, the message pump, the question about a rejected item,
// duplicates and the save. A kind of file brings only its source and its sink.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/rejection.h"
#include "palm/datebook.h"

class CSettings;
class CProgress;
class CApptValues;
struct FileKind;
namespace vemra {
class CReporter;
}

enum class Operation { exportFile, importFile, removeAll };

struct TransferOutcome {
    int count = -1;            // rows or items written, items added, appointments removed; -1 failed
    int appointments = 0;      // import: datebook appointments the added items became
    int rejected = 0;          // import: invalid items not added
    int duplicates = 0;        // import: items skipped as appointments the datebook holds
    int skipped = 0;           // import: items meant not to be there (cancelled events)
    bool events = false;       // import: the items are calendar events, not rows
    bool refused = false;      // Palm Desktop refused the change: nothing was done
    bool unavailable = false;  // the file's kind cannot be had here (it was said): nothing was done
    std::string fileFailure;   // import: why the file could not be opened, for the caller to word
};

// One transfer: the file's kind is resolved (and found available) once, before the job is made.
struct TransferJob {
    Operation operation;
    CSettings& settings;
    std::string datebookPath;
    std::string fileName;
    CProgress* progress;
    vemra::CReporter& reporter;
    const FileKind& kind;
    TransferOutcome& outcome;
    bool full = false;   // the full layout: one row per appointment with its repeat rule
    long spanStart = 0;  // the simple layout's days
    long spanEnd = 0;
};

// Both sides say why they failed in a text ready to show.
class CFailing {
public:
    const std::string& Failure() const { return m_strFailure; }

protected:
    bool Fail(std::string why) {
        m_strFailure = std::move(why);
        return false;
    }
    std::string m_strFailure;
};

class CAppointmentSource : public CFailing {
public:
    enum class Step { item, rejected, skipped, blank, end, failed };
    virtual ~CAppointmentSource() = default;
    // False when the file cannot be read as this kind (Failure says why; the caller words it).
    virtual bool Open() = 0;
    // The next item of the file. item: the datebook records it becomes (one item may become
    // several), bound to a table of the source's own that is never saved and valid until the
    // next call; rejected: why not; skipped: an item meant not to be there (a cancelled event),
    // counted; blank: nothing to add or reject; failed: the file cannot be read whole (Failure
    // says why) and nothing of it may be kept.
    virtual Step Next(std::vector<CDateBkRecord>& records, vemra::Rejection& why) = 0;
    // The item just read: its line in the file and its text for the question about it.
    virtual int Line() const = 0;
    virtual std::string ItemText() const = 0;
    // How far reading got, in a unit of the source's own.
    virtual std::uint64_t Position() = 0;
    virtual std::uint64_t Length() = 0;
};

class CAppointmentSink : public CFailing {
public:
    virtual ~CAppointmentSink() = default;
    // Opens the file and writes what comes before the appointments; false on failure.
    virtual bool Begin() = 0;
    // Writes one live appointment (values are the record's, the sink's to change): the rows or
    // items written (0 when none is due), -1 on failure.
    virtual int Write(CDateBkRecord& record, CApptValues& values) = 0;
    // Completes the file; false on failure.
    virtual bool Finish() = 0;
};

// The loops; they set job.outcome (count -1 on failure, which went to the reporter, except an
// import file's open failure, which is left in fileFailure for the caller to word).
void ExportAppointments(const TransferJob& job);
void ImportAppointments(const TransferJob& job);
