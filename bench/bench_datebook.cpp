// Datebook library figures: open + sort + save of a generated 100,000-appointment datebook, and
// 100,000 appends each followed by a sort (as an import with duplicate detection does).

#include "palm/datebook.h"
#include "platform/local_time.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include "bench/bench_support.h"

namespace {

constexpr long kRecords = 100000;

using bench::PeakKiB;
using bench::Seconds;

void Fill(CDateBkRecord& rec, long i, long base) {
    const long start = base + (i * 7919 % 3650) * 86400 + (i % 20) * 1800;
    rec.SetStartTime(start);
    rec.SetEndTime(start + 3600);
    rec.SetDescription("Appointment number " + std::to_string(i));
    if (i % 3 == 0) rec.SetNote("A note that is a little longer than the text of the appointment itself, " + std::to_string(i));
    if (i % 4 == 0) {
        rec.SetAlarmFlag(1);
        rec.SetAlarmAdvTime(15);
    }
    switch (i % 10) {
    case 1: rec.SetRepDaily(CDayName(eSunday, 2, start + 30 * 86400, eSunday)); break;
    case 2: rec.SetRepWeekly(CWeekly(0x2A, 1, -1, eSunday)); break;
    case 3: rec.SetRepMonthlyByDate(CDateOfMonth(15, 1, -1, eSunday)); break;
    case 4: rec.SetRepMonthlyByDay(CDayOfMonth(eLastWeek, eFriday, 1, -1, eSunday)); break;
    case 5: rec.SetRepYearlyByDate(CDateOfYear(eMay, 1, 1, -1, eSunday)); break;
    default: break;
    }
    if (i % 10 == 2) rec.AddException(start + 7 * 86400);
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vemra-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "datebook.dat").string();
    const long base = vemra::MakeLocal(2020, 1, 1, 8);

    auto t0 = std::chrono::steady_clock::now();
    {
        CDateBkTable table;
        for (long i = 0; i < kRecords; ++i) {
            CDateBkRecord rec(table, 1);
            table.AppendBlankRecord(rec);
            Fill(rec, i, base);
        }
        if (table.SaveAs(path) != 0) {
            std::fprintf(stderr, "save failed: %s\n", table.GetLastErrorText().c_str());
            return 1;
        }
    }
    std::printf("generate + first save of %ld appointments: %.3f s (%ju bytes)\n", kRecords, Seconds(t0),
                static_cast<std::uintmax_t>(fs::file_size(path)));

    CDateBkTable table;
    t0 = std::chrono::steady_clock::now();
    if (table.OpenFrom(path, 0) != 0) {
        std::fprintf(stderr, "open failed: %s\n", table.GetLastErrorText().c_str());
        return 1;
    }
    const double open = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    CDateBkIterator it(table);
    it.SortByStartDate();
    const double sort = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    if (table.Save() != 0) {
        std::fprintf(stderr, "save failed: %s\n", table.GetLastErrorText().c_str());
        return 1;
    }
    const double save = Seconds(t0);
    std::printf("open %.3f s + save %.3f s = %.3f s (target < 0.5 s); sort %.3f s\n", open, save, open + save, sort);

    // An import: each row is appended and followed by a sort and a narrowing search.
    CDateBkTable scratch;
    t0 = std::chrono::steady_clock::now();
    long seen = 0;
    for (long i = 0; i < kRecords; ++i) {
        CDateBkRecord row(scratch, 1);
        scratch.AppendBlankRecord(row);
        Fill(row, i + kRecords, base);
        CDateBkRecord added(table, 1);
        table.AppendDuplicateRecord(row, added, 1);
        it.SortByStartDate();
        CDateBkRecord probe(table, 1);
        for (long lo = 0, hi = table.GetRecordCount() - 1; lo < hi; lo = (lo + hi) / 2 + 1) {
            it.GetAt(probe, (lo + hi) / 2);
            long s = 0;
            probe.GetStartTime(s);
            seen += s & 1;
        }
    }
    const double append = Seconds(t0);
    std::printf("%ld appends, each with a sort and a search: %.3f s (target < 2 s)\n", kRecords, append);
    t0 = std::chrono::steady_clock::now();
    table.Save();
    std::printf("save of %ld appointments: %.3f s\n", table.GetRecordCount(), Seconds(t0));
    std::printf("peak resident memory: %ld MB (target < 150 MB)%s\n", PeakKiB() / 1024, seen < 0 ? "!" : "");
    fs::remove_all(dir);
    return 0;
}
