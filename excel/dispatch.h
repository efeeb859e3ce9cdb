#pragma once
// Late-bound automation as the workbook row file uses it: variants, two-dimensional arrays of
// variants and objects called by dispatch identifier. Microsoft Excel (through IDispatch) and
// the built-in workbook engine both stand behind CDispatchObject, so the row file never knows
// which one it drives.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vemra {

// Reference counting shared by texts, arrays and objects held in variants.
class CRefObject {
public:
    CRefObject() = default;
    CRefObject(const CRefObject&) = delete;
    CRefObject& operator=(const CRefObject&) = delete;
    virtual ~CRefObject() = default;
    void AddRef() { ++m_nRefs; }
    void Release() {
        if (--m_nRefs == 0) delete this;
    }

private:
    long m_nRefs = 0;
};

template <class T>
class CRef {
public:
    CRef() = default;
    CRef(T* p) : m_p(p) {   // NOLINT: taking ownership of a new object reads naturally
        if (m_p) m_p->AddRef();
    }
    CRef(const CRef& o) : CRef(o.m_p) {}
    CRef(CRef&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U>
    CRef(const CRef<U>& o) : CRef(o.Get()) {}
    CRef& operator=(CRef o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~CRef() {
        if (m_p) m_p->Release();
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

template <class T, class... Args>
CRef<T> MakeRef(Args&&... args) {
    return CRef<T>(new T(std::forward<Args>(args)...));
}

// Variant types, with the numbers the automation VARTYPE gives them.
enum VarType : unsigned short {
    varEmpty = 0, varNull = 1, varI4 = 3, varR8 = 5, varDate = 7, varBstr = 8, varDispatch = 9,
    varError = 10, varBool = 11, varArray = 0x200C   // a two-dimensional array of variants
};

class CDispatchObject;
class CVarArray;

// A text that many variants can hold at once (the cells of a used range share their texts).
class CSharedText : public CRefObject {
public:
    explicit CSharedText(std::u16string text) : m_text(std::move(text)) {}
    const std::u16string& Text() const { return m_text; }

private:
    std::u16string m_text;
};

// A variant: 16 bytes, so that a used range of a large workbook fits in memory as an array.
class CVariant {
public:
    CVariant() { m_l = 0; }
    CVariant(const CVariant& o);
    CVariant(CVariant&& o) noexcept;
    CVariant& operator=(CVariant o) noexcept;
    ~CVariant();

    static CVariant I4(long n);
    static CVariant R8(double d);
    static CVariant Date(double d);   // an OLE date: days since 1899-12-30, time as fraction
    static CVariant Bool(bool b);
    static CVariant Error(long code);
    static CVariant Null();
    static CVariant Text(std::u16string text);
    static CVariant Text(const CRef<CSharedText>& text);
    static CVariant Dispatch(CRef<CDispatchObject> object);
    static CVariant Array(CRef<CVarArray> array);

    VarType Type() const { return m_vt; }
    bool IsEmpty() const { return m_vt == varEmpty; }
    long I4Value() const { return m_l; }
    double Number() const { return m_d; }   // varR8 and varDate
    bool BoolValue() const { return m_l != 0; }
    long ErrorValue() const { return m_l; }
    const std::u16string& TextValue() const;  // the empty text for other types
    CDispatchObject* DispatchValue() const;    // null for other types
    CVarArray* ArrayValue() const;             // null for other types

private:
    VarType m_vt = varEmpty;
    union {
        std::int32_t m_l;
        double m_d;
        CRefObject* m_p;
    };
    static CVariant Holding(VarType type, CRefObject* object);
    bool HoldsRef() const { return m_vt == varBstr || m_vt == varDispatch || m_vt == varArray; }
};

// A two-dimensional array of variants, rows and columns counted from 1.
class CVarArray : public CRefObject {
public:
    CVarArray(long rows, long columns) { Resize(rows, columns); }
    long Rows() const { return m_nRows; }
    long Columns() const { return m_nColumns; }
    CVariant& At(long row, long column) {
        return m_cells[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(m_nColumns) +
                       static_cast<std::size_t>(column - 1)];
    }
    const CVariant& At(long row, long column) const { return const_cast<CVarArray*>(this)->At(row, column); }
    // New bounds, keeping the values that stay inside them.
    void Resize(long rows, long columns);

private:
    long m_nRows = 0;
    long m_nColumns = 0;
    std::vector<CVariant> m_cells;
};

enum class InvokeKind { method, propertyGet, propertyPut };

// An object that answers calls by dispatch identifier. Arguments are positional, first
// argument first; a property put passes the new value as the last argument. A failed call
// gives false and the reason in error.
class CDispatchObject : public CRefObject {
public:
    virtual bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                        std::string& error) = 0;
};

}  // namespace vemra
