// IDispatch over a member table: names without regard to case, DISPIDs by position, values
// converted with the system's variant conversion, member errors as automation exceptions.
#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <new>
#include <vector>

#include "automation/auto_object.h"
#include "automation/com/com_server.h"
#include "platform/string_table.h"
#include "res/string_ids.h"

namespace vemra::com {

namespace {

// One interface identifier per class, each answered with the class's IDispatch.
struct ClassIid {
    const char* className;
    GUID iid;
};
constexpr ClassIid kClassIids[] = {
    {"Application", {0xa73d64c0, 0xea9c, 0x44e0, {0x87, 0xe4, 0x16, 0xfd, 0x99, 0x56, 0x97, 0xf6}}},
    {"Users", {0x977ffbe2, 0x14fb, 0x4f93, {0xbd, 0x30, 0x80, 0x4a, 0x2a, 0xf0, 0x1a, 0x9e}}},
    {"User", {0x16119ab6, 0x0a8e, 0x4608, {0xad, 0xa7, 0x8d, 0xd8, 0x7d, 0xfc, 0xe2, 0xce}}},
    {"Datebook", {0x550b0398, 0x4cdb, 0x4a7c, {0x9a, 0x48, 0xb2, 0x63, 0xb0, 0x85, 0x0e, 0xd6}}},
    {"DatebookEntries", {0xddd77c7a, 0xb52a, 0x481e, {0xbe, 0xd4, 0xe4, 0x5d, 0xe8, 0x90, 0x7a, 0x91}}},
    {"DatebookEntry", {0xdfd51e4b, 0x8737, 0x47f0, {0xab, 0x5d, 0xb5, 0x6d, 0xfd, 0xa3, 0xee, 0xb6}}},
    {"RepeatExceptions", {0x94051057, 0x8f6e, 0x45f5, {0x94, 0x90, 0x06, 0xdf, 0x9e, 0x20, 0x59, 0x30}}},
};

// MFC's code for writing a property that has no setter (VB error 383).
constexpr HRESULT kSetNotSupported = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 383);

class CBstr {
public:
    explicit CBstr(const std::string& text) {
        const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        m_bstr = SysAllocStringLen(nullptr, static_cast<UINT>(n));
        if (m_bstr && n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), m_bstr, n);
    }
    ~CBstr() { SysFreeString(m_bstr); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR Detach() {
        BSTR b = m_bstr;
        m_bstr = nullptr;
        return b;
    }
    bool Valid() const { return m_bstr != nullptr; }

private:
    BSTR m_bstr = nullptr;
};

class CVariant {
public:
    CVariant() { VariantInit(&m_v); }
    ~CVariant() { VariantClear(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT* operator&() { return &m_v; }
    const VARIANT& operator*() const { return m_v; }

private:
    VARIANT m_v;
};

std::string Narrow(const wchar_t* text, UINT length) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

VARTYPE VarTypeOf(AutoType type) {
    switch (type) {
    case AutoType::i4: return VT_I4;
    case AutoType::boolean: return VT_BOOL;
    case AutoType::date: return VT_DATE;
    case AutoType::text: return VT_BSTR;
    case AutoType::object: return VT_DISPATCH;
    case AutoType::none: break;
    }
    return VT_EMPTY;
}

// What a script passed, as the member's type (strings, doubles and dates are converted the
// way the script hosts expect); DISP_E_TYPEMISMATCH when it cannot be.
HRESULT FromVariant(const VARIANT& in, AutoType type, CAutoVariant& out) {
    if (in.vt == VT_ERROR && in.scode == DISP_E_PARAMNOTFOUND) return DISP_E_PARAMNOTOPTIONAL;
    CVariant plain, converted;
    // Scripts pass variables by reference; the system takes the source as non-const only.
    if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(&in)))) return DISP_E_TYPEMISMATCH;
    if (FAILED(VariantChangeType(&converted, &plain, 0, VarTypeOf(type)))) return DISP_E_TYPEMISMATCH;
    const VARIANT& v = *converted;
    switch (type) {
    case AutoType::i4: out = CAutoVariant::Int(v.lVal); break;
    case AutoType::boolean: out = CAutoVariant::Bool(v.boolVal != VARIANT_FALSE); break;
    case AutoType::date: out = CAutoVariant::Date(v.date); break;
    case AutoType::text: out = CAutoVariant::Text(v.bstrVal ? Narrow(v.bstrVal, SysStringLen(v.bstrVal)) : ""); break;
    default: return DISP_E_TYPEMISMATCH;   // no member takes an object
    }
    return S_OK;
}

HRESULT ToVariant(const CAutoVariant& in, VARIANT* out) {
    VariantInit(out);
    switch (in.type) {
    case AutoType::none: break;
    case AutoType::i4: out->vt = VT_I4; out->lVal = in.n; break;
    case AutoType::boolean: out->vt = VT_BOOL; out->boolVal = in.n ? VARIANT_TRUE : VARIANT_FALSE; break;
    case AutoType::date: out->vt = VT_DATE; out->date = in.date; break;
    case AutoType::text: {
        CBstr text(in.text);
        if (!text.Valid()) return E_OUTOFMEMORY;
        out->vt = VT_BSTR;
        out->bstrVal = text.Detach();
        break;
    }
    case AutoType::object:
        out->vt = VT_DISPATCH;
        out->pdispVal = DispatchOf(in.object);
        if (!out->pdispVal) return E_OUTOFMEMORY;
        break;
    }
    return S_OK;
}

HRESULT Raise(EXCEPINFO* info, HRESULT scode, const std::string& description) {
    if (info) {
        std::memset(info, 0, sizeof(*info));
        info->scode = scode;
        info->bstrSource = CBstr(kProgId).Detach();
        info->bstrDescription = CBstr(description).Detach();
    }
    return DISP_E_EXCEPTION;
}

// A member's own error (104, 113) as vbObjectError + code: in wCode alone some script hosts
// drop the number and keep only the description.
HRESULT Raise(EXCEPINFO* info, const CAutoException& e) {
    return Raise(info, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, e.code & 0xFFFF), e.description);
}

class CDispatch final : public IDispatch {
public:
    explicit CDispatch(std::shared_ptr<CAutoObject> object) : m_object(std::move(object)) {
        m_object->m_pPeer = this;
        LockServer();
    }
    ~CDispatch() {
        m_object->m_pPeer = nullptr;
        UnlockServer();
    }
    CDispatch(const CDispatch&) = delete;
    CDispatch& operator=(const CDispatch&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, OwnIid())) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    // No type information: every member is reached by name.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            // Only the member's name can be known: no member has named parameters.
            const int id = i == 0 && names[0] ? m_object->FindMember(Narrow(names[0], static_cast<UINT>(wcslen(names[0])))) : 0;
            ids[i] = id > 0 ? id : DISPID_UNKNOWN;
            if (id <= 0) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const auto members = m_object->Members();
        if (id < 1 || static_cast<std::size_t>(id) > members.size()) return DISP_E_MEMBERNOTFOUND;
        const CAutoMember& member = members[static_cast<std::size_t>(id) - 1];
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        if (!params) params = &none;

        const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        if (!put && !(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        // A put names its value DISPID_PROPERTYPUT; nothing else may be named.
        const UINT named = params->cNamedArgs;
        if (put ? named > 1 || (named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) : named > 0)
            return DISP_E_NONAMEDARGS;
        if (put && member.kind == AutoKind::method) return DISP_E_MEMBERNOTFOUND;
        if (put && !member.put) return Raise(exception, kSetNotSupported, LoadResString(IDS_SET_NOT_SUPPORTED));
        const AutoType argType = put ? member.type : member.param;
        if (params->cArgs != (argType == AutoType::none ? 0u : 1u)) return DISP_E_BADPARAMCOUNT;

        CAutoVariant value;
        try {
            std::vector<CAutoVariant> args(params->cArgs);
            if (params->cArgs == 1) {
                const HRESULT hr = FromVariant(params->rgvarg[0], argType, args[0]);
                if (FAILED(hr)) {
                    if (argError) *argError = 0;
                    return hr;
                }
            }
            const AutoCall call = put ? AutoCall::put : (flags & DISPATCH_METHOD) ? AutoCall::method : AutoCall::get;
            switch (InvokeMember(*m_object, id, call, args, value)) {
            case AutoStatus::ok: break;
            case AutoStatus::unknownMember: return DISP_E_MEMBERNOTFOUND;
            case AutoStatus::readOnly: return Raise(exception, kSetNotSupported, LoadResString(IDS_SET_NOT_SUPPORTED));
            case AutoStatus::badParamCount: return DISP_E_BADPARAMCOUNT;
            }
        } catch (const CAutoException& e) {
            return Raise(exception, e);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;   // nothing may cross the COM boundary
        }
        if (!result) return S_OK;
        return ToVariant(value, result);
    }

private:
    const GUID& OwnIid() const {
        for (const auto& c : kClassIids)
            if (std::strcmp(c.className, m_object->ClassName()) == 0) return c.iid;
        return IID_IDispatch;
    }

    std::shared_ptr<CAutoObject> m_object;
    ULONG m_refs = 1;
};

}  // namespace

IDispatch* DispatchOf(const std::shared_ptr<CAutoObject>& object) {
    if (!object) return nullptr;
    if (object->m_pPeer) {
        auto* existing = static_cast<CDispatch*>(object->m_pPeer);
        existing->AddRef();
        return existing;
    }
    return new (std::nothrow) CDispatch(object);
}

}  // namespace vemra::com
