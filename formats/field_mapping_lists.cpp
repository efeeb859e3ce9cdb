// The column orders moved into and out of the Options dialog's lists.

#include "settings/field_mapping.h"

void CFieldMapping::FillSimpleList(CFieldList& used, CFieldList& unused) const {
    used.Clear();
    unused.Clear();
    bool present[kSimpleFieldCount] = {};
    for (int id : m_simple) {
        if (id == fieldNone) continue;
        used.AddItem(FieldName(id), id);
        if (id >= 0 && id < kSimpleFieldCount) present[id] = true;
    }
    // The fields the user removed, in catalogue order, so that they can be put back.
    for (int id = 0; id < kSimpleFieldCount; ++id)
        if (!present[id]) unused.AddItem(FieldName(id), id);
}

void CFieldMapping::ReadSimpleList(const CFieldList& used) {
    const int count = used.GetCount();
    for (int i = 0; i < kSimpleFieldCount; ++i) m_simple[i] = i < count ? used.GetItemData(i) : fieldNone;
}

void CFieldMapping::FillRepeatList(CFieldList& list) const {
    list.Clear();
    for (int id : m_repeat) list.AddItem(FieldName(id), id);
}

void CFieldMapping::ReadRepeatList(const CFieldList& list) {
    // The repeat list always holds all twelve fields; a list that does not is not taken.
    if (list.GetCount() != kRepeatFieldCount) return;
    for (int i = 0; i < kRepeatFieldCount; ++i) m_repeat[i] = list.GetItemData(i);
}
