#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "settings/field_mapping.h"

namespace {

class CTestList : public CFieldList {
public:
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, int id) override { items.emplace_back(text, id); }
    int GetCount() const override { return static_cast<int>(items.size()); }
    int GetItemData(int index) const override { return items.at(static_cast<std::size_t>(index)).second; }
    std::vector<std::pair<std::string, int>> items;
};

}  // namespace

TEST(FieldMappingLists, FillAndReadBack) {
    CFieldMapping mapping;
    const int simple[] = {5, 0, 2, 3, 23, 23, 23, 23, 23, 23, 23};
    std::copy(std::begin(simple), std::end(simple), mapping.m_simple);
    CTestList used, unused, repeat;
    used.AddItem("stale", 99);
    mapping.FillSimpleList(used, unused);
    EXPECT_EQ(used.items, (std::vector<std::pair<std::string, int>>{{"Text", 5}, {"Date", 0}, {"Start Time", 2}, {"End Time", 3}}));
    ASSERT_EQ(unused.GetCount(), 7);
    EXPECT_EQ(unused.items.front(), (std::pair<std::string, int>{"Untimed", 1}));
    EXPECT_EQ(unused.items.back(), (std::pair<std::string, int>{"Repeat", 10}));

    // The dialog drops "Start Time" and moves "Date" to the top: removed fields become trailing 23s.
    used.items = {{"Date", 0}, {"Text", 5}, {"End Time", 3}};
    mapping.ReadSimpleList(used);
    EXPECT_EQ(std::vector<int>(mapping.m_simple, mapping.m_simple + 11),
              (std::vector<int>{0, 5, 3, 23, 23, 23, 23, 23, 23, 23, 23}));

    mapping.FillRepeatList(repeat);
    ASSERT_EQ(repeat.GetCount(), 12);
    EXPECT_EQ(repeat.items[0], (std::pair<std::string, int>{"Repeat Type", 11}));
    std::swap(repeat.items[0], repeat.items[11]);
    mapping.ReadRepeatList(repeat);
    EXPECT_EQ(mapping.m_repeat[0], 22);
    EXPECT_EQ(mapping.m_repeat[11], 11);

    // A list that does not hold all twelve repeat fields leaves the order alone.
    repeat.items.pop_back();
    mapping.ReadRepeatList(repeat);
    EXPECT_EQ(mapping.m_repeat[0], 22);
    EXPECT_EQ(mapping.m_repeat[11], 11);
}
