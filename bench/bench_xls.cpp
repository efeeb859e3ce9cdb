// Workbook speed: 65,000 rows of the full layout written to an .xls file by the built-in
// engine and read back, each in a process of its own so that its peak memory shows alone.
// Target: under 1 s each, memory a few times the file's size.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "platform/file.h"
#include "platform/local_time.h"

namespace {

constexpr int kRows = 65000;

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
    for (int i = 0; i < kRows; ++i) PutRow(file, i);
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
    if (rows != kRows) std::exit(3);
}

// Runs the step in a child process: its time and its own peak memory.
void Measure(const char* name, void (*step)(const std::string&), const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        step(path);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds = bench::Seconds(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("%s failed\n", name);
        std::exit(1);
    }
    // CPU time beside wall time: on a shared machine the wall clock also counts waiting for a core.
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%-6s %6.3f s wall  %6.3f s CPU   peak memory %6.1f MiB\n", name, seconds, cpu, usage.ru_maxrss / 1024.0);
}

}  // namespace

int main() {
    if (!std::getenv("TZ")) setenv("TZ", "UTC", 1);
    const std::string path = "/tmp/vemra-bench-" + std::to_string(getpid()) + ".xls";
    std::printf("%d rows of the full layout through the built-in workbook engine\n", kRows);
    Measure("write", Write, path);
    std::string bytes;
    vemra::ReadWholeFile(path, bytes);
    std::printf("file   %6.1f MiB\n", bytes.size() / 1048576.0);
    Measure("read", Read, path);
    vemra::RemoveFile(path);
    return 0;
}
