#pragma once
// The program's texts by number (res/strings.inc). Windows: from the string table of the
// resource module (the executable, or a language library once loaded); natively compiled in.

#include <string>

namespace vemra {

std::string LoadResString(unsigned id);   // the empty text for an unknown id

// Windows: the module resources are loaded from from now on (nullptr: the executable).
void SetResourceModule(void* module);
// The module set above, or nullptr (the executable; natively always nullptr).
void* GetResourceModule();

}  // namespace vemra
