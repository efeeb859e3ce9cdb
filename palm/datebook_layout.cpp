#include "palm/datebook_layout.h"

#include <cstdint>
#include <cstdio>

#include "platform/file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace {

constexpr std::uint32_t kDatebookTag = 0x44420100;
constexpr std::size_t kHeadBytes = 32;

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

}  // namespace

bool IsDatebookArchiveName(const std::string& path) {
    return vemra::EndsWithNoCase(path, ".dba");
}

eDatebookLayout DatebookLayoutOf(std::string_view head, const std::string& path) {
    const bool archive = IsDatebookArchiveName(path);
    if (IsNewerPalmLayout(head)) return archive ? eDatebookLayout::eCalendarArchive : eDatebookLayout::eDesktop41;
    if (IsAccessDatabase(head)) return archive ? eDatebookLayout::eCalendarArchive : eDatebookLayout::eDesktop6Database;
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
    char buffer[kHeadBytes];
    std::size_t got = 0, count = 0;
    while (got < kHeadBytes && file.Read(buffer + got, kHeadBytes - got, count) && count > 0) got += count;
    return DatebookLayoutOf(std::string_view(buffer, got), path);
}

std::string DatebookLayoutRefusal(eDatebookLayout layout, std::string_view head) {
    std::string what;
    switch (layout) {
    case eDatebookLayout::eDesktop41: what = vemra::LoadResString(IDS_DB_NEWER_FORMAT); break;
    case eDatebookLayout::eDesktop6Database: what = vemra::LoadResString(IDS_DB_DESKTOP6_DATABASE); break;
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
