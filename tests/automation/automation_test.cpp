#include "automation/automation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>
#include <tuple>

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

double Day(int y, int m, int d) { return OleDateFromParts(y, m, d); }
double Clock(int h, int m) { return OleDateFromParts(1899, 12, 30, h, m); }

const char kInvalidIndex[] = "113 invalid index";

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
    std::shared_ptr<CAutoObject> Entries(int user) {
        return Get(Obj(Get(Obj(Item(Users(), user)), "datebook")), "entries").object;
    }
    std::shared_ptr<CAutoObject> Entry(int index) { return Item(*Entries(1), index).object; }

    ScratchDir m_dir;
    std::string m_alicePath;
    std::shared_ptr<CVEMRADlgAutoProxy> m_app;
    test::MessageCapture m_messages;
};

// Each collection's count, and what an index one past either end raises.
TEST_F(AutomationTest, CollectionsByIndexAtBothEndsAndOnePast) {
    CAutoObject& users = Users();
    EXPECT_EQ(&Users(), &users);   // the same contained collection on every read
    EXPECT_EQ(Get(Obj(Item(users, 1)), "name").text, "Alice");
    EXPECT_EQ(Get(Obj(Item(users, 3)), "name").text, "Carol");
    const std::tuple<std::shared_ptr<CAutoObject>, int, std::vector<int32_t>> collections[] = {
        {Get(*m_app, "users").object, 3, {0, 4, -1, 65537}},   // 65537 would wrap to the first user in 16 bits
        {Entries(1), 4, {4, -1}},
        {Entries(3), 0, {0}},   // Carol's datebook cannot be read: empty, and nothing raised
        {Get(*Entry(2), "exceptions").object, 2, {2}},
        {Get(*Entry(3), "exceptions").object, 0, {0}},   // Dentist has none
    };
    for (const auto& [collection, count, outside] : collections) {
        EXPECT_EQ(Get(*collection, "count").n, count);
        for (int32_t index : outside) EXPECT_EQ(Raised([&] { Item(*collection, index); }), kInvalidIndex) << index;
    }
    auto user = Item(users, 2).object;
    EXPECT_EQ(Get(*user, "datebook").object, Get(*user, "datebook").object);
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(AutomationTest, CallShapes) {
    CAutoVariant result;
    const CAutoVariant one = CAutoVariant::Int(1);
    CAutoObject& users = Users();
    EXPECT_EQ(m_app->FindMember("USERS"), 1);
    EXPECT_EQ(m_app->FindMember("Users"), 1);
    EXPECT_EQ(InvokeMember(users, 1, AutoCall::put, {&one, 1}, result), AutoStatus::readOnly);
    EXPECT_EQ(InvokeMember(users, 2, AutoCall::get, {}, result), AutoStatus::badParamCount);
    EXPECT_EQ(InvokeMember(users, 1, AutoCall::method, {&one, 1}, result), AutoStatus::badParamCount);
    EXPECT_EQ(InvokeMember(users, 3, AutoCall::get, {}, result), AutoStatus::unknownMember);
    EXPECT_EQ(InvokeMember(users, 0, AutoCall::get, {}, result), AutoStatus::unknownMember);
    EXPECT_EQ(InvokeMember(users, 2, AutoCall::method, {&one, 1}, result), AutoStatus::ok);   // item as a call
    EXPECT_EQ(users.FindMember("itemx"), 0);
    auto exceptions = Get(*Entry(2), "exceptions").object;
    EXPECT_EQ(InvokeMember(*exceptions, exceptions->FindMember("add"), AutoCall::put, {&one, 1}, result),
              AutoStatus::unknownMember);
}

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
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    switch (v[0]) {
    case 'T': return CAutoVariant::Text(v.substr(1));
    case 'L': return CAutoVariant::Text(std::string(std::stoul(v.substr(1)), 'x'));
    case 'I': return CAutoVariant::Int(std::stoi(v.substr(1)));
    case 'B': return CAutoVariant::Bool(v[1] == '1');
    case 'C': std::sscanf(v.c_str(), "C%d:%d", &h, &mi); return CAutoVariant::Date(Clock(h, mi));
    }
    const int n = std::sscanf(v.c_str(), "D%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    return CAutoVariant::Date(Day(y, mo, d) + (n == 5 ? Clock(h, mi) : 0));
}

// The fixture's entries, then each put of automation/setters.in on a fresh entry: its error and
// every property and the rule afterwards; a refused put leaves the record as it was.
TEST_F(AutomationTest, PropertiesAndSetters) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += Properties(*Entry(i));
    test::ExpectGolden("automation/entries.txt", text);
    text.clear();
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

TEST_F(AutomationTest, ExceptionCollectionsShareTheEntrysRecord) {
    auto entry = Entry(2);   // Team meeting: 19 Feb and 5 Mar 2002
    auto first = Get(*entry, "exceptions").object;
    auto second = Get(*entry, "exceptions").object;
    EXPECT_NE(first, second);
    EXPECT_EQ(Item(*first, 1).date, Day(2002, 3, 5));
    EXPECT_EQ(Item(*first, -5).date, Day(2002, 2, 19));

    Call(*first, "add", AutoCall::method, {CAutoVariant::Date(Day(2002, 4, 2) + Clock(13, 0))});
    EXPECT_EQ(Get(*second, "count").n, 3);
    EXPECT_EQ(Item(*second, 2).date, Day(2002, 4, 2));
    Call(*second, "remove", AutoCall::method, {CAutoVariant::Date(Day(2002, 2, 19))});
    EXPECT_EQ(Get(*first, "count").n, 2);
    EXPECT_EQ(Item(*first, 0).date, Day(2002, 3, 5));
    for (const char* method : {"add", "remove"})
        EXPECT_EQ(Raised([&] { Call(*first, method, AutoCall::method, {CAutoVariant::Date(Day(1969, 1, 1))}); }),
                  "104 Invalid date.");
    EXPECT_EQ(Get(*first, "count").n, 2);
}

TEST_F(AutomationTest, ChangesStayInTheEntryAndNeverReachTheFile) {
    const std::string bytes = test::ReadFile(m_alicePath);
    auto datebook = Get(*Item(Users(), 1).object, "datebook").object;
    auto entries = Get(*datebook, "entries").object;
    auto changed = Item(*entries, 3).object;
    Call(*changed, "text", AutoCall::put, {CAutoVariant::Text("Changed")});
    Call(*Get(*changed, "exceptions").object, "add", AutoCall::method, {CAutoVariant::Date(Day(2002, 3, 11))});
    EXPECT_EQ(Get(*Item(*entries, 3).object, "text").text, "Dentist");   // two items, two records
    auto again = Get(*datebook, "entries").object;
    EXPECT_EQ(again, entries);   // the same collection, its table read again
    EXPECT_EQ(Get(*Item(*again, 3).object, "text").text, "Dentist");
    EXPECT_EQ(Get(*changed, "text").text, "Changed");   // the earlier entry keeps its copy
    EXPECT_EQ(test::ReadFile(m_alicePath), bytes);
}

TEST_F(AutomationTest, NoPalmDesktopIsReportedAndTheCollectionStillReturned) {
    SetEnv("VEMRA_PALM_DESKTOP", m_dir.File("nowhere"));
    CAutoObject& users = Users();
    EXPECT_EQ(m_messages.messages, std::vector<std::string>{"Error: No Palm Desktop found!"});
    EXPECT_EQ(Get(users, "count").n, 0);
    EXPECT_EQ(Raised([&] { Item(users, 1); }), kInvalidIndex);
}

// archive(path) opens any datebook file as user.datebook does, and says why one is of no use.
TEST_F(AutomationTest, ArchiveGivesTheDatebookOfAFile) {
    auto archive = [&](const std::string& path) { return Call(*m_app, "archive", AutoCall::method, {CAutoVariant::Text(path)}); };
    EXPECT_EQ(Get(Obj(Get(Obj(archive(m_alicePath)), "entries")), "count").n, 4);
    const std::string mdb = test::DataFile("palm/DateBook.mdb");
    EXPECT_EQ(Raised([&] { archive(mdb); }).find("104 The file is a Palm Desktop 6 database"), 0u);
}

}  // namespace
