#include "platform/string_table.h"

#include <windows.h>

namespace vemra {

namespace {
HINSTANCE& ResourceModule() {
    static HINSTANCE module = nullptr;
    return module;
}
}  // namespace

std::string LoadResString(unsigned id) {
    HINSTANCE module = ResourceModule() ? ResourceModule() : GetModuleHandleA(nullptr);
    // LoadStringW with no buffer gives the text in place, so any length fits; the ANSI copy
    // is made here in the system code page, as LoadStringA would.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text) return "";
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return "";
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

void SetResourceModule(void* module) { ResourceModule() = static_cast<HINSTANCE>(module); }

void* GetResourceModule() { return ResourceModule(); }

}  // namespace vemra
