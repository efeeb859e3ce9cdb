// The table of file kinds: which kind a name is, and what the file dialogs offer and choose.
#include <gtest/gtest.h>

#include "platform/process.h"
#include "settings/settings.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/file_kinds.h"

namespace vemra::test {
namespace {

const FileKind& KindWith(const std::string& extension) {
    for (const FileKind& kind : FileKinds())
        for (const std::string& e : kind.extensions)
            if (e == extension) return kind;
    ADD_FAILURE() << "no kind of " << extension;
    return FileKinds().front();
}
const FileKind& Workbook() { return KindWith(".xls"); }
const FileKind& Text() { return KindWith(".csv"); }

TEST(FileKinds, NamesChooseTheKind) {
    for (const auto& c : Table("file-kinds.txt", 2)) EXPECT_EQ(&FileKindOf(c[0]), &KindWith(c[1])) << c[0];
    for (const FileKind& kind : FileKinds()) EXPECT_TRUE(kind.makeSource && kind.makeSink) << kind.extensions[0];
}

TEST(FileKinds, WorkbooksAreOfferedOnlyWhenTheyCanBeHad) {
    for (const char* choice : {"off", "builtin"}) {
        SetEnv("VEMRA_EXCEL", choice);
        const bool on = std::string(choice) != "off";
        const auto offered = OfferedFileKinds();
        ASSERT_EQ(offered.size(), on ? 4u : 2u) << choice;
        EXPECT_EQ(offered.back(), &KindWith(".ics"));
        // The workbook of today first where workbooks can be had.
        std::string expected = on ? "Excel Workbook (*.xlsx)|*.xlsx|MS Excel 97/2000 (*.xls)|*.xls|" : "";
        expected.append("Comma Separated Values (*.csv)|*.csv|iCalendar (*.ics)|*.ics|All Files (*.*)|*.*||");
        EXPECT_EQ(FileDialogFilter(offered), expected);
    }
    SetEnv("VEMRA_EXCEL", "");
}

TEST(FileKinds, InitialFilterFollowsTheLastFileName) {
    const std::vector<const FileKind*> both{&KindWith(".xlsx"), &Workbook(), &Text(), &KindWith(".ics")},
        textOnly{&Text(), &KindWith(".ics")};
    for (const auto& c : Table("initial-filters.txt", 3)) {
        EXPECT_EQ(InitialFilterIndex(c[0], both), std::stoi(c[1])) << c[0];
        EXPECT_EQ(InitialFilterIndex(c[0], textOnly), std::stoi(c[2])) << c[0];
    }
}

TEST(FileKinds, ExtensionComesFromTheChosenPatternOnlyWhenTheNameHasNone) {
    for (const auto& c : Table("appended-extensions.txt", 3))
        EXPECT_EQ(AppendExtensionFromFilter(c[0], c[1]), c[2]) << c[0] << " " << c[1];

    const std::string filters = "Excel (*.xls)|*.xls|Text (*.csv)|*.csv|All Files (*.*)|*.*||";
    const char* patterns[] = {"", "*.xls", "*.csv", "*.*", ""};
    for (int index = 0; index <= 4; ++index) EXPECT_EQ(FilterPattern(filters, index), patterns[index]) << index;
}

}  // namespace
}  // namespace vemra::test
