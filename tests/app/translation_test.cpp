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

// The comma-separated fields of a resource statement, quotes kept, outer blanks removed.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.emplace_back();
            continue;
        }
        fields.back() += c;
    }
    for (std::string& f : fields) {
        const auto first = f.find_first_not_of(" \t");
        const auto last = f.find_last_not_of(" \t");
        f = first == std::string::npos ? "" : f.substr(first, last - first + 1);
    }
    return fields;
}

struct Control {
    std::string kind;   // the statement, and the window class of a CONTROL
    std::string id;
    std::string text;   // quoted, or empty for controls without one
};

struct Resources {
    std::map<std::string, std::string> captions;
    std::map<std::string, std::vector<Control>> dialogs;
    std::vector<std::pair<std::string, std::string>> menu;   // statement and ID, text
    std::vector<std::string> accelerators;
};

Resources ReadRc(const std::string& path) {
    Resources res;
    std::string block, kind;   // the resource being read and its type
    int depth = 0;             // BEGIN ... END nesting inside it
    for (std::string line : Lines(path)) {
        if (const auto comment = line.find("//"); comment != std::string::npos && line.find('"') > comment)
            line.erase(comment);
        std::istringstream words(line);
        std::string first, second;
        words >> first >> second;
        const auto quote = line.find('"');
        if (second == "DIALOGEX" || second == "MENU" || second == "ACCELERATORS") {
            block = first;
            kind = second;
            depth = 0;
        } else if (kind.empty() || first.empty() || first[0] == '#' || first == "STYLE" || first == "FONT") {
        } else if (first == "CAPTION") {
            res.captions[block] = line.substr(quote);
        } else if (first == "BEGIN" || first == "END") {
            depth += first == "BEGIN" ? 1 : -1;
            if (depth == 0) kind.clear();
        } else if (kind == "ACCELERATORS") {
            res.accelerators.push_back(line.substr(line.find_first_not_of(" \t")));
        } else if (kind == "MENU" && quote == std::string::npos) {
            res.menu.emplace_back("SEPARATOR", "\" \"");
        } else if (kind == "MENU") {
            const std::vector<std::string> f = Fields(line.substr(quote));
            res.menu.emplace_back(first == "POPUP" ? first : first + " " + f.at(1), f.at(0));
        } else {
            std::vector<std::string> f = Fields(line.substr(line.find(first) + first.size()));
            if (first == "EDITTEXT" || first == "COMBOBOX") f.insert(f.begin(), "");
            res.dialogs[block].push_back(
                {first + (first == "CONTROL" ? " " + f.at(2) : ""), f.at(1), f.at(0).rfind('"', 0) == 0 ? f.at(0) : ""});
        }
    }
    return res;
}

// Texts that are the same in both languages.
const std::set<std::string> kSameInGerman = {
    "\" \"",   "\"Text\"", "\"Alarm\"", "\"OK\"", "\"&OK\"", "\"Import\"", "\"&?\"",
    "\"MS Excel 97/2000 (*.xls)|*.xls|\"", "\"https://vemra.quelbarsk.example/\"",
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

TEST(Translation, DialogsMenuAndAcceleratorsMatchTheEnglishOnes) {
    const Resources english = ReadRc(kRoot + "/res/vemra.rc");
    const Resources german = ReadRc(kRoot + "/res/de/vemra_de.rc");
    ASSERT_EQ(english.dialogs.size(), 3u);
    for (const auto& [dialog, controls] : english.dialogs) {
        const auto it = german.dialogs.find(dialog);
        if (it == german.dialogs.end()) {
            ADD_FAILURE() << "no German dialog " << dialog;
            continue;
        }
        EXPECT_NE(german.captions.at(dialog), english.captions.at(dialog)) << dialog;
        ASSERT_EQ(it->second.size(), controls.size()) << dialog;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const Control& en = controls[i];
            const Control& de = it->second[i];
            // The same controls in the same order; the German layout is fitted to its texts.
            EXPECT_EQ(de.kind, en.kind) << dialog << " #" << i;
            EXPECT_EQ(de.id, en.id) << dialog << " #" << i;
            EXPECT_EQ(de.text.empty(), en.text.empty()) << dialog << " " << en.id;
            if (!en.text.empty() && en.text != "\"\"" && !kSameInGerman.count(en.text)) {
                EXPECT_NE(de.text, en.text) << dialog << " " << en.id << " is not translated";
            }
        }
    }
    ASSERT_EQ(german.menu.size(), english.menu.size());
    for (std::size_t i = 0; i < english.menu.size(); ++i) {
        EXPECT_EQ(german.menu[i].first, english.menu[i].first) << i;
        if (!kSameInGerman.count(english.menu[i].second)) {
            EXPECT_NE(german.menu[i].second, english.menu[i].second) << english.menu[i].second << " is not translated";
        }
    }
    EXPECT_EQ(german.accelerators, english.accelerators);
    EXPECT_EQ(english.accelerators.size(), 2u);
}
