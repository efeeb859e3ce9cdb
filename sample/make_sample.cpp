// Builds the demo datebook from its readable source, and the demo Palm Desktop's user list:
//   vemra_make_sample <source.txt> <datebook.dat>
//   vemra_make_sample --users <users.dat> <HotSync ID> <folder> <display name> [...]
// The bundled sample/Palm/users.dat: --users sample/Palm/users.dat 2718281828 Demo "Demo User"
// Times are local times of the zone the program runs in; the bundled file is made with TZ=UTC.
// The file stores the bare name "datebook.dat", so the bytes do not depend on the output folder.

#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "palm/datebook.h"
#include "palm/users_file.h"
#include "platform/local_time.h"
#include "platform/text.h"

using namespace vemra;

namespace {

struct Block {
    int firstLine = 0;
    std::multimap<std::string, std::string> keys;
    std::string Get(const std::string& key) const {
        auto it = keys.find(key);
        return it == keys.end() ? std::string() : it->second;
    }
};

std::string g_failure;   // why the source was refused

bool Fail(const Block& block, const std::string& what) {
    g_failure = "block at line " + std::to_string(block.firstLine) + ": " + what;
    return false;
}

bool ReadBlocks(std::istream& in, std::vector<Block>& blocks) {
    Block current;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        if (Trim(line).empty()) {
            if (!current.keys.empty()) blocks.push_back(current);
            current = Block{};
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            g_failure = "line " + std::to_string(number) + ": no \"key: value\"";
            return false;
        }
        if (current.keys.empty()) current.firstLine = number;
        current.keys.emplace(ToLowerAscii(Trim(line.substr(0, colon))), Trim(line.substr(colon + 1)));
    }
    if (!current.keys.empty()) blocks.push_back(current);
    return true;
}

bool ParseDate(const Block& block, const std::string& text, long& t) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 || d < 1 || d > 31)
        return Fail(block, "bad date \"" + text + "\"");
    t = MakeLocal(y, m, d);
    return t >= 0 || Fail(block, "date out of range \"" + text + "\"");
}

// Bit 0 Sunday .. bit 6 Saturday.
bool ParseWeekDays(const Block& block, const std::string& text, unsigned char& mask) {
    static const char* const names[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    mask = 0;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        int found = -1;
        for (int i = 0; i < 7; ++i)
            if (ToLowerAscii(word).rfind(names[i], 0) == 0) found = i;
        if (found < 0) return Fail(block, "bad week day \"" + word + "\"");
        mask = static_cast<unsigned char>(mask | (1u << found));
    }
    return mask || Fail(block, "weekly repeat without days");
}

bool Check(const Block& block, long result, const char* what) {
    return result == 0 || Fail(block, std::string("the datebook refused ") + what);
}

bool SetRepeat(const Block& block, CDateBkRecord& record, long date) {
    const std::string kind = ToLowerAscii(block.Get("repeat"));
    const std::string every = block.Get("every");
    const int interval = every.empty() ? 1 : std::atoi(every.c_str());
    if (interval < 1) return Fail(block, "bad interval \"" + every + "\"");
    const std::string until = block.Get("until");
    long end = NoEndDate();
    if (!until.empty() && !ParseDate(block, until, end)) return false;
    LocalParts d;
    BreakLocal(date, d);

    long result = 0;
    if (kind == "daily") {
        result = record.SetRepDaily(CDayName(static_cast<eDayIndex>(d.day), interval, end, eSunday));
    } else if (kind == "weekly") {
        unsigned char days = 0;
        if (!ParseWeekDays(block, block.Get("on"), days)) return false;
        result = record.SetRepWeekly(CWeekly(days, interval, end, eSunday));
    } else if (kind == "monthly by date") {
        result = record.SetRepMonthlyByDate(CDateOfMonth(d.day, interval, end, eSunday));
    } else if (kind == "monthly by day") {
        const std::string week = ToLowerAscii(block.Get("week"));
        const int index = week == "last" ? eLastWeek : std::atoi(week.c_str()) - 1;
        if (index < eFirstWeek || index > eLastWeek || (index == eLastWeek && week != "last"))
            return Fail(block, "bad week \"" + week + "\"");
        result = record.SetRepMonthlyByDay(
            CDayOfMonth(static_cast<eWeekIndex>(index), static_cast<eDayIndex>(d.weekday), interval, end, eSunday));
    } else if (kind == "yearly") {
        result = record.SetRepYearlyByDate(
            CDateOfYear(static_cast<eMonthIndex>(d.month - 1), d.day, interval, end, eSunday));
    } else {
        return Fail(block, "bad repeat \"" + kind + "\"");
    }
    if (!Check(block, result, "the rule")) return false;
    std::istringstream dates(block.Get("except"));
    for (std::string word; dates >> word;) {
        long t = 0;
        if (!ParseDate(block, word, t) || !Check(block, record.AddException(t), "an exception date")) return false;
    }
    return true;
}

bool AddAppointment(CDateBkTable& table, const Block& block) {
    static const char* const known[] = {"text", "date", "time", "private", "alarm", "note", "repeat",
                                        "every", "until", "on", "week", "except", "status"};
    for (const auto& [key, value] : block.keys) {
        bool ok = false;
        for (const char* k : known) ok = ok || key == k;
        if (!ok) return Fail(block, "unknown key \"" + key + "\"");
    }
    CApptValues values;
    values.m_strText = block.Get("text");
    if (values.m_strText.empty()) return Fail(block, "no text");
    long date = 0;
    if (!ParseDate(block, block.Get("date"), date)) return false;
    values.SetDate(date);

    const std::string time = block.Get("time");
    if (time.empty()) {
        values.m_bUntimed = 1;
    } else {
        int h1, m1, h2, m2;
        char tail = 0;
        if (std::sscanf(time.c_str(), "%d:%d-%d:%d%c", &h1, &m1, &h2, &m2, &tail) != 4)
            return Fail(block, "bad time \"" + time + "\"");
        LocalParts d;
        BreakLocal(date, d);
        values.SetStart(MakeLocal(d.year, d.month, d.day, h1, m1));
        values.SetEnd(MakeLocal(d.year, d.month, d.day, h2, m2));
    }
    values.m_bPrivate = block.Get("private") == "yes";

    const std::string alarm = block.Get("alarm");
    if (!alarm.empty()) {
        char unit[16] = {};
        int amount = 0;
        if (std::sscanf(alarm.c_str(), "%d %15s", &amount, unit) != 2 || amount <= 0)
            return Fail(block, "bad alarm \"" + alarm + "\"");
        const std::string u = ToLowerAscii(unit);
        values.m_nAlarmUnit = u.rfind("minute", 0) == 0 ? eMinutes
                              : u.rfind("hour", 0) == 0 ? eHours
                              : u.rfind("day", 0) == 0  ? eDays
                                                        : -1;
        if (values.m_nAlarmUnit < 0) return Fail(block, "bad alarm unit \"" + u + "\"");
        values.m_bAlarm = 1;
        values.m_nAlarmTime = amount;
    }

    auto notes = block.keys.equal_range("note");
    for (auto it = notes.first; it != notes.second; ++it) {
        if (!values.m_strNote.empty()) values.m_strNote += '\n';
        values.m_strNote += it->second;
    }
    values.m_bRepeat = !block.Get("repeat").empty();

    CDateBkRecord record(table, 1);
    if (!Check(block, table.AppendBlankRecord(record), "a new record")) return false;
    if (!Check(block, ValuesToRecord(record, values), "the values")) return false;
    if (values.m_bRepeat && !SetRepeat(block, record, date)) return false;

    const std::string status = block.Get("status");
    if (status == "deleted") return Check(block, record.SetStatus(4), "the deleted mark");
    if (status == "archived") return Check(block, record.SetStatus(0x80), "the archived mark");
    return status.empty() || Fail(block, "bad status \"" + status + "\"");
}

}  // namespace

// Each user: HotSync ID, folder, display name.
static int WriteUsers(int argc, char** argv) {
    std::vector<PalmUserEntry> users;
    for (int i = 3; i + 2 < argc; i += 3) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(argv[i], &end, 10);
        if (*end != '\0' || !IsPalmUserId(static_cast<std::uint32_t>(id))) {
            std::fprintf(stderr, "vemra_make_sample: bad HotSync ID %s\n", argv[i]);
            return 2;
        }
        users.push_back({static_cast<std::uint32_t>(id), argv[i + 2], argv[i + 1], true});
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << WriteUsersFile(users);
    if (!out.flush()) {
        std::fprintf(stderr, "vemra_make_sample: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%zu users written to %s\n", users.size(), argv[2]);
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 6 && (argc - 3) % 3 == 0 && std::string(argv[1]) == "--users") return WriteUsers(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vemra_make_sample <source.txt> <datebook.dat>\n"
                             "       vemra_make_sample --users <users.dat> <HotSync ID> <folder> <display name> [...]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vemra_make_sample: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<Block> blocks;
    CDateBkTable table;
    bool ok = ReadBlocks(in, blocks);
    for (std::size_t i = 0; ok && i < blocks.size(); ++i) ok = AddAppointment(table, blocks[i]);
    if (!ok) {
        std::fprintf(stderr, "vemra_make_sample: %s: %s\n", argv[1], g_failure.c_str());
        return 1;
    }
    // Saved from inside its folder: a new datebook keeps the name it was saved under, and a
    // bare file name makes the bytes independent of where the file is generated.
    const std::filesystem::path target = std::filesystem::absolute(argv[2]);
    std::error_code ec;
    std::filesystem::current_path(target.parent_path(), ec);
    if (ec || table.SaveAs(target.filename().string()) != 0) {
        std::fprintf(stderr, "vemra_make_sample: cannot write %s: %s\n", argv[2], table.GetLastErrorText().c_str());
        return 1;
    }
    std::printf("%ld appointments written to %s\n", table.GetRecordCount(), argv[2]);
    return 0;
}
