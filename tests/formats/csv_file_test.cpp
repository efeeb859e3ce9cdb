#include "formats/csv_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/local_time.h"
#include "tests/test_support.h"

using vemra::test::ReadFile;
using vemra::test::ScratchDir;
using vemra::test::Unescaped;
using vemra::test::WriteFile;
using Rows = std::vector<std::vector<std::string>>;

namespace {

// Reads every row of path: each row's cells up to the number expected (reading never says where a
// row ends), and checks that one more cell comes back empty.
// The quote is " and the separator , unless given.
Rows ReadRows(const std::string& path, std::size_t chunk, const Rows& shape, bool* failed = nullptr,
              const std::string& quote = "\"", const std::string& separator = ",") {
    CCsvFile file;
    file.SetQuote(quote);
    file.SetSeparator(separator);
    file.SetReadChunkSize(chunk);
    EXPECT_EQ(file.OpenRead(path), 0);
    Rows rows;
    while (file.NextReadRow() == 0) {
        std::vector<std::string> cells;
        const std::size_t want = rows.size() < shape.size() ? shape[rows.size()].size() : 0;
        for (std::size_t i = 0; i < want; ++i) {
            std::string cell;
            EXPECT_EQ(file.GetText(cell), 0);
            cells.push_back(cell);
        }
        std::string extra = "not read";
        file.GetText(extra);
        if (!extra.empty()) cells.push_back("<extra>" + extra);
        rows.push_back(cells);
        if (rows.size() > shape.size() + 2) break;
    }
    EXPECT_EQ(file.NextReadRow(), -1);
    EXPECT_EQ(file.GetRowNumber(), static_cast<long>(rows.size()));
    if (failed) *failed = file.HasError();
    file.Close();
    return rows;
}

std::string Show(const Rows& rows) {
    std::string s;
    for (const auto& row : rows) {
        s += "[";
        for (const auto& c : row) s += "<" + c + ">";
        s += "]";
    }
    return s;
}

// Rows of as many cells as Show() shows (no cell of the cases holds "><" or "][").
Rows Shape(const std::string& shown) {
    Rows rows;
    for (std::size_t from = 0; from < shown.size();) {
        std::size_t end = shown.find("][", from);
        if (end == std::string::npos) end = shown.size() - 1;
        const std::string row = shown.substr(from + 1, end - from - 1);
        std::size_t cells = row.empty() ? 0 : 1;
        for (std::size_t at = 0; (at = row.find("><", at)) != std::string::npos; ++at) ++cells;
        rows.emplace_back(cells);
        from = end + 1;
    }
    return rows;
}

}  // namespace

// Every reading rule of tests/data/formats/csv_read_cases.txt, at every size of read chunk, so
// that no buffer boundary can hide a fault. Data that cannot be told apart into rows fails the
// reading after the rows before it, rather than coming back as one long row that an import
// would take for a header.
TEST(CsvFileReader, RulesHoldAtEveryChunkBoundary) {
    ScratchDir dir;
    const std::string path = dir.File("in.csv");
    for (const auto& c : vemra::test::DataRows("formats/csv_read_cases.txt", "\t", 6)) {
        const std::string input = Unescaped(c[1]), rows = Unescaped(c[4]);
        WriteFile(path, input);
        for (std::size_t chunk = 1; chunk <= input.size() + 1; ++chunk) {
            bool failed = false;
            const Rows got = ReadRows(path, chunk, Shape(rows), &failed, c[2], c[3]);
            ASSERT_EQ(Show(got), rows) << c[0] << ", chunk " << chunk;
            ASSERT_EQ(failed, c[5] == "1") << c[0] << ", chunk " << chunk;
        }
    }
}

// A read error ends the rows like the end of the file does, but says so: the rows before it
// come whole, the row it cuts does not come at all.
TEST(CsvFileReader, ReadErrorIsNoEndOfFile) {
    ScratchDir dir;
    const std::string path = dir.File("in.csv");
    const std::string input = "\"a\",\"b\"\r\n\"c\"\r\n\"d\"\n";
    WriteFile(path, input);
    for (std::uint64_t failAt = 0; failAt < input.size(); ++failAt) {
        const Rows before = failAt < 9 ? Rows{} : failAt < 14 ? Rows{{"a", "b"}} : Rows{{"a", "b"}, {"c"}};
        for (std::size_t chunk : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
            vemra::SetReadFault(path, failAt);
            bool failed = false;
            const Rows got = ReadRows(path, chunk, before, &failed);
            vemra::SetReadFault("", 0);
            EXPECT_EQ(Show(got), Show(before)) << "fail at " << failAt << ", chunk " << chunk;
            EXPECT_TRUE(failed) << "fail at " << failAt << ", chunk " << chunk;
        }
    }
}

TEST(CsvFileReader, RowsOfAnyLengthAreReadWhole) {
    ScratchDir dir;
    const std::string big(50000, 'x');
    WriteFile(dir.File("big.csv"), "\"" + big + "\",\"" + std::string(30000, '"') + "\"\r\n\"next\"\r\n");   // quotes doubled
    const Rows expected = {{big, std::string(15000, '"')}, {"next"}};
    for (std::size_t chunk : {std::size_t{7}, std::size_t{4096}, std::size_t{65536}})
        EXPECT_TRUE(ReadRows(dir.File("big.csv"), chunk, expected) == expected) << chunk;
}

TEST(CsvFileReader, ProgressCountsConsumedBytes) {
    ScratchDir dir;
    // Rows of 604 and 404 bytes.
    WriteFile(dir.File("p.csv"), "\"" + std::string(600, 'a') + "\"\r\n\"" + std::string(400, 'b') + "\"\r\n");
    for (std::size_t chunk : {std::size_t{1}, std::size_t{100}, std::size_t{100000}}) {
        CCsvFile file;
        file.SetReadChunkSize(chunk);
        ASSERT_EQ(file.OpenRead(dir.File("p.csv")), 0);
        std::vector<long> progress = {file.GetProgressRange(), file.GetProgressPos()};
        for (int row = 0; row < 2; ++row) {
            ASSERT_EQ(file.NextReadRow(), 0);
            progress.push_back(file.GetProgressPos());
        }
        EXPECT_EQ(progress, (std::vector<long>{1008 >> 8, 0, 604 >> 8, 1008 >> 8})) << chunk;
    }
}

// The formats of tests/data/formats/written_rows.txt.
TEST(CsvFileWriter, ExactBytes) {
    ScratchDir dir;
    for (const auto& c : vemra::test::DataRows("formats/written_rows.txt", "|", 5)) {
        const std::string path = dir.File("out.csv");
        WriteFile(path, std::string(5000, 'z'));   // an older, longer file leaves no trace
        CCsvFile file;
        file.SetQuote(c[1]);
        file.SetSeparator(c[2]);
        file.SetRemoveLineBreaks(std::stoi(c[3]));
        ASSERT_EQ(file.OpenWrite(path), 0);
        file.PutText("a");
        file.PutText("say \"hi\"");
        file.PutText("l1\r\nl2");
        file.PutText("it's");
        file.PutInt(-12);
        file.NextWriteRow();
        const long t = vemra::MakeLocal(2002, 3, 4, 14, 30);
        file.PutDate(t);
        file.PutTime(t);
        file.NextWriteRow();
        EXPECT_EQ(file.GetRowNumber(), 2);
        EXPECT_EQ(file.CloseWrite(), 0);
        EXPECT_FALSE(file.HasError());
        EXPECT_EQ(ReadFile(path), Unescaped(c[4])) << c[0];
    }
}

TEST(CsvFile, OpenFailuresReturnMinusOne) {
    ScratchDir dir;
    CCsvFile file;
    EXPECT_EQ(file.OpenRead(dir.File("missing.csv")), -1);
    EXPECT_TRUE(file.HasError());
    EXPECT_EQ(file.OpenWrite(dir.File("no-such-folder/out.csv")), -1);
    EXPECT_EQ(file.OpenWrite(dir.Path()), -1);
    EXPECT_EQ(file.NextReadRow(), -1);
}
