#pragma once
// User data library: the Palm Desktop users of this installation and where their data lie.
//
// The installation's data folder is the registry value Path of
// HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\Core, or the folder named by the
// environment variable VEMRA_PALM_DESKTOP for a copied Palm Desktop folder. Its users are those
// of Palm Desktop's own list, users.dat (palm/users_file.h), whose folders exist: display name,
// HotSync ID and folder as Palm Desktop keeps them, in its order. When that list is missing,
// cannot be read or lists nobody, the users are the sub folders that hold datebook\datebook.dat,
// sorted by name, each named after its folder with a 32-bit hash of the folder's name as its ID,
// so that the same folder keeps its ID. A user's directory is "\" + its folder's name (joined
// to the data folder without a separator).

#include <cstdint>
#include <string>

// Number of users; 0 when there is no Palm Desktop (or no user).
short UserCount();

// The ID of the index-th user (from 0); greater than 0 when the index names a user.
int UserIdAt(short index, uint32_t* id);

// The user's display name; greater than 0 when the ID names a user (name left empty if not).
int UserName(uint32_t id, std::string& name);

// The user's data directory, relative to DesktopDirectory; greater than 0 on success.
int UserDirectory(uint32_t id, std::string& directory);

// Palm Desktop's data folder (where palm.exe lies); greater than 0 when one is known.
int DesktopDirectory(std::string& directory);

// The ID a user folder of this name has.
uint32_t UserIdOfFolder(const std::string& folderName);
