// The COM side: IDispatch in process, then the real local server through COM, its
// registration, and a script client run by the system's script host.
#include <windows.h>
#include <ole2.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "automation/automation.h"
#include "automation/com/com_server.h"
#include "platform/process.h"
#include "platform/text.h"
#include "settings/profile.h"
#include "tests/automation/automation_fixture.h"
#include "tests/child_process.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

constexpr int kChildTimeoutMs = 120000;

struct CallResult {
    HRESULT hr = E_FAIL;
    VARIANT value{};
    std::string exception;   // "<wCode or the scode's low word> <scode, hex> <description>"
    ~CallResult() { VariantClear(&value); }
};

VARIANT I4(LONG n) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

// One call by name; args in the script's order. Named: the value of a put, or a named argument.
std::unique_ptr<CallResult> Call(IDispatch* d, const char* name, WORD flags, std::vector<VARIANT> args = {},
                                 bool nameTheArgument = false) {
    auto r = std::make_unique<CallResult>();
    std::wstring wname(name, name + strlen(name));
    LPOLESTR names[] = {wname.data()};
    DISPID id = 0;
    r->hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(r->hr)) return r;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = flags & DISPATCH_PROPERTYPUT ? DISPID_PROPERTYPUT : 1;
    const UINT namedCount = (flags & DISPATCH_PROPERTYPUT) || nameTheArgument ? 1 : 0;
    DISPPARAMS params{reversed.data(), &named, static_cast<UINT>(reversed.size()), namedCount};
    EXCEPINFO info{};
    UINT argError = 0;
    r->hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &r->value, &info, &argError);
    if (r->hr == DISP_E_EXCEPTION) {
        const unsigned code = info.wCode ? info.wCode : static_cast<unsigned>(info.scode & 0xFFFF);
        char head[32];
        std::snprintf(head, sizeof head, "%u %lx ", code, static_cast<unsigned long>(info.scode));
        r->exception.assign(info.bstrDescription, info.bstrDescription + SysStringLen(info.bstrDescription));
        r->exception.insert(0, head);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
    }
    for (auto& a : args) VariantClear(&a);
    return r;
}

IDispatch* Object(const CallResult& r) { return r.value.vt == VT_DISPATCH ? r.value.pdispVal : nullptr; }

// The running processes of this name.
std::vector<DWORD> Processes(const char* exe) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (EqualsNoCase(entry.szExeFile, exe)) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

int Servers() { return static_cast<int>(Processes("VEMRA.exe").size()); }

// Waits (up to 20 s) until count processes of the program run.
bool WaitForServers(int count) {
    for (int i = 0; i < 200; ++i) {
        if (Servers() == count) return true;
        Sleep(100);
    }
    return false;
}

std::string DefaultValue(HKEY root, const std::string& path) {
    char buffer[1024] = {};
    LONG size = sizeof(buffer);
    if (RegQueryValueA(root, path.c_str(), buffer, &size) != ERROR_SUCCESS) return "<none>";
    return buffer;
}

std::string ClsidText() {
    wchar_t wide[64] = {};
    StringFromGUID2(com::kClsidApplication, wide, 64);
    return std::string(wide, wide + wcslen(wide));
}

// The registration as one line: the ProgID's class, then the class's name, ProgID and server.
std::string Registration() {
    const std::string clsid = "CLSID\\" + ClsidText();
    std::string text = DefaultValue(HKEY_CLASSES_ROOT, "VEMRA.Application\\CLSID");
    for (const char* key : {"", "\\ProgID", "\\LocalServer32"})
        text.append("|").append(DefaultValue(HKEY_CLASSES_ROOT, clsid + key));
    return text;
}

// The registration of the program at that path.
std::string RegisteredTo(const std::string& program) {
    char full[MAX_PATH] = {};
    GetFullPathNameA(program.c_str(), MAX_PATH, full, nullptr);
    return ClsidText() + "|VEMRA.Application|VEMRA.Application|\"" + full + "\"";
}

test::ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outBase,
                             const test::Environment& env = {}) {
    test::CChild child;
    if (!child.Start(program, args, env, outBase)) return {};
    return child.Wait(kChildTimeoutMs);
}

// The fixture for all tests: the Palm Desktop folder of automation_fixture.h, reached by the
// servers COM starts (they inherit this process's environment), and the program registered.
class ComTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new ScratchDir;
        test::MakeAutomationDesktop(s_dir->File("Palm"));
        SetEnv("VEMRA_UNATTENDED", "1");
        SetProfileApplicationName("vemra-com-test");
        CoInitialize(nullptr);
        s_serversBefore = Processes("VEMRA.exe");
        const auto reg = RunProgram(VEMRA_PROGRAM, {"-RegServer"}, s_dir->File("regserver"));
        ASSERT_EQ(reg.status, 0) << reg.err;
    }
    static void TearDownTestSuite() {
        // A server whose client died keeps running (nothing tells it here); it must not hold
        // the test run's output open. The tests above have already failed for it.
        for (DWORD id : Processes("VEMRA.exe")) {
            if (std::find(s_serversBefore.begin(), s_serversBefore.end(), id) != s_serversBefore.end()) continue;
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
                TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
        CoUninitialize();
        delete s_dir;
        s_dir = nullptr;
    }

    IDispatch* CreateApplication() {
        IDispatch* app = nullptr;
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(L"VEMRA.Application", &clsid), S_OK);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&app)), S_OK);
        return app;
    }

    static inline ScratchDir* s_dir = nullptr;
    static inline std::vector<DWORD> s_serversBefore;
};

TEST_F(ComTest, DispatchInProcess) {
    IDispatch* app = com::DispatchOf(std::make_shared<CVEMRADlgAutoProxy>());
    ASSERT_NE(app, nullptr);
    auto users = Call(app, "USERS", DISPATCH_PROPERTYGET);
    auto again = Call(app, "Users", DISPATCH_PROPERTYGET);
    EXPECT_EQ(Object(*again), Object(*users));   // one contained collection
    IDispatch* u = Object(*users);
    ASSERT_NE(u, nullptr);

    // automation/dispatch.txt: "member call [arguments]", the HRESULT, any exception and a number.
    VARIANT byRef = I4(2), ref{};
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &byRef.lVal;
    test::ExpectResults("automation/dispatch.txt", [&](const std::string& line) {
        std::istringstream in(line);
        std::string member, call, word;
        in >> member >> call;
        std::vector<VARIANT> args;
        bool named = false;
        while (in >> word) {
            if (word == "named") named = true;
            else args.push_back(word == "ref" ? ref : I4(std::stol(word.substr(1))));
        }
        const WORD flags = call == "get" ? DISPATCH_PROPERTYGET : call == "put" ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD;
        auto r = Call(u, member.c_str(), flags, args, named);
        char hr[16];
        std::snprintf(hr, sizeof hr, "%lx", static_cast<unsigned long>(r->hr));
        std::string result = hr + (r->exception.empty() ? "" : " " + r->exception);
        return r->value.vt == VT_I4 ? result + " = " + std::to_string(r->value.lVal) : result;
    });
    app->Release();
}

// Each client object has a server process of its own that ends with its last release. The
// second's is started without Palm Desktop: it must not wait on a box nobody sees
// (VEMRA_UNATTENDED is inherited as the folder is) and still hands out the collection.
// Then a script client: what crosses COM from VBScript, values and errors, as a golden
// transcript. Wine's VBScript takes an exception that carries only wCode (the members' own
// errors 104 and 113, scode 0) for no error at all, so those steps read Empty in the
// transcript; Windows shows them as Err.Number 104 and 113. The EXCEPINFO itself is checked by
// the C++ client above.
TEST_F(ComTest, ServerProcessesAndAScriptClient) {
    const int before = Servers();
    IDispatch* first = CreateApplication();
    SetEnv("VEMRA_PALM_DESKTOP", s_dir->File("nowhere"));
    IDispatch* second = CreateApplication();
    SetEnv("VEMRA_PALM_DESKTOP", s_dir->File("Palm"));
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(WaitForServers(before + 2)) << Servers();
    for (const auto& [app, count] : {std::pair{first, 3}, {second, 0}}) {
        auto users = Call(app, "users", DISPATCH_PROPERTYGET);
        ASSERT_NE(Object(*users), nullptr);
        EXPECT_EQ(Call(Object(*users), "count", DISPATCH_PROPERTYGET)->value.lVal, count);
    }
    first->Release();
    second->Release();
    EXPECT_TRUE(WaitForServers(before)) << Servers();

    const auto r = RunProgram("cscript.exe", {"//nologo", std::string(VEMRA_SOURCE_ROOT) + "/tests/automation/walk.vbs"},
                              s_dir->File("walk"));
    EXPECT_EQ(r.status, 0) << r.err;
    std::string transcript = r.out;
    std::erase(transcript, '\r');
    test::ExpectGolden("automation/walk.txt", transcript);
    EXPECT_TRUE(WaitForServers(before)) << Servers();
}

// Last: it moves the registration to a copy and back.
TEST_F(ComTest, EveryBatchStartRegistersTheProgramJustRun) {
    const std::string folder = s_dir->File("copy");
    std::filesystem::create_directories(folder);
    const std::string copy = folder + "\\VEMRA.exe";
    ASSERT_TRUE(CopyFileA(VEMRA_PROGRAM, copy.c_str(), FALSE));

    // A batch run that fails its transfer still registers.
    const auto batch = RunProgram(copy, {"-d", s_dir->File("missing.dat"), "-e", s_dir->File("out.csv")}, s_dir->File("batch"));
    EXPECT_EQ(batch.status, 3) << batch.err;
    EXPECT_TRUE(EqualsNoCase(Registration(), RegisteredTo(copy))) << Registration();

    const auto unreg = RunProgram(copy, {"/UnregServer"}, s_dir->File("unreg"));
    EXPECT_EQ(unreg.status, 0) << unreg.err;
    EXPECT_EQ(Registration(), "<none>|<none>|<none>|<none>");
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(L"VEMRA.Application", &clsid), S_OK);

    const auto reg = RunProgram(VEMRA_PROGRAM, {"-regserver"}, s_dir->File("reg"));
    EXPECT_EQ(reg.status, 0) << reg.err;
    EXPECT_TRUE(EqualsNoCase(Registration(), RegisteredTo(VEMRA_PROGRAM))) << Registration();
}

}  // namespace
