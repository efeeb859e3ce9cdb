#pragma once
// A registry held in memory and its REGEDIT4 text form: the store of the native registry, and
// portable so that both builds test the format.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemra {

// Value types, numbered as the Windows registry numbers them.
enum : uint32_t { regNone = 0, regString = 1, regExpandString = 2, regBinary = 3, regDword = 4 };

class CRegistryTree {
public:
    struct Value {
        std::string name;   // empty: the key's default value (@)
        uint32_t type = regNone;
        std::string data;   // raw bytes as the registry keeps them (strings with their NUL)
    };
    struct Key {
        std::string name;
        std::vector<Value> values;
        std::vector<std::unique_ptr<Key>> children;   // sorted by name, ignoring case

        Key* Child(std::string_view name) const;
        Key* AddChild(std::string_view name);          // the existing one if present
        bool RemoveChild(std::string_view name);
        const Value* FindValue(std::string_view name) const;
        void SetValue(std::string_view name, uint32_t type, std::string data);
        bool RemoveValue(std::string_view name);
    };

    // Replaces the content by the text's; on failure the tree is empty and error says where.
    bool Parse(std::string_view text, std::string& error);
    std::string Serialize() const;

    // Full paths begin with the root: "HKEY_CURRENT_USER\Software\x". Names ignore case.
    Key* Find(std::string_view path) const;
    Key* Create(std::string_view path);   // nullptr for a malformed path
    bool Remove(std::string_view path);   // the key with everything below it

    // A path's parts, or false for an empty part (leading, trailing or doubled backslash).
    static bool SplitPath(std::string_view path, std::vector<std::string>& parts);

private:
    Key m_top;   // its children are the roots
};

}  // namespace vemra
