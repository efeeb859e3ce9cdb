#pragma once
// A recording stand-in for the automation Application: every call, with its arguments, goes
// into a log before it reaches the built-in engine; a call can be made to fail on purpose.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "excel/dispatch.h"
#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "platform/codepage.h"
#include "platform/local_time.h"

#include <gtest/gtest.h>

namespace vemra::test {

struct CallLog {
    std::vector<std::string> lines;
    long failAt = -1;   // the index of the call to refuse
    long calls = 0;
    // The lines that contain the text.
    std::vector<std::string> With(const std::string& text) const {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.find(text) != std::string::npos) out.push_back(l);
        return out;
    }
};

inline std::string MemberName(long dispid) {
    switch (dispid) {
    case dispidDefault: return "Item";
    case dispidValue: return "Value";
    case dispidCount: return "Count";
    case dispidCells: return "Cells";
    case dispidAdd: return "Add";
    case dispidResize: return "Resize";
    case dispidRows: return "Rows";
    case dispidRowHeight: return "RowHeight";
    case dispidClose: return "Close";
    case dispidSave: return "Save";
    case dispidSaveAs: return "SaveAs";
    case dispidQuit: return "Quit";
    case dispidUsedRange: return "UsedRange";
    case dispidSheets: return "Sheets";
    case dispidWorkbooks: return "Workbooks";
    case dispidOpen: return "Open";
    default: return std::to_string(dispid);
    }
}

inline std::string ArgText(const CVariant& v) {
    char buf[64];
    switch (v.Type()) {
    case varEmpty: return "empty";
    case varNull: return "null";
    case varI4: return std::to_string(v.I4Value());
    case varR8: std::snprintf(buf, sizeof buf, "%g", v.Number()); return buf;
    case varDate: std::snprintf(buf, sizeof buf, "date:%g", v.Number()); return buf;
    case varBool: return v.BoolValue() ? "true" : "false";
    case varBstr: {
        const std::string t = Utf16ToSystemText(v.TextValue());
        if (t.size() > 24) return "'" + t.substr(0, 12) + "...(" + std::to_string(v.TextValue().size()) + ")'";
        return "'" + t + "'";
    }
    case varArray:
        return "[" + std::to_string(v.ArrayValue()->Rows()) + "x" + std::to_string(v.ArrayValue()->Columns()) + "]";
    default: return "?";
    }
}

class CRecorder : public CDispatchObject {
public:
    CRecorder(CRef<CDispatchObject> inner, std::string name, std::shared_ptr<CallLog> log)
        : m_inner(std::move(inner)), m_name(std::move(name)), m_log(std::move(log)) {}

    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        std::string call = MemberName(dispid);
        std::vector<CVariant> shown = args;
        std::string value;
        if (kind == InvokeKind::propertyPut && !shown.empty()) {
            value = "=" + ArgText(shown.back());
            shown.pop_back();
        }
        if (!shown.empty()) {
            call += "(";
            for (std::size_t i = 0; i < shown.size(); ++i) call += (i ? "," : "") + ArgText(shown[i]);
            call += ")";
        }
        m_log->lines.push_back(m_name + "." + call + value);
        if (m_log->calls++ == m_log->failAt) {
            error = "refused on purpose";
            return false;
        }
        if (!m_inner->Invoke(dispid, kind, args, result, error)) return false;
        if (CDispatchObject* object = result.DispatchValue())
            result = CVariant::Dispatch(MakeRef<CRecorder>(CRef<CDispatchObject>(object), call, m_log));
        return true;
    }

private:
    CRef<CDispatchObject> m_inner;
    std::string m_name;
    std::shared_ptr<CallLog> m_log;
};

inline CRef<CDispatchObject> RecordingEngine(std::shared_ptr<CallLog> log) {
    // On Windows the engine stands behind IDispatch, so the calls cross real VARIANTs.
    return MakeRef<CRecorder>(CreateBuiltinExcel(), "Application", std::move(log));
}

}  // namespace vemra::test
