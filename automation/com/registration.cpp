// The registry entries by which COM finds VEMRA.Application: ProgID -> CLSID, CLSID -> ProgID
// and LocalServer32 (the quoted path of the running executable).
#include <windows.h>
#include <objbase.h>

#include "automation/com/com_server.h"
#include "platform/process.h"

namespace vemra::com {

namespace {

class CKey {
public:
    CKey() = default;
    ~CKey() {
        if (m_key) RegCloseKey(m_key);
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
    LONG Create(HKEY parent, const std::string& path) {
        return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr);
    }
    LONG Open(HKEY parent, const std::string& path) { return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &m_key); }
    LONG SetDefault(const std::string& value) {
        return RegSetValueExA(m_key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::string ClsidText() {
    wchar_t wide[64] = {};
    StringFromGUID2(kClsidApplication, wide, 64);
    std::string text;
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return text;
}

std::string SystemText(LONG code) {
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = n && buffer ? std::string(buffer, n) : "error " + std::to_string(code);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

// Every key with its default value under one classes root; the first failure's code.
LONG WriteUnder(HKEY root) {
    const std::string clsidKey = "CLSID\\" + ClsidText();
    // Quoted, for paths with spaces (appended to: a short literal + string trips a GCC 12 warning).
    std::string server = ExecutablePath();
    server.insert(server.begin(), '"');
    server.push_back('"');
    const struct {
        std::string path, value;
    } entries[] = {
        {kProgId, kProgId},
        {std::string(kProgId) + "\\CLSID", ClsidText()},
        {clsidKey, kProgId},
        {clsidKey + "\\ProgID", kProgId},
        {clsidKey + "\\LocalServer32", server},
    };
    for (const auto& e : entries) {
        CKey key;
        LONG result = key.Create(root, e.path);
        if (result == ERROR_SUCCESS) result = key.SetDefault(e.value);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

LONG RemoveUnder(HKEY root) {
    LONG first = ERROR_SUCCESS;
    for (const std::string& path : {std::string(kProgId), "CLSID\\" + ClsidText()}) {
        const LONG result = RegDeleteTreeA(root, path.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND && first == ERROR_SUCCESS) first = result;
    }
    return first;
}

}  // namespace

bool RegisterServer(std::string& why) {
    const LONG machine = WriteUnder(HKEY_CLASSES_ROOT);
    if (machine == ERROR_SUCCESS) return true;
    // A user without administrator rights: the per-user classes, which COM reads for that user.
    CKey userClasses;
    LONG user = userClasses.Create(HKEY_CURRENT_USER, "Software\\Classes");
    if (user == ERROR_SUCCESS) user = WriteUnder(userClasses.Get());
    if (user == ERROR_SUCCESS) return true;
    why = SystemText(machine);
    return false;
}

bool UnregisterServer(std::string& why) {
    // The per-user entries first: HKEY_CLASSES_ROOT shows them in place of the machine's.
    LONG user = ERROR_SUCCESS;
    CKey userClasses;
    if (userClasses.Open(HKEY_CURRENT_USER, "Software\\Classes") == ERROR_SUCCESS) user = RemoveUnder(userClasses.Get());
    const LONG machine = RemoveUnder(HKEY_CLASSES_ROOT);
    if (user == ERROR_SUCCESS && machine == ERROR_SUCCESS) return true;
    why = SystemText(machine != ERROR_SUCCESS ? machine : user);
    return false;
}

}  // namespace vemra::com
