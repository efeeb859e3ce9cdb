// Palm Desktop's users.dat: what the reader accepts, what it refuses, and the writer's bytes.

#include "palm/users_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "datebook_bytes.h"
#include "platform/codepage.h"
#include "tests/test_support.h"

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

// Each file under palm/users/ (three users, a chance match inside conduit settings told apart
// by its folder, Windows-1252 names, wrong counts, foreign classes, folders leading elsewhere...)
// with what the reader lists, or "refused" and an empty list, in palm/users.txt.
TEST(UsersFile, ReadsWhatPalmDesktopWritesAndRefusesTheRest) {
    std::istringstream golden(vemra::test::ReadFile(vemra::test::DataFile("palm/users.txt")));
    std::string text;
    for (std::string line; std::getline(golden, line);) {
        const std::string name = line.substr(0, line.find(": "));
        std::vector<PalmUserEntry> users{{1, "stale", "stale", true}};
        const bool ok = ReadUsersFile(vemra::test::ReadFile(vemra::test::DataFile("palm/users/" + name + ".dat")), kExists, users);
        text += name + ": " + (ok ? "" : "refused ") + vemra::SystemTextToFile(Listed(users)) + "\n";
    }
    vemra::test::ExpectGolden("palm/users.txt", text);
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
