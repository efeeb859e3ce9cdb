#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "platform/local_time.h"

namespace fs = std::filesystem;

namespace vemra::test {

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    const fs::path base = fs::temp_directory_path() / "vemra-tests";
    for (int attempt = 0;; ++attempt) {
        const fs::path p = base / (std::to_string(std::rand()) + "-" + std::to_string(counter++));
        std::error_code ec;
        fs::create_directories(base, ec);
        if (fs::create_directory(p, ec)) {
            m_path = p.string();
            return;
        }
        if (attempt > 100) throw std::runtime_error("cannot create a scratch folder");
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string ScratchDir::File(const std::string& name) const { return (fs::path(m_path) / name).string(); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

void AddDesktopUser(const std::string& desktop, const std::string& name, bool withDatebook) {
    const fs::path folder = fs::path(desktop) / name / "datebook";
    fs::create_directories(folder);
    if (withDatebook) WriteFile((folder / "datebook.dat").string(), "");
}

std::string DataFile(const std::string& name) { return (fs::path(VEMRA_TEST_DATA) / name).string(); }

void ExpectGolden(const std::string& name, const std::string& actual) {
    const char* update = std::getenv("VEMRA_UPDATE_GOLDEN");
    if (update && *update == '1') WriteFile(DataFile(name), actual);
    EXPECT_TRUE(ReadFile(DataFile(name)) == actual) << name << " differs; VEMRA_UPDATE_GOLDEN=1 rewrites it";
}

std::vector<std::vector<std::string>> DataRows(const std::string& name, const std::string& separator,
                                               std::size_t fields) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(ReadFile(DataFile(name)));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        auto& row = rows.emplace_back();
        for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + separator.size()) {
            end = line.find(separator, at);
            row.push_back(line.substr(at, end == std::string::npos ? end : end - at));
        }
        if (fields == 0) continue;
        if (row.size() != fields) ADD_FAILURE() << name << ": " << line;
        row.resize(fields);
    }
    EXPECT_FALSE(rows.empty()) << name << " holds no cases";   // a missing file reads as empty
    return rows;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] == '\\' && i + 1 < text.size() ? text[++i] : 0;
        if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (!c) out += text[i];
        else out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
    }
    return out;
}

long LocalTimeOf(const std::string& text) {
    int y = 0, m = 0, d = 0, h = 0, mi = 0;
    std::sscanf(text.c_str(), "%d-%d-%d%*c%d:%d", &y, &m, &d, &h, &mi);
    return MakeLocal(y, m, d, h, mi);
}

std::string LocalText(long t) {
    LocalParts p;
    if (!BreakLocal(t, p)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return buf;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

void ExpectResults(const std::string& name, const std::function<std::string(const std::string&)>& run) {
    std::istringstream lines(ReadFile(DataFile(name)));
    std::string text;
    for (std::string line; std::getline(lines, line); text += line + "\n") {
        if (line.empty() || line[0] == '#') continue;
        line.erase(line.find(" -> "));
        line += " -> " + run(line);
    }
    ExpectGolden(name, text);
}

}  // namespace vemra::test
