// Opening an existing named mutex on the simulated machine.
#include "machine.h"
#include "win_api.h"

using sim::Machine;

// Only an object that some handle still holds can be opened; otherwise NULL with
// ERROR_FILE_NOT_FOUND, as the platform answers for a name that no object has.
HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR name) {
    Machine& machine = Machine::Current();
    if (name == nullptr || machine.namedObjects.count(name) == 0) {
        machine.lastError = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    machine.namedObjects[name]++;
    machine.lastError = ERROR_SUCCESS;
    return machine.AddHandle(sim::HandleKind::Mutex, std::make_shared<std::wstring>(name));
}
