#pragma once
// The kinds of file the transfers read and write, one row each: the names that are of the kind,
// the file dialogs' filter, whether the kind can be had here, and how its files are opened. The
// row files, the main dialog's filters and default extension and the batch run all read this
// table, so a new kind is one row plus its reader and writer.

#include <memory>
#include <string>
#include <vector>

class CRowFile;
class CSettings;
struct TransferJob;   // transfer/runner.h

struct FileKind {
    // Lower case with the dot; a name ending in one of them (any letter case) is of this kind.
    std::vector<std::string> extensions;
    unsigned filterId;   // "description|pattern|" in the string table
    // Null when the kind is always there.
    bool (*isAvailable)() = nullptr;
    // The message (with the file name for %s) when the kind is not available.
    unsigned (*unavailableId)() = nullptr;
    // The row file of a row kind, set up from the settings and not yet opened.
    std::unique_ptr<CRowFile> (*makeRowFile)(const CSettings& settings, bool forWriting) = nullptr;
    // A kind whose files are not rows of the two layouts (a calendar of whole appointments with
    // their repeat rules) does the whole export or import itself; the runner then calls these
    // instead of the row operations. Results as the row operations': a count, or -1.
    int (*exportFile)(const TransferJob& job) = nullptr;
    int (*importFile)(const TransferJob& job, int* rejected, std::string* fileFailure, int* duplicates) = nullptr;

    bool Available() const { return !isAvailable || isAvailable(); }
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
