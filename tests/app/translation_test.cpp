// The German resource library against the English resources: the same texts by number and
// name, the same placeholders in the same order, the same dialogs, controls and menu, and no
// English text left over.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kRoot = VEMRA_SOURCE_ROOT;

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct Text {
    std::string name, text;
};

std::map<int, Text> StringTable(const std::string& path) {
    static const std::regex entry(R"re(^VEMRA_STRING\((\d+), (\w+), "(.*)"\)$)re");
    std::map<int, Text> table;
    for (const std::string& line : Lines(path)) {
        std::smatch m;
        if (line.rfind("VEMRA_STRING(", 0) != 0) continue;
        EXPECT_TRUE(std::regex_match(line, m, entry)) << line;
        if (m.empty()) continue;
        EXPECT_TRUE(table.emplace(std::stoi(m[1]), Text{m[2], m[3]}).second) << "twice: " << line;
    }
    return table;
}

// The printf conversions of a text, in order.
std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex conversion(R"(%[-+ #0]*[0-9]*(\.[0-9]+)?[a-zA-Z%])");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

// The statements of a resource file's dialogs, menus and accelerators, each statement's own
// text (outside accelerators) taken out into texts and every number (the layout) as N.
struct Resources {
    std::vector<std::string> statements, texts;
};

Resources ReadRc(const std::string& path) {
    static const std::regex firstText("^\\s*\\w+\\s+(\"[^\"]*\")"), number("\\b[0-9]+\\b");
    Resources res;
    std::string kind;   // the type of the resource being read
    int depth = 0;      // BEGIN ... END nesting inside it
    for (std::string line : Lines(path)) {
        if (const auto comment = line.find("//"); comment != std::string::npos && line.find('"') > comment)
            line.erase(comment);
        std::istringstream words(line);
        std::string first, second;
        words >> first >> second;
        if (second == "DIALOGEX" || second == "MENU" || second == "ACCELERATORS") {
            kind = second;
            depth = 0;
        }
        if (kind.empty() || first.empty() || first[0] == '#') continue;
        depth += first == "BEGIN" ? 1 : first == "END" ? -1 : 0;
        std::smatch text;
        if (kind != "ACCELERATORS" && std::regex_search(line, text, firstText)) {
            res.texts.push_back(text.str(1));
            line.replace(text.position(1), text.length(1), text.length(1) > 2 ? "\"T\"" : "\"\"");
        }
        res.statements.push_back(std::regex_replace(line.substr(line.find(first)), number, "N"));
        if (first == "END" && depth == 0) kind.clear();
    }
    return res;
}

// Texts that are the same in both languages.
const std::set<std::string> kSameInGerman = {
    "\" \"",   "\"Text\"", "\"Alarm\"", "\"OK\"", "\"&OK\"", "\"Import\"", "\"&?\"",
    "\"MS Excel 97/2000 (*.xls)|*.xls|\"", "\"https://vemra.quelbarsk.example/\"",
    "\"Location: |Ort: \"", "\"URL: %s\"",
};

}  // namespace

TEST(Translation, StringTableHasEveryTextWithTheSamePlaceholders) {
    const auto english = StringTable(kRoot + "/res/strings.inc");
    const auto german = StringTable(kRoot + "/res/de/strings_de.inc");
    ASSERT_GT(english.size(), 90u);
    for (const auto& [id, text] : english) {
        const auto it = german.find(id);
        if (it == german.end()) {
            ADD_FAILURE() << "no German text " << id << " " << text.name;
            continue;
        }
        EXPECT_EQ(it->second.name, text.name) << id;
        EXPECT_EQ(Placeholders(it->second.text), Placeholders(text.text)) << text.name << ": " << it->second.text;
        if (!kSameInGerman.count("\"" + text.text + "\"")) {
            EXPECT_NE(it->second.text, text.text) << text.name << " is not translated";
        }
    }
    for (const auto& [id, text] : german) EXPECT_TRUE(english.count(id)) << "German text without English one: " << id;
}

// The same dialogs, controls, IDs, styles, menu and accelerators in the same order; the German
// layout is fitted to its texts.
TEST(Translation, DialogsMenuAndAcceleratorsMatchTheEnglishOnes) {
    const Resources english = ReadRc(kRoot + "/res/vemra.rc");
    const Resources german = ReadRc(kRoot + "/res/de/vemra_de.rc");
    ASSERT_GT(english.texts.size(), 50u);
    ASSERT_EQ(german.statements.size(), english.statements.size());
    for (std::size_t i = 0; i < english.statements.size(); ++i) EXPECT_EQ(german.statements[i], english.statements[i]);
    ASSERT_EQ(german.texts.size(), english.texts.size());
    for (std::size_t i = 0; i < english.texts.size(); ++i) {
        if (english.texts[i] != "\"\"" && !kSameInGerman.count(english.texts[i])) {
            EXPECT_NE(german.texts[i], english.texts[i]) << " is not translated";
        }
    }
}
