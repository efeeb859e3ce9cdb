#pragma once
// Private to the datebook library: the file codec of the record table.

#include "palm/datebook_table.h"

#include <string>
#include <string_view>

namespace datebook {

// Parses a whole datebook file (either layout) into impl (which is cleared first). false with a reason on failure.
bool ParseFile(std::string_view bytes, DateBkTableData& impl, std::string& error);
// The bytes of the file for impl, in the layout it was read in (a table never opened is a
// datebook.dat naming path). false with a reason when a record does not fit the layout.
bool WriteFile(const DateBkTableData& impl, const std::string& path, std::string& out, std::string& error);

}  // namespace datebook
