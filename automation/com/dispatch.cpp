// IDispatch over a member table: names without regard to case, DISPIDs by position, values
// converted with the system's variant conversion, member errors as automation exceptions.
#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <new>
#include <vector>

#include "automation/auto_object.h"
#include "automation/com/com_server.h"
#include "platform/com.h"
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
    CComVariant plain, converted;
    // Scripts pass variables by reference; the system takes the source as non-const only.
    if (FAILED(VariantCopyInd(plain.Ptr(), const_cast<VARIANT*>(&in)))) return DISP_E_TYPEMISMATCH;
    if (FAILED(VariantChangeType(converted.Ptr(), plain.Ptr(), 0, VarTypeOf(type)))) return DISP_E_TYPEMISMATCH;
    const VARIANT& v = converted.Get();
    switch (type) {
    case AutoType::i4: out = CAutoVariant::Int(v.lVal); break;
    case AutoType::boolean: out = CAutoVariant::Bool(v.boolVal != VARIANT_FALSE); break;
    case AutoType::date: out = CAutoVariant::Date(v.date); break;
    case AutoType::text: out = CAutoVariant::Text(TextOf(v.bstrVal)); break;
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

// A member's own error (104, 113): the number Visual Basic, VBScript and Office macros show.
HRESULT RaiseMemberError(EXCEPINFO* info, const CAutoException& e) {
    return RaiseCode(info, static_cast<WORD>(e.code), e.description, kProgId);
}

HRESULT RaiseSetNotSupported(EXCEPINFO* info) {
    return Raise(info, kSetNotSupported, LoadResString(IDS_SET_NOT_SUPPORTED), kProgId);
}

class CDispatch final : public CDispatchBase {
public:
    explicit CDispatch(std::shared_ptr<CAutoObject> object) : m_object(std::move(object)) {
        m_object->m_pPeer = this;
        LockServer();
    }
    ~CDispatch() override {
        m_object->m_pPeer = nullptr;
        UnlockServer();
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            // Only the member's name can be known: no member has named parameters.
            const int id = i == 0 && names[0] ? m_object->FindMember(TextOf(names[0], wcslen(names[0]))) : 0;
            ids[i] = id > 0 ? id : DISPID_UNKNOWN;
            if (id <= 0) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

private:
    const IID* OwnIid() const override {
        for (const auto& c : kClassIids)
            if (std::strcmp(c.className, m_object->ClassName()) == 0) return &c.iid;
        return nullptr;
    }

    bool HasMember(DISPID id) const override {
        return id >= 1 && static_cast<std::size_t>(id) <= m_object->Members().size();
    }

    HRESULT Call(const DispatchCall& call, VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        const CAutoMember& member = m_object->Members()[static_cast<std::size_t>(call.id) - 1];
        if (call.put && member.kind == AutoKind::method) return DISP_E_MEMBERNOTFOUND;
        if (call.put && !member.put) return RaiseSetNotSupported(exception);
        const AutoType argType = call.put ? member.type : member.param;
        if (call.args.size() != (argType == AutoType::none ? 0u : 1u)) return DISP_E_BADPARAMCOUNT;

        CAutoVariant value;
        try {
            std::vector<CAutoVariant> args(call.args.size());
            if (call.args.size() == 1) {
                const HRESULT hr = FromVariant(*call.args[0], argType, args[0]);
                if (FAILED(hr)) {
                    if (argError) *argError = 0;
                    return hr;
                }
            }
            const AutoCall how = call.put ? AutoCall::put : (call.flags & DISPATCH_METHOD) ? AutoCall::method : AutoCall::get;
            switch (InvokeMember(*m_object, call.id, how, args, value)) {
            case AutoStatus::ok: break;
            case AutoStatus::unknownMember: return DISP_E_MEMBERNOTFOUND;
            case AutoStatus::readOnly: return RaiseSetNotSupported(exception);
            case AutoStatus::badParamCount: return DISP_E_BADPARAMCOUNT;
            }
        } catch (const CAutoException& e) {
            return RaiseMemberError(exception, e);
        }
        if (!result) return S_OK;
        return ToVariant(value, result);
    }

    std::shared_ptr<CAutoObject> m_object;
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
