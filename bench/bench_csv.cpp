// Writes 100,000 full-layout rows through CCsvFile and reads them back. Two ways each: the file
// alone (prepared cell texts out, cell texts in), and the whole path (values from datebook records
// out, rows parsed into a record in). Prints the times and the peak memory at two points of
// reading, which stay equal when the reader's memory does not grow with the file.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "settings/field_mapping.h"
#include "bench/bench_support.h"

namespace {

constexpr long kRows = 100000;

using bench::PeakKiB;
using bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/bench_csv.csv";
    CFieldMapping mapping;

    // Two appointments, one repeating with exceptions, written in turn.
    CDateBkTable table;
    CDateBkRecord plain(table, 1), weekly(table, 1);
    table.AppendBlankRecord(plain);
    table.AppendBlankRecord(weekly);
    for (CDateBkRecord* r : {&plain, &weekly}) {
        r->SetDescription("Meeting with \"the team\", room 4");
        r->SetNote("Agenda:\r\n1. figures\r\n2. plans");
        r->SetStartTime(vemra::MakeLocal(2002, 3, 4, 14, 30));
        r->SetEndTime(vemra::MakeLocal(2002, 3, 4, 15, 45));
        r->SetAlarmAdvTime(15);
        r->SetAlarmAdvUnit(eMinutes);
        r->SetAlarmFlag(1);
    }
    weekly.SetRepWeekly(CWeekly(0x12, 1, -1, eSunday));
    weekly.AddException(vemra::MakeLocal(2002, 3, 7));
    weekly.AddException(vemra::MakeLocal(2002, 3, 14));

    // The cells of both rows as texts, for the file-only write.
    std::vector<std::string> cellsOf[2];
    {
        CCsvFile file;
        file.SetQuote("\"");
        file.SetSeparator(",");
        if (file.OpenWrite(path) != 0) return 1;
        for (CDateBkRecord* r : {&plain, &weekly}) {
            CApptValues values;
            ValuesFromRecord(*r, values);
            mapping.WriteFullRow(file, values, *r);
        }
        file.CloseWrite();
        file.OpenRead(path);
        for (auto& cells : cellsOf) {
            file.NextReadRow();
            cells.resize(23);
            for (auto& c : cells) file.GetText(c);
        }
    }

    auto start = std::chrono::steady_clock::now();
    {
        CCsvFile file;
        file.SetQuote("\"");
        file.SetSeparator(",");
        if (file.OpenWrite(path) != 0) return 1;
        for (long i = 0; i < kRows; ++i) {
            for (const auto& c : cellsOf[i & 1]) file.PutText(c);
            file.NextWriteRow();
        }
        if (file.CloseWrite() != 0) return 1;
    }
    const double writeCellsSeconds = Seconds(start);

    start = std::chrono::steady_clock::now();
    {
        CCsvFile file;
        file.SetQuote("\"");
        file.SetSeparator(",");
        if (file.OpenWrite(path) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        mapping.WriteFullHeader(file);
        for (long i = 0; i < kRows; ++i) {
            CDateBkRecord& r = (i & 1) ? weekly : plain;
            CApptValues values;
            ValuesFromRecord(r, values);
            mapping.WriteFullRow(file, values, r);
        }
        if (file.CloseWrite() != 0) return 1;
    }
    const double writeSeconds = Seconds(start);

    start = std::chrono::steady_clock::now();
    long cells = 0, peakAtTenth = 0, bytes = 0;
    {
        CCsvFile file;
        file.SetQuote("\"");
        file.SetSeparator(",");
        if (file.OpenRead(path) != 0) return 1;
        bytes = file.GetProgressRange() << 8;
        std::string cell;
        for (long row = 0; file.NextReadRow() == 0; ++row) {
            for (int i = 0; i < 23; ++i) {
                file.GetText(cell);
                cells += !cell.empty();
            }
            if (row == kRows / 10) peakAtTenth = PeakKiB();
        }
    }
    const double readSeconds = Seconds(start);
    const long peakAtEnd = PeakKiB();

    start = std::chrono::steady_clock::now();
    long accepted = 0;
    {
        CCsvFile file;
        file.SetQuote("\"");
        file.SetSeparator(",");
        if (file.OpenRead(path) != 0) return 1;
        CDateBkTable scratch;
        CDateBkRecord record(scratch, 1);
        scratch.AppendBlankRecord(record);
        for (int r; (r = mapping.ReadFullRow(file, record)) != -1;) accepted += r == 0;
    }
    const double parseSeconds = Seconds(start);

    const char* tz = std::getenv("TZ");
    std::printf("%ld full-layout rows, %ld bytes, TZ %s\n", kRows, bytes, tz ? tz : "unset");
    std::printf("file only    write %.3f s   read %.3f s (%ld non-empty cells)   target 0.3 s each: %s\n",
                writeCellsSeconds, readSeconds, cells, writeCellsSeconds < 0.3 && readSeconds < 0.3 ? "met" : "missed");
    std::printf("whole path   write %.3f s   read and parse %.3f s (%ld rows accepted)\n", writeSeconds, parseSeconds,
                accepted);
    std::printf("peak memory  %ld KiB after 10%% of the rows read, %ld KiB after all\n", peakAtTenth, peakAtEnd);
    std::remove(path.c_str());
    return 0;
}
