// Processes of the simulated machine: opening, termination, waits, the process snapshot and the tick count.
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "machine.h"
#include "processes.h"
#include "token.h"
#include "win_api.h"

namespace sim {

namespace {

// What another account's process grants an administrator without SeDebugPrivilege.
constexpr DWORD kForeignProcessAccess = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

// What a process handle refers to; the process counts its open handles.
struct ProcessHandle {
    ProcessHandle(std::shared_ptr<Process> target, DWORD rights) : process(std::move(target)), access(rights) {
        process->openHandles++;
    }
    ~ProcessHandle() { process->openHandles--; }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    std::shared_ptr<Process> process;
    DWORD access;
};

// The processes that ran when the snapshot was taken, and the read position.
struct Snapshot {
    std::vector<PROCESSENTRY32W> entries;
    size_t next = 0;
};

[[noreturn]] void Hang(const char* what) {
    std::fprintf(stderr, "%s would never return on Windows\n", what);
    std::abort();
}

PROCESSENTRY32W EntryOf(const Process& process) {
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(PROCESSENTRY32W);
    entry.th32ProcessID = process.id;
    entry.cntThreads = process.threads;
    entry.th32ParentProcessID = process.parentId;
    entry.pcPriClassBase = 8;
    std::wcsncpy(entry.szExeFile, process.exeName.c_str(), MAX_PATH - 1);
    return entry;
}

BOOL ReadEntry(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
    Machine& machine = Machine::Current();
    auto state = machine.FindHandle<Snapshot>(snapshot, HandleKind::Snapshot);
    if (!state) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (entry == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (entry->dwSize < sizeof(PROCESSENTRY32W)) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    if (first) {
        if (DWORD error = machine.faults().Check("Process32FirstW")) return Fail(error, FALSE);
    }
    if (first) state->next = 0;
    if (state->next >= state->entries.size()) return Fail(ERROR_NO_MORE_FILES, FALSE);
    *entry = state->entries[state->next++];
    return TRUE;
}

}  // namespace

Process& Processes::Add(DWORD id, const std::wstring& exeName) {
    if (Find(id) != nullptr) {
        std::fprintf(stderr, "simulated process %lu added twice\n", static_cast<unsigned long>(id));
        std::abort();
    }
    list.push_back(std::make_shared<Process>());
    list.back()->id = id;
    list.back()->exeName = exeName;
    return *list.back();
}

Process* Processes::Find(DWORD id) { return Shared(id).get(); }

std::shared_ptr<Process> Processes::Shared(DWORD id) {
    for (const auto& process : list) {
        if (process->id == id) return process;
    }
    return nullptr;
}

bool Processes::Ended(DWORD id) {
    Process* process = Find(id);
    return process == nullptr || process->Ended(Machine::Current().clockMs);
}

}  // namespace sim

using sim::HandleKind;
using sim::Machine;

// An ended process can still be opened while a handle to it is open; after that its identifier
// is unknown, as is one that never existed (and 0, the idle process).
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) {
    Machine& machine = Machine::Current();
    machine.Log(L"OpenProcess " + std::to_wstring(processId) + L" " + sim::Hex(access) + (inherit ? L" inheritable" : L""));
    auto process = machine.processes().Shared(processId);
    if (!process || (process->Ended(machine.clockMs) && process->openHandles == 0)) {
        return sim::Fail(ERROR_INVALID_PARAMETER, HANDLE(nullptr));
    }
    if (!process->canOpen) return sim::Fail(ERROR_ACCESS_DENIED, HANDLE(nullptr));
    bool foreign = !process->user.empty() && process->user != machine.token().user;
    if (foreign && (access & ~sim::kForeignProcessAccess) && !machine.token().Enabled(L"SeDebugPrivilege")) {
        return sim::Fail(ERROR_ACCESS_DENIED, HANDLE(nullptr));
    }
    return machine.AddHandle(HandleKind::Process, std::make_shared<sim::ProcessHandle>(process, access));
}

// A process that has ended or is already ending cannot be terminated again.
BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
    Machine& machine = Machine::Current();
    auto target = machine.FindHandle<sim::ProcessHandle>(handle, HandleKind::Process);
    if (!target) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!(target->access & PROCESS_TERMINATE)) return sim::Fail(ERROR_ACCESS_DENIED, FALSE);
    sim::Process& process = *target->process;
    if (!process.canTerminate || process.terminated || process.Ended(machine.clockMs)) {
        return sim::Fail(ERROR_ACCESS_DENIED, FALSE);
    }
    process.terminated = true;
    process.exitCode = exitCode;
    process.endsAtMs = process.endDelayMs == sim::kNever ? sim::kNever : machine.clockMs + process.endDelayMs;
    machine.processes().terminated.push_back(process.id);
    machine.Log(L"TerminateProcess " + std::to_wstring(process.id));
    return TRUE;
}

// Waits on a process, or on the current process (which never ends while it waits).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Machine& machine = Machine::Current();
    uint64_t endsAt = sim::kNever;
    if (auto name = machine.FindHandle<std::wstring>(handle, HandleKind::Mutex)) return sim::WaitForMutex(*name, milliseconds);
    if (handle != GetCurrentProcess()) {
        auto target = machine.FindHandle<sim::ProcessHandle>(handle, HandleKind::Process);
        if (!target) return sim::Fail(ERROR_INVALID_HANDLE, DWORD(WAIT_FAILED));
        if (!(target->access & SYNCHRONIZE)) return sim::Fail(ERROR_ACCESS_DENIED, DWORD(WAIT_FAILED));
        endsAt = target->process->endsAtMs;
    }
    if (machine.clockMs >= endsAt) return WAIT_OBJECT_0;
    if (endsAt != sim::kNever && (milliseconds == INFINITE || endsAt - machine.clockMs <= milliseconds)) {
        machine.clockMs = endsAt;
        return WAIT_OBJECT_0;
    }
    if (milliseconds == INFINITE) sim::Hang("WaitForSingleObject");
    machine.clockMs += milliseconds;
    return WAIT_TIMEOUT;
}

// Lists the processes running now; one marked to exit after a snapshot ends right after it.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
    Machine& machine = Machine::Current();
    machine.Log(L"CreateToolhelp32Snapshot");
    if (DWORD error = machine.faults().Check("CreateToolhelp32Snapshot")) return sim::Fail(error, INVALID_HANDLE_VALUE);
    auto snapshot = std::make_shared<sim::Snapshot>();
    for (const auto& process : machine.processes().list) {
        if (process->Ended(machine.clockMs)) continue;
        if (flags & TH32CS_SNAPPROCESS) snapshot->entries.push_back(sim::EntryOf(*process));
        if (process->exitsAfterSnapshot) {
            process->exitsAfterSnapshot = false;
            process->endsAtMs = machine.clockMs;
        }
    }
    return machine.AddHandle(HandleKind::Snapshot, snapshot);
}

BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return sim::ReadEntry(snapshot, entry, true);
}

BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return sim::ReadEntry(snapshot, entry, false);
}

DWORD GetTickCount() { return static_cast<DWORD>(Machine::Current().clockMs); }

void Sleep(DWORD milliseconds) { Machine::Current().clockMs += milliseconds; }
