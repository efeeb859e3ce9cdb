// Date Book Archives: a new archive as Palm Desktop writes one, records copied into it read the
// same as in their source by a reader made from the published file notes alone, and the newer
// layouts refused.

#include "palm/datebook_archive.h"
#include "palm/datebook_layout.h"

#include "datebook_bytes.h"
#include "palm/datebook.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

// Every record from pos on as one line of its field values, read by the notes.
std::string ReadByTheNotes(const std::string& s, std::size_t pos, std::size_t records) {
    auto u = [&](int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(s.at(pos++))) << 8 * i;
        return v;
    };
    auto bytes = [&](std::size_t n) { return s.substr((pos += n) - n, n); };
    std::map<std::uint32_t, std::string> classes;
    std::uint32_t counter = 1;
    std::ostringstream out;
    for (std::size_t field = 0; field < records * 15; ++field) {
        if (field && field % 15 == 0) out << '\n';
        const std::uint32_t type = u(4);
        if (type == 5) {
            std::size_t n = (u(4), u(1));
            if (n == 0xFF && (n = u(2)) == 0xFFFF) n = u(4);
            out << '\'' << bytes(n) << "' ";
        } else if (type != 8) {
            const std::uint32_t value = u(4);
            if (field % 15 >= 3) out << value << ' ';   // not the record id, status and position
        } else {
            const std::uint32_t exceptions = u(2);
            for (std::uint32_t i = 0; i < exceptions; ++i) u(4);
            out << "exceptions=" << exceptions;
            const std::uint32_t tag = u(2);
            if (tag == 0) continue;
            if (tag == 0xFFFF) classes[counter++] = (u(2), bytes(u(2)));
            out << ' ' << classes.at(tag == 0xFFFF ? counter - 1 : tag & 0x7FFF);
            ++counter;
            const std::uint32_t brand = u(4);
            out << ' ' << brand << ' ' << u(4) << ' ' << u(4) << ' ' << u(4) << ' ' << u(4);
            if (brand == 2 || brand == 3 || brand == 5) out << ' ' << u(brand == 2 ? 1 : 4);
        }
    }
    EXPECT_EQ(pos, s.size());
    return out.str() + '\n';
}

TEST(DatebookArchive, NewArchiveHasPalmHeaderAndRecordsReadableByTheNotes) {
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("new.dba"), demo = VEMRA_SOURCE_ROOT "/sample/Palm/Demo/datebook/datebook.dat";
    std::string error;
    ASSERT_EQ(CreateEmptyDatebook(path, error), 0) << error;
    EXPECT_EQ(vemra::test::ReadFile(path), dbtest::Header(0, {}, path));
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

    const std::size_t count = static_cast<std::size_t>(source.GetRecordCount());
    const std::string bytes = vemra::test::ReadFile(path), header = dbtest::Header(count, {}, path);
    const std::string original = vemra::test::ReadFile(demo);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    // The records take as many bytes after each file's own header.
    EXPECT_EQ(ReadByTheNotes(bytes, header.size(), count),
              ReadByTheNotes(original, original.size() - (bytes.size() - header.size()), count));
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
