// Windows: workbooks through OLE automation. Microsoft Excel is created from its ProgID and
// called through IDispatch by dispatch identifier; the built-in engine is wrapped as an
// IDispatch object of its own, so that it receives exactly the calls Excel would.

#include <windows.h>
#include <oleauto.h>

#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "platform/com.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {

using com::CBstr;
using com::CComPtr;
using com::CComVariant;

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
        out.bstrVal = CBstr(std::u16string_view(in.TextValue())).Detach();
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
                ToVariant(a.At(r, c), cell.Get());
                LONG index[2] = {r, c};
                SafeArrayPutElement(sa, index, cell.Ptr());
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
    explicit COleObject(CComPtr<IDispatch> dispatch) : m_dispatch(std::move(dispatch)) {}
    IDispatch* Dispatch() const { return m_dispatch.Get(); }

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
        const HRESULT hr = m_dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out.Ptr(), &info, &argError);
        for (VARIANT& v : vars) VariantClear(&v);
        if (FAILED(hr)) {
            if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
            // The texts are ours now, freed with these.
            const CBstr source = CBstr::Adopt(info.bstrSource), description = CBstr::Adopt(info.bstrDescription),
                       helpFile = CBstr::Adopt(info.bstrHelpFile);
            if (hr == DISP_E_EXCEPTION && description.Valid() && *description.Get())
                error = com::TextOf(description.Get());
            else
                error = FormatText(LoadResString(IDS_EXCEL_CALL_FAILED).c_str(), static_cast<unsigned>(hr));
            return false;
        }
        result = FromVariant(out.Get());
        return true;
    }

private:
    CComPtr<IDispatch> m_dispatch;
};

CVariant FromVariant(const VARIANT& in) {
    CComVariant held;
    if (FAILED(VariantCopyInd(held.Ptr(), const_cast<VARIANT*>(&in)))) return {};
    const VARIANT& v = held.Get();
    switch (v.vt) {
    case VT_EMPTY: return {};
    case VT_NULL: return CVariant::Null();
    case VT_BSTR: return CVariant::Text(com::Utf16Of(v.bstrVal));
    case VT_DATE: return CVariant::Date(v.date);
    case VT_BOOL: return CVariant::Bool(v.boolVal != VARIANT_FALSE);
    case VT_ERROR: return CVariant::Error(v.scode);
    case VT_DISPATCH:
        if (!v.pdispVal) return {};
        return CVariant::Dispatch(MakeRef<COleObject>(CComPtr<IDispatch>::Share(v.pdispVal)));
    case VT_I4: return CVariant::I4(v.lVal);
    case VT_ARRAY | VT_VARIANT: {
        SAFEARRAY* sa = v.parray;
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
                if (SUCCEEDED(SafeArrayGetElement(sa, index, cell.Ptr()))) array->At(r - r0 + 1, c - c0 + 1) = FromVariant(cell.Get());
            }
        return CVariant::Array(array);
    }
    default: {
        // Other numbers (short integers, currency, decimals) as doubles.
        CComVariant number;
        if (SUCCEEDED(VariantChangeType(number.Ptr(), held.Ptr(), 0, VT_R8))) return CVariant::R8(number.Get().dblVal);
        return {};
    }
    }
}

// The built-in engine's objects as IDispatch objects: by dispatch identifier only.
class CEngineDispatch final : public com::CDispatchBase {
public:
    explicit CEngineDispatch(CRef<CDispatchObject> inner) : m_inner(std::move(inner)) {}

private:
    HRESULT Call(const com::DispatchCall& call, VARIANT* result, EXCEPINFO* info, UINT*) override {
        std::vector<CVariant> args;
        for (const VARIANT* arg : call.args) args.push_back(FromVariant(*arg));
        const InvokeKind kind = call.put                                ? InvokeKind::propertyPut
                                : (call.flags & DISPATCH_PROPERTYGET) ? InvokeKind::propertyGet
                                                                      : InvokeKind::method;
        CVariant out;
        std::string error;
        if (!m_inner->Invoke(call.id, kind, args, out, error)) return com::Raise(info, DISP_E_EXCEPTION, error);
        if (result) ToVariant(out, *result);
        return S_OK;
    }

    CRef<CDispatchObject> m_inner;
};

IDispatch* ToIDispatch(CDispatchObject* object) {
    if (!object) return nullptr;
    if (auto* ole = dynamic_cast<COleObject*>(object)) return CComPtr<IDispatch>::Share(ole->Dispatch()).Detach();
    return new CEngineDispatch(CRef<CDispatchObject>(object));
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
    CComPtr<IDispatch> excel;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(excel.Receive()))) ||
        !excel)
        return {};
    return MakeRef<COleObject>(std::move(excel));
}

CRef<CDispatchObject> CreateBuiltinExcel() {
    // The engine behind a real IDispatch: every call crosses VARIANTs and safe arrays as with Excel.
    return MakeRef<COleObject>(CComPtr<IDispatch>::Adopt(ToIDispatch(CreateWorkbookEngine().Get())));
}

}  // namespace vemra
