#pragma once
// The application profile: values in sections below the current user's registry key
// Software\<registry root>\<application name>\<section>, read with the current value as
// default (a missing value or one of another type yields the default).

#include <string>
#include <string_view>

namespace vemra {

// "Quelbarsk" until set otherwise.
void SetProfileRoot(const std::string& root);
// The executable's base name until set otherwise (VEMRA on Windows, vemra natively).
void SetProfileApplicationName(const std::string& name);
std::string ProfileApplicationName();

// Software\<root>\<application>\<section>
std::string ProfileSectionPath(const std::string& section);

int ReadProfileInt(const std::string& section, const std::string& entry, int defaultValue);
std::string ReadProfileText(const std::string& section, const std::string& entry, const std::string& defaultValue);
// False (data untouched) when the entry is missing or not binary.
bool ReadProfileBinary(const std::string& section, const std::string& entry, std::string& data);

bool WriteProfileInt(const std::string& section, const std::string& entry, int value);
bool WriteProfileText(const std::string& section, const std::string& entry, const std::string& value);
bool WriteProfileBinary(const std::string& section, const std::string& entry, std::string_view data);

}  // namespace vemra
