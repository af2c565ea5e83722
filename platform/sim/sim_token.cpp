// The process token of the simulated machine and the privilege operations.
#include <memory>
#include <vector>

#include "machine.h"
#include "token.h"
#include "win_api.h"

namespace sim {

namespace {

struct KnownPrivilege {
    const wchar_t* name;
    DWORD luid;
};

// The privileges the program asks for, with the identifiers the local system gives them.
const KnownPrivilege kPrivileges[] = {
    {L"SeBackupPrivilege", 17},
    {L"SeRestorePrivilege", 18},
    {L"SeDebugPrivilege", 20},
};

PrivilegeState* StateOf(Token& token, const std::wstring& name) {
    LUID luid;
    if (!Token::Lookup(name, luid)) return nullptr;
    return &token.privileges[luid.LowPart];
}

}  // namespace

Token::Token() {
    for (const auto& known : kPrivileges) privileges[known.luid] = PrivilegeState{true, false};
}

bool Token::Lookup(const std::wstring& name, LUID& luid) {
    for (const auto& known : kPrivileges) {
        if (SameName(known.name, name)) {
            luid.LowPart = known.luid;
            luid.HighPart = 0;
            return true;
        }
    }
    return false;
}

void Token::Hold(const std::wstring& name, bool held) {
    if (PrivilegeState* state = StateOf(*this, name)) {
        state->held = held;
        if (!held) state->enabled = false;
    }
}

bool Token::Enabled(const std::wstring& name) const {
    LUID luid;
    if (!Lookup(name, luid)) return false;
    auto it = privileges.find(luid.LowPart);
    return it != privileges.end() && it->second.enabled;
}

}  // namespace sim

using sim::Fail;
using sim::Machine;

// Only the current process's token can be opened: GetCurrentProcess() is the one process handle
// the simulation hands out for it.
BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    Machine& machine = Machine::Current();
    if (token == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (DWORD error = machine.faults().Check("OpenProcessToken")) return Fail(error, FALSE);
    if (process != GetCurrentProcess()) return Fail(ERROR_INVALID_HANDLE, FALSE);
    auto open = std::make_shared<sim::OpenToken>();
    open->access = access;
    *token = machine.AddHandle(sim::HandleKind::Token, open);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid) {
    Machine& machine = Machine::Current();
    if (name == nullptr || luid == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (systemName != nullptr) return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);  // only the local system
    if (DWORD error = machine.faults().Check("LookupPrivilegeValueW")) return Fail(error, FALSE);
    if (!sim::Token::Lookup(name, *luid)) return Fail(ERROR_NO_SUCH_PRIVILEGE, FALSE);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

// Sets each entry's privilege enabled or disabled. An entry for a privilege the token does not
// hold is passed over and the call still succeeds, with the last error ERROR_NOT_ALL_ASSIGNED.
// PreviousState receives the earlier state of each privilege the call changed ("AdjustTokenPrivileges
// function": a later call with it restores them) (a buffer too small for them fails with ERROR_INSUFFICIENT_BUFFER and changes
// nothing). Disabling all privileges and removing a privilege are not modelled: such a call fails
// with ERROR_CALL_NOT_IMPLEMENTED.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                           PTOKEN_PRIVILEGES previousState, PDWORD returnLength) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenToken>(token, sim::HandleKind::Token);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (disableAll || newState == nullptr) return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    const LUID_AND_ATTRIBUTES* entries = newState->Privileges;
    for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
        if ((entries[i].Attributes & ~DWORD(SE_PRIVILEGE_ENABLED)) != 0) return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    }
    if ((open->access & TOKEN_ADJUST_PRIVILEGES) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (previousState && (open->access & TOKEN_QUERY) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (DWORD error = machine.faults().Check("AdjustTokenPrivileges")) return Fail(error, FALSE);
    std::vector<std::pair<sim::PrivilegeState*, bool>> changes;
    bool notAll = false;
    for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
        auto it = machine.token().privileges.find(entries[i].Luid.LowPart);
        if (entries[i].Luid.HighPart != 0 || it == machine.token().privileges.end() || !it->second.held) {
            notAll = true;
            continue;
        }
        bool enable = (entries[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
        if (it->second.enabled != enable) changes.emplace_back(&it->second, enable);
    }
    DWORD needed = static_cast<DWORD>(sizeof(DWORD) + changes.size() * sizeof(LUID_AND_ATTRIBUTES));
    if (returnLength) *returnLength = needed;
    if (previousState && bufferLength < needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    if (previousState) previousState->PrivilegeCount = 0;
    for (auto& change : changes) {
        if (previousState) {
            LUID_AND_ATTRIBUTES& earlier = previousState->Privileges[previousState->PrivilegeCount++];
            for (const auto& known : machine.token().privileges) {
                if (&known.second == change.first) earlier.Luid = LUID{known.first, 0};
            }
            earlier.Attributes = change.first->enabled ? SE_PRIVILEGE_ENABLED : 0;
        }
        change.first->enabled = change.second;
    }
    machine.lastError = notAll ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS;
    return TRUE;
}
