#pragma once
// Which layout a datebook file is in, judged from its first bytes and its name.
//
// Palm Desktop 3.x and 4.0 keep datebook.dat in the layout the datebook library reads, and every
// version up to 6 can still save that layout as a "Date Book Archive" (.dba, File > Export). The
// library also reads the handheld's own DatebookDB.pdb, which every HotSync copies into the
// user's Backup folder. The newer layouts are refused with advice: datebook.dat of 4.1 and later
// (it starts with 0xCAFEBABE), the Microsoft Access database of Palm Desktop 6, the "Calendar
// Archive" those versions also save under the extension .dba, and the newer Calendar's
// database of the handheld (CalendarDB-PDat); other handheld databases are named.

#include <cstddef>
#include <string>
#include <string_view>

// How many of a file's first bytes tell its layout.
constexpr std::size_t kDatebookHeadBytes = 80;

enum class eDatebookLayout {
    eClassic,            // the library's own layout, or nothing newer recognised: the library judges
    eMissing,            // no file at that path
    eDesktop41,          // datebook.dat of Palm Desktop 4.1 and later
    eDesktop6Database,   // a Palm Desktop 6 database (Microsoft Access)
    eCalendarArchive,    // a Calendar Archive (.dba of one of the newer layouts)
    eUnknownArchive,     // a .dba file of a layout not known at all
    eHandheld,           // the handheld's DatebookDB.pdb: the library reads it
    eCalendarDatabase,   // the newer handheld Calendar's CalendarDB-PDat.pdb
    eOtherPalmDatabase   // any other handheld database (memos, addresses...)
};

// True for a name ending in ".dba" (any letter case).
bool IsDatebookArchiveName(const std::string& path);
// True for a name ending in ".pdb" (any letter case).
bool IsHandheldDatabaseName(const std::string& path);

// The layout of a file starting with head (its first kDatebookHeadBytes when it has them).
eDatebookLayout DatebookLayoutOf(std::string_view head, const std::string& path);
// The same, reading the file's first bytes.
eDatebookLayout ProbeDatebookLayout(const std::string& path);

// A refused layout's message: what the file is and how to save a Date Book Archive from Palm
// Desktop; with the file's path, the handheld datebook in its user folder is named where one is
// there to use instead. Empty for the layouts the library reads and for eMissing.
std::string DatebookLayoutRefusal(eDatebookLayout layout, std::string_view head = {}, const std::string& path = {});
// The same, short, to stand in the main dialog's count line instead of a count.
std::string DatebookLayoutNote(eDatebookLayout layout);
