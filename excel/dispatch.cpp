#include "excel/dispatch.h"

#include <algorithm>

namespace vemra {

namespace {
const std::u16string kNoText;
}  // namespace

CVariant::CVariant(const CVariant& o) : m_vt(o.m_vt) {
    m_d = o.m_d;
    if (HoldsRef()) m_p->AddRef();
}

CVariant::CVariant(CVariant&& o) noexcept : m_vt(o.m_vt) {
    m_d = o.m_d;
    o.m_vt = varEmpty;
}

CVariant& CVariant::operator=(CVariant o) noexcept {
    std::swap(m_vt, o.m_vt);
    std::swap(m_d, o.m_d);
    return *this;
}

CVariant::~CVariant() {
    if (HoldsRef()) m_p->Release();
}

CVariant CVariant::I4(long n) {
    CVariant v;
    v.m_vt = varI4;
    v.m_l = static_cast<std::int32_t>(n);
    return v;
}

CVariant CVariant::R8(double d) {
    CVariant v;
    v.m_vt = varR8;
    v.m_d = d;
    return v;
}

CVariant CVariant::Date(double d) {
    CVariant v;
    v.m_vt = varDate;
    v.m_d = d;
    return v;
}

CVariant CVariant::Bool(bool b) {
    CVariant v;
    v.m_vt = varBool;
    v.m_l = b ? -1 : 0;
    return v;
}

CVariant CVariant::Error(long code) {
    CVariant v;
    v.m_vt = varError;
    v.m_l = static_cast<std::int32_t>(code);
    return v;
}

CVariant CVariant::Null() {
    CVariant v;
    v.m_vt = varNull;
    return v;
}

CVariant CVariant::Text(std::u16string text) { return Holding(varBstr, new CSharedText(std::move(text))); }

CVariant CVariant::Text(const CRef<CSharedText>& text) { return Holding(varBstr, text.Get()); }

CVariant CVariant::Dispatch(CRef<CDispatchObject> object) { return Holding(varDispatch, object.Get()); }

CVariant CVariant::Array(CRef<CVarArray> array) { return Holding(varArray, array.Get()); }

CVariant CVariant::Holding(VarType type, CRefObject* object) {
    CVariant v;
    if (!object) return v;
    v.m_p = object;
    v.m_p->AddRef();
    v.m_vt = type;
    return v;
}

const std::u16string& CVariant::TextValue() const {
    return m_vt == varBstr ? static_cast<CSharedText*>(m_p)->Text() : kNoText;
}

CDispatchObject* CVariant::DispatchValue() const {
    return m_vt == varDispatch ? static_cast<CDispatchObject*>(m_p) : nullptr;
}

CVarArray* CVariant::ArrayValue() const { return m_vt == varArray ? static_cast<CVarArray*>(m_p) : nullptr; }

void CVarArray::Resize(long rows, long columns) {
    if (rows < 0) rows = 0;
    if (columns < 0) columns = 0;
    if (columns == m_nColumns) {
        m_cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    } else {
        std::vector<CVariant> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
        for (long r = 0; r < std::min(rows, m_nRows); ++r)
            for (long c = 0; c < std::min(columns, m_nColumns); ++c)
                cells[static_cast<std::size_t>(r * columns + c)] =
                    std::move(m_cells[static_cast<std::size_t>(r * m_nColumns + c)]);
        m_cells = std::move(cells);
    }
    m_nRows = rows;
    m_nColumns = columns;
}

}  // namespace vemra
