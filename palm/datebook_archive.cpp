#include "palm/datebook_archive.h"

#include "palm/datebook.h"
#include "palm/datebook_handheld.h"
#include "palm/datebook_layout.h"
#include "platform/file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

long CreateEmptyDatebook(const std::string& path, std::string& error) {
    if (vemra::FileExists(path)) {
        error = vemra::FormatText(vemra::LoadResString(IDS_DB_ARCHIVE_EXISTS).c_str(), path.c_str());
        return 1;
    }
    // A table never opened is written with a new header naming the file; a .pdb name asks for
    // the handheld's own layout with its defaults.
    CDateBkTable empty;
    if (IsHandheldDatabaseName(path) && empty.OpenFromMemory(datebook::NewHandheldFile()) != 0) {
        error = empty.GetLastErrorText();
        return 1;
    }
    if (empty.SaveAs(path) != 0) {
        error = empty.GetLastErrorText();
        return 1;
    }
    return 0;
}

long OpenDatebookForImport(CDateBkTable& table, const std::string& path) {
    // The new table is written as it stands, empty, so that a failure leaves its reason there.
    const bool handheld = IsHandheldDatabaseName(path);
    if ((handheld || IsDatebookArchiveName(path)) && ProbeDatebookLayout(path) == eDatebookLayout::eMissing) {
        if (handheld && table.OpenFromMemory(datebook::NewHandheldFile()) != 0) return 1;
        if (table.SaveAs(path) != 0) return 1;
    }
    return table.OpenFrom(path, 0);
}
