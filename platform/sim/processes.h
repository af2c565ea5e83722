// The simulated processes and their top-level windows: their state, and the control interface
// through which tests seed them, make them resist, and read back what happened to them.
//
// A process has ended once the machine's clock has reached its end time. A termination sets that
// time to the clock plus the process's end delay; a wait on the process advances the clock up to
// it or by the wait's time-out, whichever comes first. A window is listed while its owner runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win_types.h"

namespace sim {

// An end time or delay that is never reached.
constexpr uint64_t kNever = UINT64_MAX;

struct Process {
    DWORD id = 0;
    std::wstring exeName;  // the file name alone, as the snapshot lists it
    DWORD parentId = 0;
    DWORD threads = 1;

    // Resistance.
    bool canOpen = true;              // false: OpenProcess is refused with ERROR_ACCESS_DENIED
    // The SID of the account it runs as (empty: the program's own). A process of another account,
    // SYSTEM included, grants more than querying and waiting only to a token with SeDebugPrivilege
    // enabled ("Process Security and Access Rights").
    std::wstring user;
    bool canTerminate = true;         // false: TerminateProcess is refused with ERROR_ACCESS_DENIED
    uint64_t endDelayMs = 0;          // from an accepted termination until it has ended; kNever: never
    bool exitsAfterSnapshot = false;  // listed by the next snapshot, then ends by itself at once

    // State.
    uint64_t endsAtMs = kNever;  // clock time from which it has ended
    bool terminated = false;     // a termination was accepted
    UINT exitCode = 0;
    int openHandles = 0;

    bool Ended(uint64_t now) const { return now >= endsAtMs; }
};

struct Window {
    HWND handle = nullptr;
    std::wstring className;
    std::wstring title;
    DWORD ownerId = 0;
    DWORD threadId = 0;
    bool outlivesOwner = false;  // still listed after its owner has ended
};

struct Processes {
    // A running process; the snapshot lists processes in the order in which they were added.
    // An identifier already in use is a fault of the test.
    Process& Add(DWORD id, const std::wstring& exeName);
    // A top-level window of a process already added, placed above all others: the most recent
    // window is the first that a search finds.
    Window& AddWindow(const std::wstring& className, const std::wstring& title, DWORD ownerId);

    Process* Find(DWORD id);
    std::shared_ptr<Process> Shared(DWORD id);
    // By the machine's clock; an unknown identifier has ended.
    bool Ended(DWORD id);
    bool Listed(const Window& window);
    // The listed windows, in the order in which a search visits them.
    std::vector<const Window*> ListedWindows();

    // Identifiers of the processes whose termination was accepted, in order.
    std::vector<DWORD> terminated;

    std::vector<std::shared_ptr<Process>> list;
    std::vector<Window> windows;  // bottom first

private:
    uintptr_t nextWindow_ = 0x10010;
};

}  // namespace sim
