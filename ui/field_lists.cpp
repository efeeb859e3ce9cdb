#include "ui/field_lists.h"

namespace vemra {

namespace {
void AddField(HWND list, int id) {
    const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CFieldMapping::FieldName(id).c_str()));
    if (index >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(id));
}

int ItemCount(HWND list) {
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

int ItemField(HWND list, int index) {
    return static_cast<int>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}
}  // namespace

void FillSimpleList(const CFieldMapping& mapping, HWND list) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int id : mapping.m_simple)
        if (id != fieldNone) AddField(list, id);
}

void FillRepeatList(const CFieldMapping& mapping, HWND list) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int id : mapping.m_repeat) AddField(list, id);
}

void ReadSimpleList(CFieldMapping& mapping, HWND list) {
    const int count = ItemCount(list);
    for (int i = 0; i < kSimpleFieldCount; ++i) mapping.m_simple[i] = i < count ? ItemField(list, i) : fieldNone;
}

void ReadRepeatList(CFieldMapping& mapping, HWND list) {
    // Item data of a missing item would come back as an error code and damage the layout.
    if (ItemCount(list) != kRepeatFieldCount) return;
    for (int i = 0; i < kRepeatFieldCount; ++i) mapping.m_repeat[i] = ItemField(list, i);
}

}  // namespace vemra
