// Named kernel objects and the process error mode of the simulated machine.
#include <cstdlib>

#include "machine.h"
#include "security.h"
#include "win_api.h"

using sim::Machine;

// A name is shared by every process of the machine: opening an existing one succeeds with
// ERROR_ALREADY_EXISTS, a new one with no error. Names are compared with regard to case. A new
// object's owner is the descriptor's, or the token's default owner (Administrators).
// A new mutex made with bInitialOwner belongs to this process; an existing one is only opened.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCWSTR name) {
    Machine& machine = Machine::Current();
    std::wstring key = name ? name : L"";
    bool existed = name != nullptr && machine.namedObjects.count(key) != 0;
    if (name != nullptr) machine.namedObjects[key]++;
    const sim::Security* given = security ? sim::DescriptorModel(security->lpSecurityDescriptor) : nullptr;
    if (name != nullptr && !existed) machine.namedObjectOwners[key] = given ? given->owner : sim::kAdministratorsSid;
    if (name != nullptr && !existed && initialOwner) machine.mutexOwners[key] = Machine::MutexOwner{};
    HANDLE handle = machine.AddHandle(sim::HandleKind::Mutex, std::make_shared<std::wstring>(key));
    machine.lastError = existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return handle;
}

UINT SetErrorMode(UINT mode) {
    Machine& machine = Machine::Current();
    UINT previous = machine.errorMode;
    machine.errorMode = mode;
    return previous;
}

namespace sim {

// "WaitForSingleObject": a mutex that no thread owns is taken; one whose owner ended without
// releasing it is taken with WAIT_ABANDONED.
DWORD WaitForMutex(const std::wstring& name, DWORD milliseconds) {
    Machine& machine = Machine::Current();
    auto owner = machine.mutexOwners.find(name);
    if (owner == machine.mutexOwners.end() || !owner->second.otherProcess) {
        machine.mutexOwners[name] = Machine::MutexOwner{};
        return WAIT_OBJECT_0;
    }
    if (owner->second.abandoned) {
        owner->second = Machine::MutexOwner{};
        return WAIT_ABANDONED;
    }
    if (milliseconds == INFINITE) std::abort();  // nothing would ever release it
    machine.clockMs += milliseconds;
    return WAIT_TIMEOUT;
}

void Machine::HoldMutexElsewhere(const std::wstring& name, const std::wstring& ownerSid, bool abandoned) {
    namedObjects[name]++;
    namedObjectOwners[name] = ownerSid;
    mutexOwners[name] = MutexOwner{true, abandoned};
}

}  // namespace sim

// Only the owner lets a mutex go.
BOOL ReleaseMutex(HANDLE mutex) {
    Machine& machine = Machine::Current();
    auto name = machine.FindHandle<std::wstring>(mutex, sim::HandleKind::Mutex);
    if (!name) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    auto owner = machine.mutexOwners.find(*name);
    if (owner == machine.mutexOwners.end() || owner->second.otherProcess) return sim::Fail(ERROR_NOT_OWNER, FALSE);
    machine.mutexOwners.erase(owner);
    return TRUE;
}
