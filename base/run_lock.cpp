#include "base/run_lock.h"

LPCWSTR const kRunMutexName = L"Global\\Movendo.Run";

namespace {

// The lock's descriptor: owner Administrators (named, not left to the token's default owner,
// which Wine makes the user's primary group), and SYSTEM and Administrators may use it, nobody else.
LPCWSTR const kRunMutexSecurity = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

// True when the existing object is a run's lock: its owner is SYSTEM or Administrators, as the
// lock is always made. One that anyone else made first (a standard user of any account, the
// running one included), or whose owner cannot be read, is not.
bool IsRunLock(HANDLE mutex) {
    PSID owner = nullptr;
    LocalDescriptor descriptor;
    return GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                           descriptor.Receive()) == ERROR_SUCCESS &&
           owner != nullptr && (IsWellKnownSid(owner, WinLocalSystemSid) || IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
}

bool Owns(DWORD waited) { return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED; }

}  // namespace

RunLock::~RunLock() {
    if (owned_) ReleaseMutex(mutex_.Get());
}

bool RunLock::Take() {
    LocalDescriptor descriptor;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kRunMutexSecurity, SDDL_REVISION_1, descriptor.Receive(), nullptr);
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
    *mutex_.Receive() = CreateMutexW(descriptor.Valid() ? &security : nullptr, TRUE, kRunMutexName);
    if (!mutex_.Valid()) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return owned_ = true;
    if (!IsRunLock(mutex_.Get())) return true;
    owned_ = Owns(WaitForSingleObject(mutex_.Get(), kRunLockWaitMs));
    return owned_;
}

bool RunLockHeld() {
    KernelHandle lock(OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, kRunMutexName));
    if (!lock.Valid()) return GetLastError() == ERROR_ACCESS_DENIED;
    if (!IsRunLock(lock.Get())) return false;
    if (!Owns(WaitForSingleObject(lock.Get(), 0))) return true;
    ReleaseMutex(lock.Get());
    return false;
}
