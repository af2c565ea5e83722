#include "quiesce/process_termination.h"

#include "platform/handles.h"

static_assert(PROCESS_ALL_ACCESS == 0x1FFFFF, "all access rights of a process");

void TerminateAndWait(DWORD processId) {
    KernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (!process.Valid()) return;
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), kTerminationWaitMs);
}
