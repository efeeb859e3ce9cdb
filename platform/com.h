#pragma once
// COM for the Windows-only code: owning interface pointers, BSTR and VARIANT holders, one base
// for the IDispatch objects of ours, and the filling of EXCEPINFO. Texts cross into and out of
// BSTRs through the code-page layer.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vemra::com {

// An interface pointer holding one reference.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    // Takes over a reference the caller holds.
    static CComPtr Adopt(T* p) {
        CComPtr c;
        c.m_p = p;
        return c;
    }
    // Takes a reference of its own.
    static CComPtr Share(T* p) {
        if (p) p->AddRef();
        return Adopt(p);
    }
    CComPtr(const CComPtr& o) : m_p(o.m_p) {
        if (m_p) m_p->AddRef();
    }
    CComPtr(CComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    CComPtr& operator=(CComPtr o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~CComPtr() {
        if (m_p) m_p->Release();
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // The reference goes to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }
    // For an out parameter: drops what it held.
    T** Receive() {
        *this = CComPtr();
        return &m_p;
    }

private:
    T* m_p = nullptr;
};

// A BSTR that frees itself.
class CBstr {
public:
    CBstr() = default;
    explicit CBstr(std::string_view systemText);
    explicit CBstr(std::u16string_view text);
    static CBstr Adopt(BSTR b) {
        CBstr s;
        s.m_b = b;
        return s;
    }
    CBstr(CBstr&& o) noexcept : m_b(std::exchange(o.m_b, nullptr)) {}
    CBstr& operator=(CBstr&& o) noexcept {
        std::swap(m_b, o.m_b);
        return *this;
    }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    ~CBstr() { SysFreeString(m_b); }

    BSTR Get() const { return m_b; }
    BSTR Detach() { return std::exchange(m_b, nullptr); }
    bool Valid() const { return m_b != nullptr; }

private:
    BSTR m_b = nullptr;
};

// A wide text (a BSTR, a name) as UTF-16 or as system text; null gives the empty text.
std::u16string Utf16Of(const OLECHAR* text, std::size_t length);
std::u16string Utf16Of(BSTR text);
std::string TextOf(const OLECHAR* text, std::size_t length);
std::string TextOf(BSTR text);

// A VARIANT that clears itself.
class CComVariant {
public:
    CComVariant() { VariantInit(&m_v); }
    ~CComVariant() { VariantClear(&m_v); }
    CComVariant(const CComVariant&) = delete;
    CComVariant& operator=(const CComVariant&) = delete;
    VARIANT& Get() { return m_v; }
    const VARIANT& Get() const { return m_v; }
    VARIANT* Ptr() { return &m_v; }

private:
    VARIANT m_v;
};

// Fills info, when there is one, for an automation error: scode, the description and the source
// when given, the rest zero. Returns DISP_E_EXCEPTION, for Invoke to return.
HRESULT Raise(EXCEPINFO* info, HRESULT scode, std::string_view description, const char* source = nullptr);
// The same for an error number of the object's own (what Basic clients show as Err.Number):
// wCode holds it and scode stays 0, as OLE Automation has it.
HRESULT RaiseCode(EXCEPINFO* info, WORD code, std::string_view description, const char* source = nullptr);

// An IDispatch::Invoke as the object sees it, after the checks of its shape: arguments in their
// order, first first, a property put's new value last.
struct DispatchCall {
    DISPID id = 0;
    WORD flags = 0;
    bool put = false;   // DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF
    std::vector<const VARIANT*> args;
};

// The base of every IDispatch object of ours. References: a new object holds one, its creator's;
// the last Release deletes it. QueryInterface answers IUnknown, IDispatch and the class's own
// interface identifier. No type information: members are reached by DISPID, or by name where
// the class answers GetIDsOfNames.
class CDispatchBase : public IDispatch {
public:
    CDispatchBase(const CDispatchBase&) = delete;
    CDispatchBase& operator=(const CDispatchBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) final;
    ULONG STDMETHODCALLTYPE AddRef() final;
    ULONG STDMETHODCALLTYPE Release() final;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) final;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) final;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    // Checks the call's shape (IID_NULL, flags, only a put's value named), then hands it to Call.
    // Nothing thrown crosses it.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) final;

protected:
    CDispatchBase() = default;
    virtual ~CDispatchBase() = default;

    virtual const IID* OwnIid() const { return nullptr; }
    // False: Invoke answers DISP_E_MEMBERNOTFOUND before it looks at the call.
    virtual bool HasMember(DISPID) const { return true; }
    // The member's work; result may be null.
    virtual HRESULT Call(const DispatchCall& call, VARIANT* result, EXCEPINFO* info, UINT* argError) = 0;

private:
    LONG m_refs = 1;
};

}  // namespace vemra::com
