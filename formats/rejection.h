#pragma once
// Why one item of an import file is not added: a row's reason (the cell that cannot be read) or
// a calendar item's reason (what the datebook cannot hold), and the text the user is shown.

#include <string>

#include "formats/icalendar.h"

namespace vemra {

struct Rejection {
    enum class Table { row, calendar };
    Table table = Table::row;
    int code = 0;   // row: one of the reason codes of formats/value_text.h; calendar: an IcsReason

    static Rejection Row(int reason) { return {Table::row, reason}; }
    static Rejection Calendar(IcsReason reason) { return {Table::calendar, static_cast<int>(reason)}; }
};

// The reason's message from the string table; empty for a code no table knows.
std::string RejectionText(const Rejection& rejection);

}  // namespace vemra
