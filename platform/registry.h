#pragma once
// A small registry API. Windows: the real registry. Natively: the same API over a REGEDIT4
// text file that plays HKEY_CURRENT_USER (and HKEY_LOCAL_MACHINE), named by VEMRA_REGISTRY or
// else $XDG_CONFIG_HOME/vemra/registry.reg (~/.config/vemra/registry.reg). The file is read for
// every operation and replaced atomically after every change; a damaged file is reported once
// and never written, so reads then find nothing and changes fail.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry_file.h"

namespace vemra {

enum class RegistryRoot { currentUser, localMachine };
enum class RegistryAccess { read, readWrite };

class CRegistryKey {
public:
    CRegistryKey();
    ~CRegistryKey();
    CRegistryKey(CRegistryKey&& other) noexcept;
    CRegistryKey& operator=(CRegistryKey&& other) noexcept;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens an existing key; false when it does not exist or cannot be opened so.
    bool Open(RegistryRoot root, const std::string& path, RegistryAccess access = RegistryAccess::read);
    bool Open(const CRegistryKey& parent, const std::string& subKey, RegistryAccess access = RegistryAccess::read);
    // Opens the key for reading and writing, creating it and the keys above it when missing.
    bool Create(RegistryRoot root, const std::string& path);
    bool Create(const CRegistryKey& parent, const std::string& subKey);
    void Close();
    bool IsOpen() const;

    // The index-th sub key's name; false past the last one.
    bool EnumSubKey(unsigned index, std::string& name) const;

    // Raw value (type and bytes as the registry keeps them).
    bool QueryValue(const std::string& name, uint32_t& type, std::string& data) const;
    // Typed reads fail on a value of another type: a string is REG_SZ (its NUL removed), a
    // number REG_DWORD of 4 bytes, binary REG_BINARY.
    bool QueryString(const std::string& name, std::string& value) const;
    bool QueryDword(const std::string& name, uint32_t& value) const;
    bool QueryBinary(const std::string& name, std::string& value) const;

    bool SetString(const std::string& name, const std::string& value);
    bool SetDword(const std::string& name, uint32_t value);
    bool SetBinary(const std::string& name, std::string_view value);

    bool DeleteValue(const std::string& name);
    // Deletes the sub key with everything below it; false when it does not exist.
    bool DeleteSubKey(const std::string& subKey);

    struct Impl;

private:
    bool SetValue(const std::string& name, uint32_t type, std::string_view data);
    std::unique_ptr<Impl> m_impl;
};

// Natively the registry file in use (empty on Windows).
std::string RegistryFilePath();

}  // namespace vemra
