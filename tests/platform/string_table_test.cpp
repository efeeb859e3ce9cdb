#include "platform/string_table.h"

#include <gtest/gtest.h>

#include <set>

using vemra::LoadResString;

namespace {
struct Text {
    unsigned id;
    const char* text;
};
const Text kTexts[] = {
#define VEMRA_STRING(id, name, text) {id, text},
#include "res/strings.inc"
#undef VEMRA_STRING
};
}  // namespace

// The Windows build reads the executable's string table, the native build its compiled-in
// copy: both must give every text exactly as written in the one source.
TEST(StringTable, EveryTextAsWritten) {
    std::set<unsigned> ids;
    for (const auto& t : kTexts) {
        EXPECT_TRUE(ids.insert(t.id).second) << "id " << t.id << " twice";
        EXPECT_EQ(LoadResString(t.id), t.text) << "id " << t.id;
    }
    EXPECT_GT(ids.size(), 50u);
}

TEST(StringTable, UnknownIdsGiveEmptyText) {
    for (unsigned id : {0u, 1u, 5u, 32820u, 39999u, 65535u}) EXPECT_EQ(LoadResString(id), "") << id;
}
