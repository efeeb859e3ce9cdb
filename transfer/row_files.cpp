#include "transfer/transfer.h"

#include "formats/row_file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/file_kinds.h"

using namespace vemra;

namespace {

// The row file for a name, opened for writing or reading, of the kind its name gives.
// failure (if given) says why it could not be opened, in the words of the message id.
std::unique_ptr<CRowFile> OpenRowFile(const std::string& fileName, CSettings& settings, bool forWriting,
                                      unsigned failureId, std::string* failure) {
    const FileKind& kind = FileKindOf(fileName);
    // A kind that cannot be had here is never written or read as another.
    if (!kind.Available() || !kind.makeRowFile) {
        if (failure && kind.unavailableId) *failure = FormatText(LoadResString(kind.unavailableId()).c_str(), fileName.c_str());
        return nullptr;
    }
    std::unique_ptr<CRowFile> file = kind.makeRowFile(settings, forWriting);
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
