// Palm Desktop's users.dat: what the reader accepts, what it refuses, and the writer's bytes.

#include "palm/users_file.h"

#include <gtest/gtest.h>

#include "datebook_bytes.h"
#include "platform/codepage.h"

using dbtest::Bytes;

namespace {

// An entry as Palm Desktop writes it: the fixed fields, then conduit settings.
std::string Entry(bool first, std::uint32_t id, const std::string& name, const std::string& folder,
                  const std::string& conduits = Bytes().U16(1).U16(0x8003).U32(7).U32(0).U16(0).Str(),
                  std::uint16_t active = 1) {
    Bytes b;
    if (first)
        b.U16(0xFFFF).U16(1).U16(5).Raw("CUser");
    else
        b.U16(0x8001);
    b.U32(id).U8(static_cast<std::uint8_t>(name.size())).Raw(name);
    b.U8(static_cast<std::uint8_t>(folder.size())).Raw(folder).U16(active).Raw(conduits);
    return b.Str();
}

std::string Count(std::uint16_t n) { return Bytes().U16(n).Str(); }

std::string Listed(const std::vector<PalmUserEntry>& users) {
    std::string text;
    for (const auto& u : users) text += std::to_string(u.id) + ":" + u.name + ":" + u.folder + (u.active ? "" : "-") + ";";
    return text;
}

const auto kExists = [](const std::string& folder) { return folder != "Gone" && folder != "Nx"; };

}  // namespace

TEST(UsersFile, ReadsWhatPalmDesktopWrites) {
    const std::string profile = Entry(true, 3, "Team profile", "Profile1");
    const std::string smith = Entry(false, 0x2F1A0001, "John Smith", "SmithJ");
    const std::string adams = Entry(false, 1000, "Anna Adams", "AdamsA", Bytes().U16(0).U16(0).U8(9).Str());
    // A chance match inside conduit settings: the tag and a plausible entry of a folder that is
    // not there.
    const std::string chance = Bytes().U16(0).U16(1).U16(0x8003).U16(0x8001).U32(300).U8(1).Raw("x").U8(2)
                                   .Raw("Nx").U16(0).Str();
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;   // empty: refused
    } const cases[] = {
        {"three users", Count(3) + profile + smith + adams,
         "3:Team profile:Profile1;790233089:John Smith:SmithJ;1000:Anna Adams:AdamsA;"},
        {"chance match told apart by its folder", Count(2) + Entry(true, 500, "A", "A", chance) + adams,
         "500:A:A;1000:Anna Adams:AdamsA;"},
        {"Windows-1252 names", Count(1) + Entry(true, 600, "Jos\xE9 M\xFCller", "MullerJ"),
         "600:" + vemra::FileTextToSystem("Jos\xE9 M\xFCller") + ":MullerJ;"},
        {"fewer entries than counted", Count(4) + profile + smith + adams, ""},
        {"more entries than counted", Count(2) + profile + smith + adams, ""},
        {"count 0", Count(0), ""},
        {"empty file", "", ""},
        {"other class", Count(1) + Bytes().U16(0xFFFF).U16(1).U16(5).Raw("CUsex").Str() + smith.substr(2), ""},
        {"first entry without a class", Count(2) + smith + adams, ""},
        {"one ID twice", Count(2) + Entry(true, 1000, "B", "B") + adams, ""},
        {"folder leading elsewhere", Count(2) + profile + Entry(false, 900, "Evil", "..\\Windows"), ""},
        {"folder with a separator", Count(1) + Entry(true, 900, "Evil", "a/b"), ""},
        {"empty folder", Count(1) + Entry(true, 900, "Nobody", ""), ""},
        {"empty name", Count(1) + Entry(true, 900, "", "Empty"), ""},
        {"control character in a name", Count(1) + Entry(true, 900, "a\nb", "Ctl"), ""},
    };
    for (const Case& c : cases) {
        std::vector<PalmUserEntry> users{{1, "stale", "stale", true}};
        const bool ok = ReadUsersFile(c.bytes, kExists, users);
        EXPECT_EQ(ok, !c.expected.empty()) << c.name;
        EXPECT_EQ(Listed(users), c.expected) << c.name;
    }
}

TEST(UsersFile, EveryCutShortFileIsRefused) {
    const std::string whole = Count(3) + Entry(true, 3, "P", "P") + Entry(false, 700, "John Smith", "SmithJ") +
                              Entry(false, 701, "Anna", "AdamsA", "");
    std::vector<PalmUserEntry> users;
    ASSERT_TRUE(ReadUsersFile(whole, kExists, users));
    for (std::size_t n = 0; n + 2 < whole.size(); ++n)
        EXPECT_FALSE(ReadUsersFile(whole.substr(0, n), kExists, users)) << n;
}

TEST(UsersFile, WriterGivesTheLayoutAndReadsBack) {
    const std::vector<PalmUserEntry> users{
        {0x2F1A0001, "John Smith", "SmithJ", true}, {3, "Profile", "P", false}, {701, vemra::FileTextToSystem("Jos\xE9"), "Jose", true}};
    const std::string bytes = WriteUsersFile(users);
    const std::string empty = Bytes().U16(0).U16(0).Str();
    EXPECT_EQ(bytes, Count(3) + Entry(true, 0x2F1A0001, "John Smith", "SmithJ", empty) +
                         Entry(false, 3, "Profile", "P", empty, 0) +
                         Entry(false, 701, "Jos\xE9", "Jose", empty));
    std::vector<PalmUserEntry> read;
    ASSERT_TRUE(ReadUsersFile(bytes, kExists, read));
    EXPECT_EQ(Listed(read), Listed(users));
}
