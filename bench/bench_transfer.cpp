// Transfer operations on a generated datebook of 100,000 appointments:
//   bench_transfer [appointments]
// Prints the time of each operation against its target (each under 2 s; the import with
// duplicates skipped no more than 3 times the plain import).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "settings/settings.h"
#include "transfer/transfer.h"

using namespace vemra;
namespace fs = std::filesystem;

namespace {

// A small deterministic generator, so that every run times the same datebook.
class Lcg {
public:
    unsigned Next(unsigned n) {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((m_state >> 33) % n);
    }

private:
    unsigned long long m_state = 42;
};

bool MakeDatebook(const std::string& path, int count) {
    static const char* const words[] = {"Meeting", "Call", "Lunch", "Review", "Dentist", "Gym", "Dinner", "Trip"};
    Lcg rng;
    CDateBkTable table;
    const long first = MakeLocal(2024, 1, 1);
    for (int i = 0; i < count; ++i) {
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        const long day = LocalMidnight(first + static_cast<long>(rng.Next(6 * 365)) * 86400 + 43200);
        r.SetDescription(std::string(words[rng.Next(8)]) + " " + std::to_string(i));
        if (rng.Next(4) == 0) r.SetNote("Note, with \"quotes\"\nand a second line " + std::to_string(i));
        if (rng.Next(10) == 0) {
            r.SetUnTimedFlag(1);
            r.SetStartTime(day);
            r.SetEndTime(0);
        } else {
            const long start = day + (7 + static_cast<long>(rng.Next(12))) * 3600 + 900 * static_cast<long>(rng.Next(4));
            r.SetStartTime(start);
            r.SetEndTime(start + 1800 + 1800 * static_cast<long>(rng.Next(4)));
        }
        r.SetPrivate(rng.Next(5) == 0);
        if (rng.Next(3) == 0) {
            r.SetAlarmAdvTime(5 + rng.Next(55));
            r.SetAlarmAdvUnit(static_cast<long>(rng.Next(3)));
            r.SetAlarmFlag(1);
        } else {
            r.SetAlarmAdvTime(-1);
        }
        // One in fifty repeats, with an end, most of them with an exception date.
        if (rng.Next(50) == 0) {
            LocalParts p;
            BreakLocal(day, p);
            const long end = day + static_cast<long>(30 + rng.Next(700)) * 86400;
            switch (rng.Next(4)) {
            case 0: r.SetRepDaily(CDayName(static_cast<eDayIndex>(p.day), 1 + rng.Next(3), end, eSunday)); break;
            case 1:
                r.SetRepWeekly(CWeekly(static_cast<unsigned char>(1u << p.weekday), 1 + rng.Next(2), end, eSunday));
                break;
            case 2: r.SetRepMonthlyByDate(CDateOfMonth(p.day, 1, end, eSunday)); break;
            default: r.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(p.month - 1), p.day, 1, end, eSunday));
            }
            if (rng.Next(2) == 0) r.AddException(day + 14 * 86400);
        }
    }
    return table.SaveAs(path) == 0;
}

double Time(const char* what, const std::function<int()>& run, int& result) {
    const auto t0 = std::chrono::steady_clock::now();
    result = run();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%-48s %8.3f s  (result %d)\n", what, s, result);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    int messages = 0;
    SetMessageSink([&](const std::string& text, MessageButtons, MessageIcon) {
        if (messages++ < 3) std::fprintf(stderr, "message: %s\n", text.c_str());
        return static_cast<int>(answerOk);
    });
    const fs::path dir = fs::temp_directory_path() / ("vemra-bench-transfer-" + std::to_string(std::rand()));
    fs::create_directories(dir);
    const std::string source = (dir / "datebook.dat").string();
    const std::string empty = (dir / "empty.dat").string();
    const std::string full = (dir / "full.csv").string();
    const std::string simple = (dir / "simple.csv").string();
    if (!MakeDatebook(source, count) || !MakeDatebook(empty, 0)) {
        std::fprintf(stderr, "cannot write the datebooks in %s\n", dir.string().c_str());
        return 1;
    }

    CSettings settings;
    CMessageBoxReporter reporter;
    settings.m_bIgnoreImportErrors = false;
    int result = 0;
    std::printf("%d appointments\n", count);
    if (!std::getenv("TZ"))
        std::printf("note: TZ is not set; glibc then looks at /etc/localtime again on every local time\n"
                    "conversion, which dominates these figures (compare a run with TZ=:/etc/localtime)\n");
    double worst = 0;
    auto track = [&](double s) {
        worst = s > worst ? s : worst;
        return s;
    };
    track(Time("full export", [&] { return ExportFull(source, full.c_str(), settings, nullptr, reporter); }, result));
    track(Time("simple export, one year (2026)", [&] {
        return ExportSimple(source, simple.c_str(), MakeLocal(2026, 1, 1), MakeLocal(2026, 12, 31, 23, 59), settings,
                            nullptr, reporter);
    }, result));
    settings.m_bNoDuplicates = false;
    const double plain = track(Time("full import into an empty datebook", [&] {
        return ImportFull(empty, full.c_str(), settings, nullptr, reporter);
    }, result));
    settings.m_bNoDuplicates = true;
    const double skipping = track(Time("the same import, every row a duplicate", [&] {
        return ImportFull(empty, full.c_str(), settings, nullptr, reporter);
    }, result));
    settings.m_bFullFormat = true;
    track(Time("remove all", [&] { return RemoveAll(empty, settings, nullptr, reporter); }, result));

    std::printf("slowest %.3f s (target < 2 s); duplicate-skipping import %.2fx the plain one (target <= 3x)\n",
                worst, skipping / plain);
    std::printf("messages shown: %d\n", messages);
    fs::remove_all(dir);
    return worst < 2.0 && skipping <= 3 * plain ? 0 : 1;
}
