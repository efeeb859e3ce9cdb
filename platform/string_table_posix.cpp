#include "platform/string_table.h"

#include <algorithm>
#include <iterator>

namespace vemra {

namespace {
struct Entry {
    unsigned id;
    const char* text;
};
constexpr Entry kStrings[] = {
#define VEMRA_STRING(id, name, text) {id, text},
#include "res/strings.inc"
#undef VEMRA_STRING
};
}  // namespace

std::string LoadResString(unsigned id) {
    const auto it = std::find_if(std::begin(kStrings), std::end(kStrings),
                                 [id](const Entry& e) { return e.id == id; });
    return it != std::end(kStrings) && it->id == id ? it->text : "";
}

// Natively there are no resource modules: the texts are compiled in.
void SetResourceModule(void*) {}
void* GetResourceModule() { return nullptr; }

}  // namespace vemra
