#include "platform/com.h"

#include <cstring>
#include <new>

#include "platform/codepage.h"

namespace vemra::com {

CBstr::CBstr(std::string_view systemText) : CBstr(std::u16string_view(SystemTextToUtf16(systemText))) {}

CBstr::CBstr(std::u16string_view text)
    : m_b(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}

std::u16string Utf16Of(const OLECHAR* text, std::size_t length) {
    if (!text) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

std::u16string Utf16Of(BSTR text) { return Utf16Of(text, text ? SysStringLen(text) : 0); }

std::string TextOf(const OLECHAR* text, std::size_t length) {
    if (!text) return {};
    return Utf16ToSystemText(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string TextOf(BSTR text) { return TextOf(text, text ? SysStringLen(text) : 0); }

HRESULT Raise(EXCEPINFO* info, HRESULT scode, std::string_view description, const char* source) {
    if (info) {
        std::memset(info, 0, sizeof(*info));
        info->scode = scode;
        if (source) info->bstrSource = CBstr(std::string_view(source)).Detach();
        info->bstrDescription = CBstr(description).Detach();
    }
    return DISP_E_EXCEPTION;
}

HRESULT RaiseCode(EXCEPINFO* info, WORD code, std::string_view description, const char* source) {
    const HRESULT result = Raise(info, 0, description, source);
    if (info) info->wCode = code;
    return result;
}

HRESULT STDMETHODCALLTYPE CDispatchBase::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    const IID* const answered[] = {&IID_IUnknown, &IID_IDispatch, OwnIid()};
    for (const IID* iid : answered) {
        if (iid && IsEqualIID(riid, *iid)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDispatchBase::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE CDispatchBase::Release() {
    const LONG left = InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CDispatchBase::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDispatchBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE CDispatchBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CDispatchBase::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* info, UINT* argError) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!HasMember(id)) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    DispatchCall call;
    call.id = id;
    call.flags = flags;
    call.put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (!call.put && !(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    // A put names its value DISPID_PROPERTYPUT; nothing else may be named.
    const UINT named = params->cNamedArgs;
    if (call.put ? named > 1 || (named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) : named > 0)
        return DISP_E_NONAMEDARGS;
    try {
        // The arguments come last first; the named value is the first of them.
        for (UINT i = params->cArgs; i > named; --i) call.args.push_back(&params->rgvarg[i - 1]);
        if (named == 1) call.args.push_back(&params->rgvarg[0]);
        return Call(call, result, info, argError);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;   // nothing may cross the COM boundary
    }
}

}  // namespace vemra::com
