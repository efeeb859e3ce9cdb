// Any text either fails to parse or reads back the same after writing it out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vemra::CRegistryTree tree;
    std::string error;
    if (!tree.Parse(std::string_view(reinterpret_cast<const char*>(data), size), error)) return 0;
    const std::string text = tree.Serialize();
    vemra::CRegistryTree again;
    if (!again.Parse(text, error) || again.Serialize() != text) std::abort();
    return 0;
}
