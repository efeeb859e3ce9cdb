#include "platform/string_table.h"

#include <gtest/gtest.h>

using vemra::LoadResString;

// The Windows build reads the texts from the executable's string table, where the resource
// compiler has its own rules for escapes; the native build from its compiled-in copy.
TEST(StringTable, TextsWithEscapesLoadWhole) {
    const struct {
        unsigned id;
        const char* text;
    } cases[] = {
        {3, "Error: No Palm Desktop found!"},
        {32815, "Appointments have been added to the datebook.\r\nYou may now delete this application."},
        {40011, "No Palm Desktop users (folders holding datebook\\datebook.dat) in %s."},
        {7, "-e <file>\texport to <file>\n-i <file>\timport from <file>\n-u <username>\tset user\n-x \tfull "
            "import/export\n-r\tremove all\n-d <file>\tdatebook.dat file"},
    };
    for (const auto& c : cases) EXPECT_EQ(LoadResString(c.id), c.text) << c.id;
}

TEST(StringTable, UnknownIdsGiveEmptyText) {
    for (unsigned id : {0u, 1u, 5u, 32820u, 39999u, 65535u}) EXPECT_EQ(LoadResString(id), "") << id;
}
