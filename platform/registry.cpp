#include "platform/registry.h"

namespace vemra {

bool CRegistryKey::QueryString(const std::string& name, std::string& value) const {
    uint32_t type = 0;
    std::string data;
    if (!QueryValue(name, type, data) || type != regString) return false;
    // Stored strings normally end with their NUL; one written without it is taken whole.
    const std::size_t nul = data.find('\0');
    if (nul != std::string::npos) data.erase(nul);
    value = std::move(data);
    return true;
}

bool CRegistryKey::QueryDword(const std::string& name, uint32_t& value) const {
    uint32_t type = 0;
    std::string data;
    if (!QueryValue(name, type, data) || type != regDword || data.size() != 4) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    value = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return true;
}

bool CRegistryKey::QueryBinary(const std::string& name, std::string& value) const {
    uint32_t type = 0;
    std::string data;
    if (!QueryValue(name, type, data) || type != regBinary) return false;
    value = std::move(data);
    return true;
}

bool CRegistryKey::SetString(const std::string& name, const std::string& value) {
    std::string data = value;
    data += '\0';
    return SetValue(name, regString, data);
}

bool CRegistryKey::SetDword(const std::string& name, uint32_t value) {
    char data[4];
    for (int k = 0; k < 4; ++k) data[k] = static_cast<char>((value >> (8 * k)) & 0xFF);
    return SetValue(name, regDword, std::string_view(data, 4));
}

bool CRegistryKey::SetBinary(const std::string& name, std::string_view value) {
    return SetValue(name, regBinary, value);
}

}  // namespace vemra
