#include "ui/main_dialog.h"

#include <gtest/gtest.h>

using namespace vemra;

TEST(MainDialogFilters, InitialIndexFollowsTheFileNameAndExcel) {
    struct Case {
        const char* name;
        int withExcel, withoutExcel;
    };
    const Case cases[] = {
        {"", 0, 0},
        {"a.c", 0, 0},           // shorter than 4 characters
        {"appointments", 0, 0},  // no dot
        {"out.xls", 1, 2},
        {"OUT.XLS", 1, 2},
        {"out.csv", 2, 1},
        {"C:\\data\\Out.Csv", 2, 1},
        {"out.txt", 3, 2},
        {"v1.2\\appointments", 3, 2},   // a dot, but not of an extension: the last three letters decide
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InitialFilterIndex(c.name, true), c.withExcel) << c.name;
        EXPECT_EQ(InitialFilterIndex(c.name, false), c.withoutExcel) << c.name;
    }
}

TEST(MainDialogFilters, ExtensionComesFromTheChosenPatternOnlyWhenTheNameHasNone) {
    struct Case {
        const char* path;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\out", "*.xls", "C:\\out.xls"},
        {"C:\\out", "*.csv", "C:\\out.csv"},
        {"C:\\out", "*.prc", "C:\\out.prc"},
        {"C:\\out", "*.*", "C:\\out"},
        {"C:\\out", "", "C:\\out"},
        {"C:\\out.txt", "*.csv", "C:\\out.txt"},
        {"C:\\v1.2\\out", "*.csv", "C:\\v1.2\\out.csv"},   // the folder's dot is no extension
    };
    for (const Case& c : cases) EXPECT_EQ(AppendExtensionFromFilter(c.path, c.pattern), c.expected) << c.path << " " << c.pattern;
}

TEST(MainDialogFilters, PatternOfTheIndexedFilter) {
    const std::string filters = "MS Excel 97/2000 (*.xls)|*.xls|Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*||";
    EXPECT_EQ(FilterPattern(filters, 1), "*.xls");
    EXPECT_EQ(FilterPattern(filters, 2), "*.csv");
    EXPECT_EQ(FilterPattern(filters, 3), "*.*");
    EXPECT_EQ(FilterPattern(filters, 4), "");
    EXPECT_EQ(FilterPattern(filters, 0), "");
}
