#pragma once
// Private to the datebook library: the handheld's own datebook (DatebookDB.pdb, the copy every
// HotSync keeps in the user's Backup folder) as a second file layout of the record table.

#include "palm/datebook_table.h"

#include <string>
#include <string_view>

namespace datebook {

// Parses a whole DatebookDB.pdb into impl (cleared first). A damaged file is refused whole:
// false with the reason.
bool ParseHandheldFile(std::string_view bytes, DateBkTableData& impl, std::string& error);
// The file's bytes for impl; false with the reason when a record cannot be held by the layout.
bool WriteHandheldFile(const DateBkTableData& impl, std::string& out, std::string& error);
// A database without records, as the handheld makes it.
std::string NewHandheldFile();

}  // namespace datebook
