#include "transfer/transfer.h"

#include "excel/excel_file.h"
#include "formats/csv_file.h"
#include "formats/row_file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"

using namespace vemra;

namespace {

// The row file for a name, opened for writing or reading: a workbook for an ".xls" name when
// workbooks can be had, otherwise a delimited text file with the user's separator and quote.
// failure (if given) says why it could not be opened, in the words of the message id.
std::unique_ptr<CRowFile> OpenRowFile(const std::string& fileName, CSettings& settings, bool forWriting,
                                      unsigned failureId, std::string* failure) {
    std::unique_ptr<CRowFile> file;
    if (IsExcelFileName(fileName)) {
        // Workbooks are never written or read as text under an .xls name.
        if (!IsExcelAvailable()) {
            const unsigned why = GetExcelChoice() == ExcelChoice::off ? IDS_EXCEL_OFF : IDS_NO_EXCEL;
            if (failure) *failure = FormatText(LoadResString(why).c_str(), fileName.c_str());
            return nullptr;
        }
        file = std::make_unique<CExcelFile>();
    } else {
        auto csv = std::make_unique<CCsvFile>();
        csv->SetSeparator(settings.m_strSeparator);
        csv->SetQuote(settings.m_strQuote);
        if (forWriting) csv->SetRemoveLineBreaks(settings.m_bExportNoCR ? 1 : 0);
        file = std::move(csv);
    }
    if ((forWriting ? file->OpenWrite(fileName) : file->OpenRead(fileName)) != 0) {
        if (failure) {
            *failure = FormatText(LoadResString(failureId).c_str(), fileName.c_str());
            if (file->HasError()) *failure += "\n" + file->GetErrorText();
        }
        return nullptr;
    }
    return file;
}

}  // namespace

std::unique_ptr<CRowFile> OpenExportFile(const std::string& fileName, CSettings& settings,
                                         std::string* failure) {
    return OpenRowFile(fileName, settings, true, IDS_CANT_WRITE_FILE, failure);
}

std::unique_ptr<CRowFile> OpenImportFile(const std::string& fileName, CSettings& settings,
                                         std::string* failure) {
    return OpenRowFile(fileName, settings, false, IDS_CANT_OPEN_FILE, failure);
}
