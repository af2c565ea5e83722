#include "app/movendo_app.h"

#include "app/command.h"
#include "base/trust.h"
#include "platform/handles.h"

CMovendoApp theApp;

// The machine-wide name that one run holds for its whole length.
LPCWSTR const kRunMutexName = L"Global\\Movendo.Run";

namespace {

// The lock's descriptor: owner Administrators (named, not left to the token's default owner,
// which Wine makes the user's primary group), and SYSTEM and Administrators may use it, nobody else.
LPCWSTR const kRunMutexSecurity = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

// True when the existing object is a run's lock: its owner is SYSTEM, Administrators or the
// running user. One that anyone else made first, or whose owner cannot be read, is not.
bool IsRunLock(HANDLE mutex) {
    PSID owner = nullptr;
    LocalDescriptor descriptor;
    return GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                           descriptor.Receive()) == ERROR_SUCCESS &&
           IsTrustedOwner(owner);
}

}  // namespace

// Before anything else the run takes the machine-wide mutex: a second program that finds it held
// by a run ends at once, changing nothing, whatever its command. An object of that name that a
// run did not make (another owner, or one this program may not even open) stops nothing. Then
// the process error mode makes a drive without a medium fail quietly, before the first drive is
// probed, instead of raising the system's own box and waiting on it.
BOOL CMovendoApp::InitInstance() {
    LocalDescriptor descriptor;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kRunMutexSecurity, SDDL_REVISION_1, descriptor.Receive(), nullptr);
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
    KernelHandle runMutex(CreateMutexW(descriptor.Valid() ? &security : nullptr, FALSE, kRunMutexName));
    if (runMutex.Valid() && GetLastError() == ERROR_ALREADY_EXISTS && IsRunLock(runMutex.Get())) return FALSE;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    RunCommand(m_lpCmdLine);
    return FALSE;
}
