#include "transfer/transfer.h"

#include "formats/csv_file.h"
#include "formats/row_file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"

using namespace vemra;

namespace {

// A delimited text file with the user's separator and quote, opened for writing or reading;
// failure (if given) says why it could not be, in the words of the message id.
std::unique_ptr<CRowFile> OpenCsvFile(const std::string& fileName, CSettings& settings, bool forWriting,
                                      unsigned failureId, std::string* failure) {
    if (IsExcelFileName(fileName)) {
        // Workbooks are handled only through Excel itself; never as text under an .xls name.
        if (failure) *failure = FormatText(LoadResString(IDS_NO_EXCEL).c_str(), fileName.c_str());
        return nullptr;
    }
    auto csv = std::make_unique<CCsvFile>();
    csv->SetSeparator(settings.m_strSeparator);
    csv->SetQuote(settings.m_strQuote);
    if (forWriting) csv->SetRemoveLineBreaks(settings.m_bExportNoCR ? 1 : 0);
    if ((forWriting ? csv->OpenWrite(fileName) : csv->OpenRead(fileName)) != 0) {
        if (failure) {
            *failure = FormatText(LoadResString(failureId).c_str(), fileName.c_str());
            if (csv->HasError()) *failure += "\n" + csv->GetErrorText();
        }
        return nullptr;
    }
    return csv;
}

}  // namespace

std::unique_ptr<CRowFile> OpenExportFile(const std::string& fileName, CSettings& settings,
                                         std::string* failure) {
    return OpenCsvFile(fileName, settings, true, IDS_CANT_WRITE_FILE, failure);
}

std::unique_ptr<CRowFile> OpenImportFile(const std::string& fileName, CSettings& settings,
                                         std::string* failure) {
    return OpenCsvFile(fileName, settings, false, IDS_CANT_OPEN_FILE, failure);
}

bool IsExcelFileName(const std::string& fileName) {
    return fileName.size() >= 4 && EqualsNoCase(std::string_view(fileName).substr(fileName.size() - 4), ".xls");
}

bool IsExcelAvailable() {
    // The Excel bridge is not part of this build yet.
    return false;
}
