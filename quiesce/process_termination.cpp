#include "quiesce/process_termination.h"

#include "base/privileges.h"
#include "platform/handles.h"

static_assert(PROCESS_ALL_ACCESS == 0x1FFFFF, "all access rights of a process");

namespace {

// A process of another account, or of SYSTEM, opens with every right only to a token with
// SeDebugPrivilege enabled ("Process Security and Access Rights"): it is enabled just around the
// open and set back at once.
HANDLE OpenToTerminate(DWORD processId) {
    ScopedPrivileges debug(SE_DEBUG_NAME, nullptr);
    return OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
}

}  // namespace

void TerminateAndWait(DWORD processId) {
    KernelHandle process(OpenToTerminate(processId));
    if (!process.Valid()) return;
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), kTerminationWaitMs);
}
