#pragma once
// Folder listing and creation. Paths are written the Windows way (see platform/file.h).

#include <string>
#include <vector>

namespace vemra {

struct DirectoryEntry {
    std::string name;       // without the folder
    bool isDirectory = false;
};

// The entries of a folder without "." and ".."; false when it cannot be listed.
bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

bool DirectoryExists(const std::string& path);

// One folder whose parent exists; false when it could not be made (or exists already).
bool CreateOneDirectory(const std::string& path);

// Creates the folder and every missing folder above it; true when it exists afterwards.
bool CreateDirectories(const std::string& path);

}  // namespace vemra
