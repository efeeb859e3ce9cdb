#pragma once
// The column orders of both layouts moved into and out of the Options dialog's list boxes:
// each item shows the field's display name and carries its field ID as item data.

#include <windows.h>

#include "settings/field_mapping.h"

namespace vemra {

// The simple columns in order, without the empty slots.
void FillSimpleList(const CFieldMapping& mapping, HWND list);
// All twelve repeat columns in order.
void FillRepeatList(const CFieldMapping& mapping, HWND list);
// The list order becomes the column order; fields no longer listed become trailing empty slots.
void ReadSimpleList(CFieldMapping& mapping, HWND list);
// The list order becomes the repeat column order; a list without all twelve fields is not taken.
void ReadRepeatList(CFieldMapping& mapping, HWND list);

}  // namespace vemra
