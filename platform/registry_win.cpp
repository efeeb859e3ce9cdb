#include "platform/registry.h"

#include <windows.h>

namespace vemra {

// Owns one open HKEY.
struct CRegistryKey::Impl {
    HKEY h = nullptr;
    explicit Impl(HKEY key) : h(key) {}
    ~Impl() { RegCloseKey(h); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
};

namespace {
HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}
REGSAM Sam(RegistryAccess access) {
    return access == RegistryAccess::read ? KEY_READ : KEY_READ | KEY_WRITE;
}
}  // namespace

CRegistryKey::CRegistryKey() = default;
CRegistryKey::~CRegistryKey() = default;
CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept = default;
CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept = default;

bool CRegistryKey::Open(RegistryRoot root, const std::string& path, RegistryAccess access) {
    Close();
    HKEY h = nullptr;
    if (RegOpenKeyExA(RootKey(root), path.c_str(), 0, Sam(access), &h) != ERROR_SUCCESS) return false;
    m_impl = std::make_unique<Impl>(h);
    return true;
}

bool CRegistryKey::Open(const CRegistryKey& parent, const std::string& subKey, RegistryAccess access) {
    if (&parent == this || !parent.IsOpen()) return false;
    Close();
    HKEY h = nullptr;
    if (RegOpenKeyExA(parent.m_impl->h, subKey.c_str(), 0, Sam(access), &h) != ERROR_SUCCESS) return false;
    m_impl = std::make_unique<Impl>(h);
    return true;
}

namespace {
HKEY CreateKey(HKEY parent, const std::string& path) {
    HKEY h = nullptr;
    char emptyClass[] = "";
    if (RegCreateKeyExA(parent, path.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, &h, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return h;
}
}  // namespace

bool CRegistryKey::Create(RegistryRoot root, const std::string& path) {
    Close();
    HKEY h = CreateKey(RootKey(root), path);
    if (!h) return false;
    m_impl = std::make_unique<Impl>(h);
    return true;
}

bool CRegistryKey::Create(const CRegistryKey& parent, const std::string& subKey) {
    if (&parent == this || !parent.IsOpen()) return false;
    Close();
    HKEY h = CreateKey(parent.m_impl->h, subKey);
    if (!h) return false;
    m_impl = std::make_unique<Impl>(h);
    return true;
}

void CRegistryKey::Close() { m_impl.reset(); }

bool CRegistryKey::IsOpen() const { return m_impl != nullptr; }

bool CRegistryKey::EnumSubKey(unsigned index, std::string& name) const {
    if (!IsOpen()) return false;
    char buffer[1024];
    DWORD length = sizeof buffer;
    if (RegEnumKeyExA(m_impl->h, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name.assign(buffer, length);
    return true;
}

bool CRegistryKey::QueryValue(const std::string& name, uint32_t& type, std::string& data) const {
    if (!IsOpen()) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD t = 0, size = 0;
        if (RegQueryValueExA(m_impl->h, name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return false;
        std::string buffer(size, '\0');
        const LONG rc = RegQueryValueExA(m_impl->h, name.c_str(), nullptr, &t,
                                         reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc == ERROR_MORE_DATA) continue;   // changed in between
        if (rc != ERROR_SUCCESS) return false;
        buffer.resize(size);
        type = t;
        data = std::move(buffer);
        return true;
    }
    return false;
}

bool CRegistryKey::SetValue(const std::string& name, uint32_t type, std::string_view data) {
    if (!IsOpen() || data.size() > 0x7FFFFFFF) return false;
    return RegSetValueExA(m_impl->h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteValue(const std::string& name) {
    return IsOpen() && RegDeleteValueA(m_impl->h, name.c_str()) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteSubKey(const std::string& subKey) {
    if (!IsOpen() || subKey.empty()) return false;
    return RegDeleteTreeA(m_impl->h, subKey.c_str()) == ERROR_SUCCESS;
}

std::string RegistryFilePath() { return ""; }

}  // namespace vemra
