// Palm Desktop's users.dat: what the reader accepts, what it refuses, and the writer's bytes.

#include "palm/users_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/codepage.h"
#include "tests/test_support.h"

namespace {

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

// The writer's bytes (palm/users-written.dat, checked once against the layout by hand) read
// back; cut anywhere before the last user's fields end, they are refused.
TEST(UsersFile, WriterGivesTheLayoutAndCutShortCopiesAreRefused) {
    const std::vector<PalmUserEntry> users{
        {0x2F1A0001, "John Smith", "SmithJ", true}, {3, "Profile", "P", false}, {701, vemra::FileTextToSystem("Jos\xE9"), "Jose", true}};
    const std::string bytes = WriteUsersFile(users);
    vemra::test::ExpectGolden("palm/users-written.dat", bytes);
    std::vector<PalmUserEntry> read;
    ASSERT_TRUE(ReadUsersFile(bytes, kExists, read));
    EXPECT_EQ(Listed(read), Listed(users));
    for (std::size_t n = 0; n + 4 < bytes.size(); ++n)   // the last four bytes: no conduit settings
        EXPECT_FALSE(ReadUsersFile(bytes.substr(0, n), kExists, read)) << n;
}
