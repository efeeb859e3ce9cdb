#pragma once
// Palm Desktop's list of users, users.dat in its data folder. Palm never published the layout;
// what is read is what users of Palm Desktop worked out (all little-endian):
//
//   u16 user count, then per user an MFC archive object of class "CUser": the first introduced
//   by u16 0xFFFF, u16 schema, u16 name length, "CUser"; the later ones by u16 0x8001. Each
//   begins with u32 HotSync ID, u8 length + display name, u8 length + folder name, u16 active
//   flag; conduit settings of undocumented length follow.
//
// The reader takes only those first fields. It finds each later user by its 0x8001 tag followed
// by a plausible entry, never by a computed length, and accepts the list only when it agrees with
// the count. IDs below 256 mark user profiles (templates), not users. Texts are Windows-1252 in
// the file and in the system code page here.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct PalmUserEntry {
    std::uint32_t id = 0;
    std::string name;     // display name, "John Smith"
    std::string folder;   // the user's folder below the data folder, "SmithJ"
    bool active = true;
};

// A user entry that names a user rather than a profile.
bool IsPalmUserId(std::uint32_t id);

// The entries of a users.dat, in file order, profiles included. folderExists tells whether a
// folder of that name is present in the data folder; it only serves to tell real entries from
// chance matches inside the conduit settings. False when the bytes do not make a consistent
// list (then nothing in users is to be trusted).
bool ReadUsersFile(std::string_view bytes, const std::function<bool(const std::string&)>& folderExists,
                   std::vector<PalmUserEntry>& users);

// The bytes of a users.dat holding these entries, each with empty conduit lists.
std::string WriteUsersFile(const std::vector<PalmUserEntry>& users);
