#pragma once
// Private to the datebook library: the file codec of the record table.

#include "palm/datebook_table.h"

#include <string>
#include <string_view>

namespace datebook {

// Parses a whole datebook file into impl (which is cleared first). false with a reason on failure.
bool ParseFile(std::string_view bytes, DateBkTableData& impl, std::string& error);
// The bytes of the file for impl; path is written as the file name of a table never opened.
std::string WriteFile(const DateBkTableData& impl, const std::string& path);

}  // namespace datebook
