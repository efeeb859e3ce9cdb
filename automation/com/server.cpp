// The local server: one class factory registered for single use (each client object gets a
// server process of its own), the message loop, and the end of the process with its last object.
#include <windows.h>
#include <ole2.h>

#include <type_traits>

#include "automation/automation.h"
#include "automation/com/com_server.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra::com {

namespace {

LONG g_locks = 0;
DWORD g_serverThread = 0;   // set while a server started by COM runs its loop
DWORD g_cookie = 0;         // the factory's registration, 0 once revoked

bool g_everServed = false;  // an object was created, or a client locked the server

bool IsSwitch(const std::string& arg, const char* name) {
    return arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') && EqualsNoCase(std::string_view(arg).substr(1), name);
}

void RevokeFactory() {
    if (g_cookie == 0) return;
    CoRevokeClassObject(g_cookie);
    g_cookie = 0;
}

class CClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // COM's references do not own the factory.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        std::shared_ptr<CAutoObject> application;
        try {
            application = std::make_shared<CVEMRADlgAutoProxy>();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        IDispatch* dispatch = DispatchOf(application);
        if (!dispatch) return E_OUTOFMEMORY;
        const HRESULT hr = dispatch->QueryInterface(riid, out);
        dispatch->Release();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            vemra::com::LockServer();
        else
            vemra::com::UnlockServer();
        return S_OK;
    }
};

// Static: the system's own threads may still hold the factory while the process ends, and its
// destructor is trivial, so it stays callable until the very end.
CClassFactory g_factory;
static_assert(std::is_trivially_destructible_v<CClassFactory>);

// Registered while the loop runs; revoked early by the last release.
class CFactoryRegistration {
public:
    explicit CFactoryRegistration(IClassFactory* factory) {
        m_hr = CoRegisterClassObject(kClsidApplication, factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &g_cookie);
    }
    ~CFactoryRegistration() { RevokeFactory(); }
    CFactoryRegistration(const CFactoryRegistration&) = delete;
    CFactoryRegistration& operator=(const CFactoryRegistration&) = delete;
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

}  // namespace

int RunAutomationServer() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);   // the thread's queue, before any quit is posted
    CFactoryRegistration registration(&g_factory);
    if (FAILED(registration.Result())) return 2;
    g_serverThread = GetCurrentThreadId();
    // A start that no client follows up (a failed activation, a start by hand) ends by itself.
    const UINT_PTR idleTimer = SetTimer(nullptr, 0, 60000, nullptr);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == idleTimer) {
            KillTimer(nullptr, idleTimer);
            if (!g_everServed) break;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_serverThread = 0;
    return 0;
}

void LockServer() {
    InterlockedIncrement(&g_locks);
    g_everServed = true;
}

void UnlockServer() {
    if (InterlockedDecrement(&g_locks) != 0 || g_serverThread == 0) return;
    // The system does not suspend the factory for us: no new client may reach a process that ends.
    RevokeFactory();
    PostThreadMessageA(g_serverThread, WM_QUIT, 0, 0);
}

bool HandleRegistrationSwitches(const std::vector<std::string>& args, int& exitStatus) {
    for (const auto& arg : args) {
        const bool reg = IsSwitch(arg, "RegServer");
        if (!reg && !IsSwitch(arg, "UnregServer")) continue;
        std::string why;
        if (reg ? RegisterServer(why) : UnregisterServer(why)) {
            exitStatus = 0;
        } else {
            ShowMessage(FormatText(LoadResString(reg ? IDS_REGISTER_FAILED : IDS_UNREGISTER_FAILED).c_str(), why.c_str()),
                        MessageButtons::ok, MessageIcon::error);
            exitStatus = 2;
        }
        return true;
    }
    return false;
}

}  // namespace vemra::com
