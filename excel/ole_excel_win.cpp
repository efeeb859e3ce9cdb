// Windows: workbooks through OLE automation. Microsoft Excel is created from its ProgID and
// called through IDispatch by dispatch identifier; the built-in engine is wrapped as an
// IDispatch object of its own, so that it receives exactly the calls Excel would.

#include <windows.h>
#include <oleauto.h>

#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "platform/codepage.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {

// A VARIANT that clears itself.
struct CComVariant {
    VARIANT v;
    CComVariant() { VariantInit(&v); }
    ~CComVariant() { VariantClear(&v); }
    CComVariant(const CComVariant&) = delete;
    CComVariant& operator=(const CComVariant&) = delete;
};

IDispatch* ToIDispatch(CDispatchObject* object);
CVariant FromVariant(const VARIANT& in);

// Our variant as an automation VARIANT (owned by the caller, cleared with VariantClear).
void ToVariant(const CVariant& in, VARIANT& out) {
    VariantInit(&out);
    switch (in.Type()) {
    case varNull: out.vt = VT_NULL; break;
    case varI4: out.vt = VT_I4; out.lVal = in.I4Value(); break;
    case varR8: out.vt = VT_R8; out.dblVal = in.Number(); break;
    case varDate: out.vt = VT_DATE; out.date = in.Number(); break;
    case varBool: out.vt = VT_BOOL; out.boolVal = in.BoolValue() ? VARIANT_TRUE : VARIANT_FALSE; break;
    case varError: out.vt = VT_ERROR; out.scode = in.ErrorValue(); break;
    case varBstr:
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(in.TextValue().data()),
                                        static_cast<UINT>(in.TextValue().size()));
        break;
    case varDispatch:
        out.vt = VT_DISPATCH;
        out.pdispVal = ToIDispatch(in.DispatchValue());
        break;
    case varArray: {
        const CVarArray& a = *in.ArrayValue();
        SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(a.Rows()), 1}, {static_cast<ULONG>(a.Columns()), 1}};
        SAFEARRAY* sa = SafeArrayCreate(VT_VARIANT, 2, bounds);
        if (!sa) break;
        for (long r = 1; r <= a.Rows(); ++r)
            for (long c = 1; c <= a.Columns(); ++c) {
                if (a.At(r, c).IsEmpty()) continue;
                CComVariant cell;
                ToVariant(a.At(r, c), cell.v);
                LONG index[2] = {r, c};
                SafeArrayPutElement(sa, index, &cell.v);
            }
        out.vt = VT_ARRAY | VT_VARIANT;
        out.parray = sa;
        break;
    }
    case varEmpty: break;
    }
}

// An IDispatch of someone else's (Excel's): our calls become IDispatch::Invoke.
class COleObject : public CDispatchObject {
public:
    explicit COleObject(IDispatch* dispatch) : m_dispatch(dispatch) { m_dispatch->AddRef(); }
    ~COleObject() override { m_dispatch->Release(); }
    IDispatch* Dispatch() const { return m_dispatch; }

    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        // Arguments go in reverse order; a property put names its value DISPID_PROPERTYPUT.
        std::vector<VARIANT> vars(args.size());
        for (std::size_t i = 0; i < args.size(); ++i) ToVariant(args[i], vars[args.size() - 1 - i]);
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS params{vars.data(), nullptr, static_cast<UINT>(vars.size()), 0};
        WORD flags = DISPATCH_METHOD;
        if (kind == InvokeKind::propertyGet) flags = DISPATCH_PROPERTYGET;
        if (kind == InvokeKind::propertyPut) {
            flags = DISPATCH_PROPERTYPUT;
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
        CComVariant out;
        EXCEPINFO info{};
        UINT argError = 0;
        const HRESULT hr = m_dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &out.v, &info, &argError);
        for (VARIANT& v : vars) VariantClear(&v);
        if (FAILED(hr)) {
            if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
            if (hr == DISP_E_EXCEPTION && info.bstrDescription && *info.bstrDescription)
                error = Utf16ToSystemText(std::u16string_view(reinterpret_cast<const char16_t*>(info.bstrDescription),
                                                              SysStringLen(info.bstrDescription)));
            else
                error = FormatText(LoadResString(IDS_EXCEL_CALL_FAILED).c_str(), static_cast<unsigned>(hr));
            SysFreeString(info.bstrSource);
            SysFreeString(info.bstrDescription);
            SysFreeString(info.bstrHelpFile);
            return false;
        }
        result = FromVariant(out.v);
        return true;
    }

private:
    IDispatch* m_dispatch;
};

CVariant FromVariant(const VARIANT& in) {
    CComVariant v;
    if (FAILED(VariantCopyInd(&v.v, const_cast<VARIANT*>(&in)))) return {};
    switch (v.v.vt) {
    case VT_EMPTY: return {};
    case VT_NULL: return CVariant::Null();
    case VT_BSTR:
        return CVariant::Text(std::u16string(reinterpret_cast<const char16_t*>(v.v.bstrVal), SysStringLen(v.v.bstrVal)));
    case VT_DATE: return CVariant::Date(v.v.date);
    case VT_BOOL: return CVariant::Bool(v.v.boolVal != VARIANT_FALSE);
    case VT_ERROR: return CVariant::Error(v.v.scode);
    case VT_DISPATCH:
        if (!v.v.pdispVal) return {};
        return CVariant::Dispatch(MakeRef<COleObject>(v.v.pdispVal));
    case VT_I4: return CVariant::I4(v.v.lVal);
    case VT_ARRAY | VT_VARIANT: {
        SAFEARRAY* sa = v.v.parray;
        LONG r0 = 1, r1 = 0, c0 = 1, c1 = 0;
        if (!sa || SafeArrayGetDim(sa) != 2 || FAILED(SafeArrayGetLBound(sa, 1, &r0)) ||
            FAILED(SafeArrayGetUBound(sa, 1, &r1)) || FAILED(SafeArrayGetLBound(sa, 2, &c0)) ||
            FAILED(SafeArrayGetUBound(sa, 2, &c1)))
            return {};
        auto array = MakeRef<CVarArray>(r1 - r0 + 1, c1 - c0 + 1);
        for (LONG r = r0; r <= r1; ++r)
            for (LONG c = c0; c <= c1; ++c) {
                CComVariant cell;
                LONG index[2] = {r, c};
                if (SUCCEEDED(SafeArrayGetElement(sa, index, &cell.v))) array->At(r - r0 + 1, c - c0 + 1) = FromVariant(cell.v);
            }
        return CVariant::Array(array);
    }
    default: {
        // Other numbers (short integers, currency, decimals) as doubles.
        CComVariant number;
        if (SUCCEEDED(VariantChangeType(&number.v, &v.v, 0, VT_R8))) return CVariant::R8(number.v.dblVal);
        return {};
    }
    }
}

// The built-in engine's objects as IDispatch objects: by dispatch identifier only.
class CEngineDispatch : public IDispatch {
public:
    explicit CEngineDispatch(CRef<CDispatchObject> inner) : m_inner(std::move(inner)) {}
    virtual ~CEngineDispatch() = default;
    CEngineDispatch(const CEngineDispatch&) = delete;
    CEngineDispatch& operator=(const CEngineDispatch&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_nRefs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_nRefs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        if (!params) return E_POINTER;
        const UINT named = params->cNamedArgs;
        if (named > 1 || (named == 1 && (!(flags & DISPATCH_PROPERTYPUT) || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
            return DISP_E_NONAMEDARGS;
        std::vector<CVariant> args;
        for (UINT i = params->cArgs; i > named; --i) args.push_back(FromVariant(params->rgvarg[i - 1]));
        if (named == 1) args.push_back(FromVariant(params->rgvarg[0]));
        const InvokeKind kind = (flags & DISPATCH_PROPERTYPUT)   ? InvokeKind::propertyPut
                                : (flags & DISPATCH_PROPERTYGET) ? InvokeKind::propertyGet
                                                                 : InvokeKind::method;
        CVariant out;
        std::string error;
        if (!m_inner->Invoke(dispid, kind, args, out, error)) {
            if (info) {
                *info = EXCEPINFO{};
                info->scode = DISP_E_EXCEPTION;
                const std::u16string text = SystemTextToUtf16(error);
                info->bstrDescription = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                                          static_cast<UINT>(text.size()));
            }
            return DISP_E_EXCEPTION;
        }
        if (result) ToVariant(out, *result);
        return S_OK;
    }

    CDispatchObject* Inner() const { return m_inner.Get(); }

private:
    CRef<CDispatchObject> m_inner;
    LONG m_nRefs = 0;
};

IDispatch* ToIDispatch(CDispatchObject* object) {
    if (!object) return nullptr;
    if (auto* ole = dynamic_cast<COleObject*>(object)) {
        ole->Dispatch()->AddRef();
        return ole->Dispatch();
    }
    IDispatch* dispatch = new CEngineDispatch(CRef<CDispatchObject>(object));
    dispatch->AddRef();
    return dispatch;
}

// Automation needs COM on this thread; the program has initialised it, a test may not have.
void EnsureCom() {
    static const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)initialised;
}

}  // namespace

CRef<CDispatchObject> CreateOfficeExcel() {
    EnsureCom();
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Excel.Application", &clsid))) return {};
    IDispatch* excel = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&excel))) ||
        !excel)
        return {};
    CRef<CDispatchObject> object = MakeRef<COleObject>(excel);
    excel->Release();
    return object;
}

CRef<CDispatchObject> CreateBuiltinExcel() {
    // The engine behind a real IDispatch: every call crosses VARIANTs and safe arrays as with Excel.
    IDispatch* engine = ToIDispatch(CreateWorkbookEngine().Get());
    CRef<CDispatchObject> object = MakeRef<COleObject>(engine);
    engine->Release();
    return object;
}

}  // namespace vemra
