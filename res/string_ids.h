#pragma once
// The names of the string table's texts, from the same list as the texts (res/strings.inc).

enum StringId : unsigned {
#define VEMRA_STRING(id, name, text) name = id,
#include "res/strings.inc"
#undef VEMRA_STRING
};
