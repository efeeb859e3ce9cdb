// Date Book Archives: a new archive as Palm Desktop writes one, records copied into it, and the
// newer layouts refused.

#include "palm/datebook_archive.h"
#include "palm/datebook_layout.h"

#include "datebook_bytes.h"
#include "palm/datebook.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(DatebookArchive, NewArchiveHasPalmHeaderAndTheCopiedRecords) {
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("new.dba"), demo = VEMRA_SOURCE_ROOT "/sample/Palm/Demo/datebook/datebook.dat";
    std::string error;
    ASSERT_EQ(CreateEmptyDatebook(path, error), 0) << error;
    EXPECT_EQ(vemra::test::ReadFile(path), dbtest::Header(0, path));
    EXPECT_NE(CreateEmptyDatebook(path, error), 0);   // never over an existing file

    // Every record of the demo datebook (all kinds of repeat) copied in by the library.
    CDateBkTable source, table;
    ASSERT_EQ(source.OpenFrom(demo, 0), 0);
    ASSERT_EQ(OpenDatebookForImport(table, path), 0) << table.GetLastErrorText();
    CBaseIterator iterator(source);
    for (long i = 0; i < source.GetRecordCount(); ++i) {
        CDateBkRecord from(source, 1), to(table, 1);
        iterator.GetAt(from, i);
        table.AppendDuplicateRecord(from, to, 1);
    }
    ASSERT_EQ(table.Save(), 0) << table.GetLastErrorText();

    const std::string bytes = vemra::test::ReadFile(path);
    const std::string header = dbtest::Header(static_cast<std::size_t>(source.GetRecordCount()), path);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    // The records, checked field by field against the demo file's own once.
    vemra::test::ExpectGolden("palm/demo-records.bin", bytes.substr(header.size()));
}

// What each layout is called in the count line, and the reason an open gives.
TEST(DatebookArchive, NewerLayoutsAreNamedAndRefusedWithAdvice) {
    std::string text;
    for (const char* file : {"desktop41-datebook.dat", "DateBook.mdb", "calendar-archive.dba", "calendar-archive6.dba", "unknown.dba"}) {
        const std::string path = vemra::test::DataFile(std::string("palm/") + file);
        CDateBkTable table;
        EXPECT_NE(table.OpenFrom(path, 0), 0);
        text += std::string(file) + ": " + DatebookLayoutNote(ProbeDatebookLayout(path)) + "\n" + table.GetLastErrorText() + "\n";
    }
    EXPECT_EQ(text, vemra::test::ReadFile(vemra::test::DataFile("palm/refusals.txt")));
}

}  // namespace
