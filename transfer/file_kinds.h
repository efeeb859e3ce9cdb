#pragma once
// The kinds of file the transfers read and write, one row each: the names that are of the kind,
// the file dialogs' filter, whether the kind can be had here, and its appointment source and
// sink. The transfers, the main dialog's filters and default extension and the batch run all
// read this table, so a new kind is one row plus its source and sink.

#include <memory>
#include <string>
#include <vector>

class CAppointmentSink;
class CAppointmentSource;
struct TransferJob;   // transfer/appointments.h

struct FileKind {
    // Lower case with the dot; a name ending in one of them (any letter case) is of this kind.
    std::vector<std::string> extensions;
    unsigned filterId;   // "description|pattern|" in the string table
    // Null when the kind is always there.
    bool (*isAvailable)() = nullptr;
    // The message (with the file name for %s) when the kind is not available.
    unsigned (*unavailableId)() = nullptr;
    // What an import reads the job's file with, and what an export writes it with; neither
    // has opened the file yet.
    std::unique_ptr<CAppointmentSource> (*makeSource)(const TransferJob& job) = nullptr;
    std::unique_ptr<CAppointmentSink> (*makeSink)(const TransferJob& job) = nullptr;
    // An import counts its items as events (each may become several appointments), not rows.
    bool itemsAreEvents = false;

    bool Available() const { return !isAvailable || isAvailable(); }
    // The message that says the kind cannot be had here, for fileName.
    std::string UnavailableText(const std::string& fileName) const;
};

// Every kind, in the order the file dialogs offer them (before "All Files").
const std::vector<FileKind>& FileKinds();
// The kind of a file name: the first kind one of whose extensions ends it; for any other name
// the delimited text kind.
const FileKind& FileKindOf(const std::string& fileName);
// The kinds available here, in the table's order.
std::vector<const FileKind*> OfferedFileKinds();

// The file dialogs' filter list in its "|" form: the offered kinds, then "All Files", then "|".
std::string FileDialogFilter(const std::vector<const FileKind*>& offered);
// The filter (counted from 1) a file dialog starts with for the last file's name: 0 when the
// name is shorter than 4 characters or has no dot; the first offered kind whose extension
// (without its dot) ends the name; otherwise "All Files".
int InitialFilterIndex(const std::string& fileName, const std::vector<const FileKind*>& offered);
// The path with the extension of the kind the chosen filter pattern names ("*.xls", also
// "*.prc"), when the path has none.
std::string AppendExtensionFromFilter(const std::string& path, const std::string& pattern);
// The pattern of the index-th filter (from 1) of a filter list in its "|" form.
std::string FilterPattern(const std::string& filters, int index);
