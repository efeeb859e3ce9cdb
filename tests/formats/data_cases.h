// Case tables kept as tab-separated lines under tests/data ('#' lines are comments).
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace vemra::test {

inline std::vector<std::vector<std::string>> Cases(const std::string& name, std::size_t fields) {
    std::vector<std::vector<std::string>> cases;
    std::istringstream in(ReadFile(DataFile(name)));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        auto& c = cases.emplace_back();
        for (std::size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1)
            c.push_back(line.substr(from, (tab = line.find('\t', from)) - from));
        if (c.size() != fields) ADD_FAILURE() << name << ": " << line;
        c.resize(fields);
    }
    return cases;
}

}  // namespace vemra::test
