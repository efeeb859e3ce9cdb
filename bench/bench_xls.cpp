// Workbook speed: 65,000 rows of the full layout written to an .xls file by the built-in
// engine and read back, 100,000 rows the same through an .xlsx file, and a million .xlsx rows
// written, each step in a process of its own so that its peak memory shows alone.
// Target: under 1 s each for .xls, memory a few times the file's size; the million rows in
// memory far below what the sheet's cells would take.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/process.h"

namespace {

int g_rows = 65000;

// One row of the full layout, as export puts it: 11 simple cells, then the 12 repeat cells.
void PutRow(CExcelFile& file, int i) {
    const long day = vemra::MakeLocal(2026, 1, 1) + (i % 700) * 86400L;
    file.PutDate(day);
    file.PutText("");
    file.PutTime(day + 9 * 3600 + (i % 40) * 60);
    file.PutTime(day + 10 * 3600);
    file.PutText(i % 7 ? "" : "x");
    file.PutText("Appointment number " + std::to_string(i));
    file.PutText(i % 3 ? "" : "A note of a few words\nover two lines");
    file.PutText("x");
    file.PutInt(5 + i % 10);
    file.PutText("m");
    file.PutText(i % 2 ? "x" : "");
    if (i % 2) {
        file.PutText("Weekly");
        file.PutInt(1 + i % 3);
        file.PutDate(day + 180 * 86400L);
        file.PutText("4/6/2026 5/25/2026 ");
        for (int d = 0; d < 7; ++d) file.PutText(d == i % 7 ? "x" : "");
        file.PutText("");
    }
    file.NextWriteRow();
}

void Write(const std::string& path) {
    CExcelFile file(vemra::CreateWorkbookEngine());
    if (file.OpenWrite(path) != 0) std::exit(2);
    for (int h = 0; h < 23; ++h) file.PutText("Column " + std::to_string(h));
    file.NextWriteRow();
    for (int i = 0; i < g_rows; ++i) PutRow(file, i);
    if (file.CloseWrite() != 0) {
        std::fprintf(stderr, "%s\n", file.GetErrorText().c_str());
        std::exit(2);
    }
}

void Read(const std::string& path) {
    CExcelFile file(vemra::CreateWorkbookEngine());
    if (file.OpenRead(path) != 0) std::exit(2);
    long rows = 0, t = 0, n = 0;
    std::string text;
    while (file.NextReadRow() == 0) {
        file.GetDate(t);
        file.GetText(text);
        file.GetTime(t);
        file.GetTime(t);
        for (int c = 0; c < 4; ++c) file.GetText(text);
        file.GetInt(n);
        file.GetText(text);
        file.GetText(text);
        file.GetText(text);
        file.GetInt(n);
        file.GetDate(t);
        for (int c = 0; c < 9; ++c) file.GetText(text);
        ++rows;
    }
    file.Close();
    if (rows != g_rows) std::exit(3);
}

// One step in this process: its time, its CPU time and this process's peak memory.
void Measure(const char* name, void (*step)(const std::string&), const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    step(path);
    const double seconds = bench::Seconds(start);
    // CPU time beside wall time: on a shared machine the wall clock also counts waiting for a core.
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("%-6s %6.3f s wall  %6.3f s CPU   peak memory %6.1f MiB\n", name, seconds, cpu,
                bench::PeakKiB() / 1024.0);
}

}  // namespace

// Without arguments: runs itself for each step, so each step's peak memory shows alone.
// "write <file> <rows>" and "read <file> <rows>" run one step.
int main(int argc, char** argv) {
    if (!std::getenv("TZ")) vemra::SetEnv("TZ", "UTC");
    if (argc == 4) {
        g_rows = std::atoi(argv[3]);
        const bool write = std::strcmp(argv[1], "write") == 0;
        Measure(write ? "write" : "read", write ? Write : Read, argv[2]);
        return 0;
    }
    struct Step {
        const char* ext;
        int rows;
        bool read;
    };
    for (const Step& s : {Step{"xls", 65000, true}, Step{"xlsx", 100000, true}, Step{"xlsx", 1000000, false}}) {
        const std::string path = (std::filesystem::temp_directory_path() / "vemra-bench.").string() + s.ext;
        std::printf("%d rows of the full layout through the built-in workbook engine, .%s\n", s.rows, s.ext);
        std::fflush(stdout);
        for (const char* step : {"write", "read"}) {
            if (!s.read && *step == 'r') break;
            const std::string self = std::string("\"") + argv[0] + "\" " + step + " \"" + path + "\" " + std::to_string(s.rows);
            if (std::system(self.c_str()) != 0) return 1;
            std::string bytes;
            vemra::ReadWholeFile(path, bytes);
            if (*step == 'w') std::printf("file   %6.1f MiB\n", bytes.size() / 1048576.0);
            std::fflush(stdout);
        }
        vemra::RemoveFile(path);
    }
    return 0;
}
