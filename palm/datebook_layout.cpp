#include "palm/datebook_layout.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace {

constexpr std::uint32_t kDatebookTag = 0x44420100;
constexpr std::size_t kPalmNameTypeCreator = 68;   // the header up to the creator

std::uint32_t Tag(std::string_view head) {
    if (head.size() < 4) return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(head.data());
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// Palm Desktop 4.1+ files begin with 0xCAFEBABE; both byte orders have been reported.
bool IsNewerPalmLayout(std::string_view head) {
    const std::uint32_t tag = Tag(head);
    return tag == 0xCAFEBABEu || tag == 0xBEBAFECAu;
}

// A Microsoft Access (Jet or ACE) database: a page of version 0x100, then the engine's name.
bool IsAccessDatabase(std::string_view head) {
    return head.size() >= 19 && head.substr(0, 4) == std::string_view("\0\1\0\0", 4) &&
           (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB");
}

// A handheld database (PDB): a name of printable characters ended by a NUL within its 32 bytes,
// then at 60 a type and a creator of four printable characters each.
bool IsPalmDatabase(std::string_view head) {
    if (head.size() < kPalmNameTypeCreator) return false;
    const std::size_t nul = head.substr(0, 32).find('\0');
    if (nul == 0 || nul == std::string_view::npos) return false;
    for (std::size_t i = 0; i < nul; ++i)
        if (static_cast<unsigned char>(head[i]) < 0x20) return false;
    for (std::size_t i = 60; i < kPalmNameTypeCreator; ++i)
        if (head[i] < 0x20 || head[i] > 0x7E) return false;
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

// The entry of folder called name in any letter case, as folder + separator + its own spelling;
// empty when there is none.
std::string FindNoCase(const std::string& folder, std::string_view name, bool directory) {
    std::vector<vemra::DirectoryEntry> entries;
    if (folder.empty() || !vemra::ListDirectory(folder, entries)) return {};
    const char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
    for (const auto& entry : entries)
        if (entry.isDirectory == directory && vemra::EqualsNoCase(entry.name, name)) return folder + separator + entry.name;
    return {};
}

// <user>/datebook/datebook.dat -> <user>/Backup/DatebookDB.PDB, when it is there.
std::string HandheldBackupOf(const std::string& datebookPath) {
    const std::string backup = FindNoCase(FolderOf(FolderOf(datebookPath)), "Backup", true);
    return FindNoCase(backup, "DatebookDB.PDB", false);
}

}  // namespace

bool IsHandheldDatabaseName(const std::string& path) { return vemra::EndsWithNoCase(path, ".pdb"); }

bool IsDatebookArchiveName(const std::string& path) { return vemra::EndsWithNoCase(path, ".dba"); }

eDatebookLayout DatebookLayoutOf(std::string_view head, const std::string& path) {
    const bool archive = IsDatebookArchiveName(path);
    if (IsNewerPalmLayout(head)) return archive ? eDatebookLayout::eCalendarArchive : eDatebookLayout::eDesktop41;
    if (IsAccessDatabase(head)) return archive ? eDatebookLayout::eCalendarArchive : eDatebookLayout::eDesktop6Database;
    if (IsPalmDatabase(head)) {
        const std::string_view typeAndCreator = head.substr(60, 8);
        if (typeAndCreator == "DATAdate") return eDatebookLayout::eHandheld;
        if (typeAndCreator == "DATAPDat") return eDatebookLayout::eCalendarDatabase;
        return eDatebookLayout::eOtherPalmDatabase;
    }
    // Address book and to do list archives have their own messages in the library.
    const std::uint32_t tag = Tag(head);
    if (archive && head.size() >= 4 && tag != kDatebookTag && (tag & 0xFFFF) != 0x0100)
        return eDatebookLayout::eUnknownArchive;
    return eDatebookLayout::eClassic;
}

eDatebookLayout ProbeDatebookLayout(const std::string& path) {
    vemra::CPlatformFile file;
    if (!file.Open(path, vemra::CPlatformFile::modeRead))
        return vemra::FileExists(path) ? eDatebookLayout::eClassic : eDatebookLayout::eMissing;
    char buffer[kDatebookHeadBytes];
    std::size_t got = 0, count = 0;
    while (got < kDatebookHeadBytes && file.Read(buffer + got, kDatebookHeadBytes - got, count) && count > 0) got += count;
    return DatebookLayoutOf(std::string_view(buffer, got), path);
}

std::string DatebookLayoutRefusal(eDatebookLayout layout, std::string_view head, const std::string& path) {
    std::string what;
    switch (layout) {
    case eDatebookLayout::eDesktop41:
    case eDatebookLayout::eDesktop6Database: {
        what = vemra::LoadResString(layout == eDatebookLayout::eDesktop41 ? IDS_DB_NEWER_FORMAT : IDS_DB_DESKTOP6_DATABASE);
        const std::string backup = HandheldBackupOf(path);
        if (!backup.empty()) what += '\n' + vemra::FormatText(vemra::LoadResString(IDS_PDB_BACKUP_BESIDE).c_str(), backup.c_str());
        break;
    }
    case eDatebookLayout::eCalendarDatabase: {
        std::string datebook = FindNoCase(FolderOf(path), "DatebookDB.PDB", false);
        if (datebook.empty()) datebook = "DatebookDB.PDB";
        return vemra::LoadResString(IDS_PDB_CALENDAR_DATABASE) + "\n" +
               vemra::FormatText(vemra::LoadResString(IDS_PDB_USE_DATEBOOK).c_str(), datebook.c_str());
    }
    case eDatebookLayout::eOtherPalmDatabase: {
        const std::string name(head.substr(0, head.find('\0')));
        return vemra::FormatText(vemra::LoadResString(IDS_PDB_OTHER_DATABASE).c_str(), name.c_str(),
                                 std::string(head.substr(60, 4)).c_str(), std::string(head.substr(64, 4)).c_str());
    }
    case eDatebookLayout::eCalendarArchive: what = vemra::LoadResString(IDS_DB_CALENDAR_ARCHIVE); break;
    case eDatebookLayout::eUnknownArchive: {
        char tag[16];
        std::snprintf(tag, sizeof tag, "0x%08X", static_cast<unsigned>(Tag(head)));
        what = vemra::FormatText(vemra::LoadResString(IDS_DB_UNKNOWN_ARCHIVE).c_str(), tag);
        break;
    }
    default: return {};
    }
    return what + "\n" + vemra::LoadResString(IDS_DB_SAVE_ARCHIVE_ADVICE);
}

std::string DatebookLayoutNote(eDatebookLayout layout) {
    unsigned id = 0;
    switch (layout) {
    case eDatebookLayout::eDesktop41: id = IDS_LAYOUT_DESKTOP41; break;
    case eDatebookLayout::eDesktop6Database: id = IDS_LAYOUT_DESKTOP6_DATABASE; break;
    case eDatebookLayout::eCalendarArchive: id = IDS_LAYOUT_CALENDAR_ARCHIVE; break;
    case eDatebookLayout::eUnknownArchive: id = IDS_LAYOUT_UNKNOWN_ARCHIVE; break;
    default: return {};
    }
    return vemra::FormatText(vemra::LoadResString(IDS_LAYOUT_NOTE).c_str(), vemra::LoadResString(id).c_str());
}
