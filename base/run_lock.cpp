#include "base/run_lock.h"

#include "base/trust.h"

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

bool TakeRunLock(KernelHandle& lock) {
    LocalDescriptor descriptor;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kRunMutexSecurity, SDDL_REVISION_1, descriptor.Receive(), nullptr);
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
    *lock.Receive() = CreateMutexW(descriptor.Valid() ? &security : nullptr, FALSE, kRunMutexName);
    return !(lock.Valid() && GetLastError() == ERROR_ALREADY_EXISTS && IsRunLock(lock.Get()));
}

bool RunLockHeld() {
    KernelHandle lock(OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, kRunMutexName));
    if (!lock.Valid()) return GetLastError() == ERROR_ACCESS_DENIED;
    return IsRunLock(lock.Get());
}
