#pragma once
// The COM side of VEMRA.Application (Windows only): the local server with its class factory,
// the hand-written IDispatch over the object model's member tables, and the registration.

#include <guiddef.h>

#include <memory>
#include <string>
#include <vector>

class CAutoObject;
struct IDispatch;

namespace vemra::com {

// {B1AEF6A4-E32A-4D79-A1B1-D5ED4783E857}, never to change: scripts find it by the ProgID.
constexpr GUID kClsidApplication = {0xb1aef6a4, 0xe32a, 0x4d79, {0xa1, 0xb1, 0xd5, 0xed, 0x47, 0x83, 0xe8, 0x57}};
constexpr char kProgId[] = "VEMRA.Application";

// A start by COM: registers the class factory and runs the message loop until the last object
// is gone; returns the exit status.
int RunAutomationServer();

// -RegServer / -UnregServer: writes or removes the registration. True when the arguments hold
// one, with the exit status (a failure says why and gives a non-zero status).
bool HandleRegistrationSwitches(const std::vector<std::string>& args, int& exitStatus);

// Points COM at the running executable: under HKEY_CLASSES_ROOT, or where that is refused
// under HKEY_CURRENT_USER\Software\Classes. False, with the reason, when neither took it.
bool RegisterServer(std::string& why);
// Removes the registration from both places; false, with the reason, when some of it stays.
bool UnregisterServer(std::string& why);

// The object's IDispatch, with a reference for the caller: the object's own while it has one,
// so that a contained object handed out twice is one object to the script.
IDispatch* DispatchOf(const std::shared_ptr<CAutoObject>& object);

// Live objects and LockServer locks keep a server process running; the last release of a
// server started by COM revokes the factory and ends the message loop.
void LockServer();
void UnlockServer();

}  // namespace vemra::com
