#include "transfer/file_kinds.h"

#include <cctype>
#include <map>

#include "excel/excel_file.h"
#include "formats/csv_file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/calendar.h"
#include "transfer/row_files.h"

using namespace vemra;

namespace {

std::unique_ptr<CRowFile> MakeCsvFile(const CSettings& settings, bool forWriting) {
    auto csv = std::make_unique<CCsvFile>();
    csv->SetSeparator(settings.m_strSeparator);
    csv->SetQuote(settings.m_strQuote);
    if (forWriting) csv->SetRemoveLineBreaks(settings.m_bExportNoCR ? 1 : 0);
    return csv;
}

std::unique_ptr<CRowFile> MakeWorkbook(const CSettings&, bool) { return std::make_unique<CExcelFile>(); }

// A row kind's source and sink, of the row file its maker sets up from the settings.
template <std::unique_ptr<CRowFile> (*makeFile)(const CSettings&, bool)>
std::unique_ptr<CAppointmentSource> RowSource(const TransferJob& job) {
    return MakeRowSource(job, makeFile(job.settings, false));
}
template <std::unique_ptr<CRowFile> (*makeFile)(const CSettings&, bool)>
std::unique_ptr<CAppointmentSink> RowSink(const TransferJob& job) {
    return MakeRowSink(job, makeFile(job.settings, true));
}

unsigned WhyNoWorkbook() { return GetExcelChoice() == ExcelChoice::off ? IDS_EXCEL_OFF : IDS_NO_EXCEL; }

bool HasExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// "*.xls" in a pattern, not as the start of a longer extension.
bool PatternNames(const std::string& pattern, const std::string& extension) {
    const std::string wanted = "*" + extension;
    for (std::size_t at = pattern.find(wanted); at != std::string::npos; at = pattern.find(wanted, at + 1)) {
        const std::size_t after = at + wanted.size();
        if (after == pattern.size() || !std::isalnum(static_cast<unsigned char>(pattern[after]))) return true;
    }
    return false;
}

}  // namespace

const std::vector<FileKind>& FileKinds() {
    static const std::vector<FileKind> kinds = {
        {.extensions = {".xlsx"}, .filterId = IDS_FILTER_XLSX, .isAvailable = IsExcelAvailable,
         .unavailableId = WhyNoWorkbook, .makeSource = RowSource<MakeWorkbook>, .makeSink = RowSink<MakeWorkbook>},
        {.extensions = {".xls"}, .filterId = IDS_FILTER_EXCEL, .isAvailable = IsExcelAvailable,
         .unavailableId = WhyNoWorkbook, .makeSource = RowSource<MakeWorkbook>, .makeSink = RowSink<MakeWorkbook>},
        {.extensions = {".csv"}, .filterId = IDS_FILTER_CSV, .makeSource = RowSource<MakeCsvFile>,
         .makeSink = RowSink<MakeCsvFile>},
        {.extensions = {".ics"}, .filterId = IDS_FILTER_ICALENDAR, .makeSource = MakeCalendarSource,
         .makeSink = MakeCalendarSink, .itemsAreEvents = true},
    };
    return kinds;
}

std::string FileKind::UnavailableText(const std::string& fileName) const {
    return unavailableId ? FormatText(LoadResString(unavailableId()).c_str(), fileName.c_str()) : std::string();
}

const FileKind& FileKindOf(const std::string& fileName) {
    const FileKind* text = nullptr;
    for (const FileKind& kind : FileKinds()) {
        for (const std::string& extension : kind.extensions) {
            if (EndsWithNoCase(fileName, extension)) return kind;
            if (extension == ".csv") text = &kind;
        }
    }
    return *text;
}

std::vector<const FileKind*> OfferedFileKinds() {
    // Kinds that share a check ask it once: with Microsoft Excel the check starts it.
    std::map<bool (*)(), bool> asked;
    std::vector<const FileKind*> offered;
    for (const FileKind& kind : FileKinds()) {
        if (kind.isAvailable) {
            const auto [known, fresh] = asked.try_emplace(kind.isAvailable, false);
            if (fresh) known->second = kind.isAvailable();
            if (!known->second) continue;
        }
        offered.push_back(&kind);
    }
    return offered;
}

std::string FileDialogFilter(const std::vector<const FileKind*>& offered) {
    std::string filter;
    for (const FileKind* kind : offered) filter += LoadResString(kind->filterId);
    return filter + LoadResString(IDS_FILTER_ALL) + "|";
}

int InitialFilterIndex(const std::string& fileName, const std::vector<const FileKind*>& offered) {
    if (fileName.size() < 4 || fileName.find('.') == std::string::npos) return 0;
    for (std::size_t i = 0; i < offered.size(); ++i) {
        for (const std::string& extension : offered[i]->extensions)
            if (EndsWithNoCase(fileName, extension.substr(1))) return static_cast<int>(i) + 1;
    }
    return static_cast<int>(offered.size()) + 1;
}

std::string AppendExtensionFromFilter(const std::string& path, const std::string& pattern) {
    if (HasExtension(path)) return path;
    for (const FileKind& kind : FileKinds()) {
        for (const std::string& extension : kind.extensions)
            if (PatternNames(pattern, extension)) return path + extension;
    }
    // Palm application files are no kind of their own: they are written as text.
    if (PatternNames(pattern, ".prc")) return path + ".prc";
    return path;
}

std::string FilterPattern(const std::string& filters, int index) {
    if (index < 1) return "";
    std::size_t start = 0;
    // Each filter is two texts: description and pattern.
    for (int text = 0; text < 2 * index - 1; ++text) {
        start = filters.find('|', start);
        if (start == std::string::npos) return "";
        ++start;
    }
    const std::size_t end = filters.find('|', start);
    return filters.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
