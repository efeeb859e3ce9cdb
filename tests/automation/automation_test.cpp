#include "automation/automation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

#include "platform/process.h"
#include "settings/profile.h"
#include "tests/automation/automation_fixture.h"
#include "tests/record_text.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

// A member reached by name, as a script reaches it; call-shape faults fail the test.
CAutoVariant Call(CAutoObject& object, const char* name, AutoCall call, std::vector<CAutoVariant> args = {}) {
    CAutoVariant result;
    const AutoStatus status = InvokeMember(object, object.FindMember(name), call, args, result);
    EXPECT_EQ(status, AutoStatus::ok) << name;
    return result;
}
CAutoVariant Get(CAutoObject& o, const char* name) { return Call(o, name, AutoCall::get); }
CAutoVariant Item(CAutoObject& o, int32_t index) { return Call(o, "item", AutoCall::get, {CAutoVariant::Int(index)}); }
CAutoObject& Obj(const CAutoVariant& v) { return *v.object; }

// "" when the call went through, else "<code> <description>".
std::string Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const CAutoException& e) {
        return std::to_string(e.code) + " " + e.description;
    }
    return "";
}

// What a property reads as, as one text (dates as OLE numbers).
std::string Text(const CAutoVariant& v) {
    switch (v.type) {
    case AutoType::i4: return std::to_string(v.n);
    case AutoType::boolean: return v.n ? "true" : "false";
    case AutoType::date: return std::to_string(v.date);
    case AutoType::text: return v.text;
    default: return "none";   // no property of an entry is an object
    }
}

class AutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        SetProfileApplicationName("vemra-automation-test");
        m_alicePath = test::MakeAutomationDesktop(m_dir.File("Palm"));
        m_app = std::make_shared<CVEMRADlgAutoProxy>();
    }
    void TearDown() override { SetEnv("VEMRA_PALM_DESKTOP", ""); }

    CAutoObject& Users() { return Obj(Get(*m_app, "users")); }
    // Alice's entry.
    std::shared_ptr<CAutoObject> Entry(int index) {
        return Item(Obj(Get(Obj(Get(Obj(Item(Users(), 1)), "datebook")), "entries")), index).object;
    }

    ScratchDir m_dir;
    std::string m_alicePath;
    std::shared_ptr<CVEMRADlgAutoProxy> m_app;
    test::MessageCapture m_messages;
};

// Every property of an entry, in one line.
std::string Properties(CAutoObject& entry) {
    std::string text;
    for (const char* name : {"text", "date", "starttime", "endtime", "untimed", "note", "alarm", "private", "alarmunit",
                             "alarmtime", "repeattype", "repeatinterval", "repeatenddate", "repmonthlyweekindex"})
        text += std::string(name) + "=" + Text(Get(entry, name)) + (name[0] == 'r' && name[3] == 'm' ? "\n" : " ");
    return text;
}

// T text, L n x's, I n, B 0|1, C h:m, D y-m-d [h:m].
CAutoVariant Value(const std::string& v) {
    int y = 1899, mo = 12, d = 30, h = 0, mi = 0;
    switch (v[0]) {
    case 'T': return CAutoVariant::Text(v.substr(1));
    case 'L': return CAutoVariant::Text(std::string(std::stoul(v.substr(1)), 'x'));
    case 'I': return CAutoVariant::Int(std::stoi(v.substr(1)));
    case 'B': return CAutoVariant::Bool(v[1] == '1');
    case 'C': std::sscanf(v.c_str(), "C%d:%d", &h, &mi); break;
    default: std::sscanf(v.c_str(), "D%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    }
    return CAutoVariant::Date(OleDateFromParts(y, mo, d, h, mi));
}

// The fixture's entries, then each put of automation/setters.in on a fresh entry: its error and
// every property and the rule afterwards; a refused put leaves the record as it was.
TEST_F(AutomationTest, PropertiesAndSetters) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += Properties(*Entry(i));
    std::istringstream lines(test::ReadFile(test::DataFile("automation/setters.in")));
    int index = 0;
    std::string member, value;
    while (lines >> index >> member && std::getline(lines, value)) {
        auto entry = Entry(index);
        CDateBkRecord& record = static_cast<CAutoDatebookEntry&>(*entry).Record();
        const std::string before = test::RecordText(record);
        const std::string error = Raised([&] { Call(*entry, member.c_str(), AutoCall::put, {Value(value.substr(1))}); });
        EXPECT_TRUE(error.empty() || test::RecordText(record) == before) << member;
        text += std::to_string(index) + " " + member + value + " -> " + error + "\n  " + Properties(*entry) +
                "  rule: " + test::RuleText(record) + "\n";
    }
    test::ExpectGolden("automation/setters.txt", text);
}

// automation/calls.txt: "name object member call [value]", run in order; an object result is
// kept under the name ("-": not kept) and shows as the first name in alphabetical order that
// holds it already ("new" if none), a refused call shape as its status, a member's error as
// "raised". The datebook file itself never changes.
TEST_F(AutomationTest, CallsInOrder) {
    const std::string bytes = test::ReadFile(m_alicePath);
    const char* statuses[] = {"ok", "unknown member", "read-only", "bad parameter count"};
    std::map<std::string, std::shared_ptr<CAutoObject>> names{{"app", m_app}};
    test::ExpectResults("automation/calls.txt", [&](const std::string& line) {
        std::istringstream in(line);
        std::string name, object, member, call, value;
        in >> name >> object >> member >> call;
        std::getline(in >> std::ws, value);
        CAutoObject& self = *names.at(object);
        const int id = member[0] == '#' ? std::stoi(member.substr(1)) : self.FindMember(member);
        std::vector<CAutoVariant> args;
        if (!value.empty()) args.push_back(Value(value));
        const AutoCall kind = call == "get" ? AutoCall::get : call == "put" ? AutoCall::put : AutoCall::method;
        CAutoVariant result;
        AutoStatus status = AutoStatus::ok;
        const std::string raised = Raised([&] { status = InvokeMember(self, id, kind, args, result); });
        if (!raised.empty()) return "raised " + raised;
        if (status != AutoStatus::ok) return std::string(statuses[static_cast<int>(status)]);
        if (result.type != AutoType::object) return Text(result);
        std::string held = "new";
        for (const auto& [n, o] : names)
            if (o == result.object && held == "new") held = n;
        if (name != "-") names[name] = result.object;
        return held;
    });
    EXPECT_TRUE(m_messages.messages.empty());
    EXPECT_EQ(test::ReadFile(m_alicePath), bytes);
}

// Without Palm Desktop the users collection is empty and the reason shown; archive(path) still
// opens any datebook file as user.datebook does, and says why one is of no use.
TEST_F(AutomationTest, NoPalmDesktopAndArchives) {
    SetEnv("VEMRA_PALM_DESKTOP", m_dir.File("nowhere"));
    CAutoObject& users = Users();
    EXPECT_EQ(m_messages.messages, std::vector<std::string>{"Error: No Palm Desktop found!"});
    EXPECT_EQ(Get(users, "count").n, 0);
    EXPECT_EQ(Raised([&] { Item(users, 1); }), "113 invalid index");
    auto archive = [&](const std::string& path) { return Call(*m_app, "archive", AutoCall::method, {CAutoVariant::Text(path)}); };
    EXPECT_EQ(Get(Obj(Get(Obj(archive(m_alicePath)), "entries")), "count").n, 4);
    EXPECT_EQ(Get(Obj(Get(Obj(archive(test::DataFile("palm/handheld/fixture.pdb"))), "entries")), "count").n, 9);
    const std::string refused = Raised([&] { archive(test::DataFile("palm/DateBook.mdb")); });
    EXPECT_EQ(refused.find("104 The file is a Palm Desktop 6 database"), 0u);
}

}  // namespace
