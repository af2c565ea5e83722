// Named kernel objects and the process error mode of the simulated machine.
#include "machine.h"
#include "security.h"
#include "win_api.h"

using sim::Machine;

// A name is shared by every process of the machine: opening an existing one succeeds with
// ERROR_ALREADY_EXISTS, a new one with no error. Names are compared with regard to case. A new
// object's owner is the descriptor's, or the token's default owner (Administrators).
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES security, BOOL, LPCWSTR name) {
    Machine& machine = Machine::Current();
    std::wstring key = name ? name : L"";
    bool existed = name != nullptr && machine.namedObjects.count(key) != 0;
    if (name != nullptr) machine.namedObjects[key]++;
    const sim::Security* given = security ? sim::DescriptorModel(security->lpSecurityDescriptor) : nullptr;
    if (name != nullptr && !existed) machine.namedObjectOwners[key] = given ? given->owner : sim::kAdministratorsSid;
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
