// The process token of the simulated machine and the privilege operations.
#include <cstddef>
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
    bool heldByAdministrator;
    bool enabledByDefault;
};

// The privileges the local system knows, with their identifiers, and the state an elevated
// administrator's token starts in.
const KnownPrivilege kPrivileges[] = {
    {L"SeCreateTokenPrivilege", 2, false, false},
    {L"SeAssignPrimaryTokenPrivilege", 3, false, false},
    {L"SeLockMemoryPrivilege", 4, false, false},
    {L"SeIncreaseQuotaPrivilege", 5, true, false},
    {L"SeMachineAccountPrivilege", 6, false, false},
    {L"SeTcbPrivilege", 7, false, false},
    {L"SeSecurityPrivilege", 8, true, false},
    {L"SeTakeOwnershipPrivilege", 9, true, false},
    {L"SeLoadDriverPrivilege", 10, true, false},
    {L"SeSystemProfilePrivilege", 11, true, false},
    {L"SeSystemtimePrivilege", 12, true, false},
    {L"SeProfileSingleProcessPrivilege", 13, true, false},
    {L"SeIncreaseBasePriorityPrivilege", 14, true, false},
    {L"SeCreatePagefilePrivilege", 15, true, false},
    {L"SeCreatePermanentPrivilege", 16, false, false},
    {L"SeBackupPrivilege", 17, true, false},
    {L"SeRestorePrivilege", 18, true, false},
    {L"SeShutdownPrivilege", 19, true, false},
    {L"SeDebugPrivilege", 20, true, false},
    {L"SeAuditPrivilege", 21, false, false},
    {L"SeSystemEnvironmentPrivilege", 22, true, false},
    {L"SeChangeNotifyPrivilege", 23, true, true},
    {L"SeRemoteShutdownPrivilege", 24, true, false},
    {L"SeUndockPrivilege", 25, true, false},
    {L"SeSyncAgentPrivilege", 26, false, false},
    {L"SeEnableDelegationPrivilege", 27, false, false},
    {L"SeManageVolumePrivilege", 28, true, false},
    {L"SeImpersonatePrivilege", 29, true, true},
    {L"SeCreateGlobalPrivilege", 30, true, true},
    {L"SeTrustedCredManAccessPrivilege", 31, false, false},
    {L"SeRelabelPrivilege", 32, false, false},
    {L"SeIncreaseWorkingSetPrivilege", 33, true, false},
    {L"SeTimeZonePrivilege", 34, true, false},
    {L"SeCreateSymbolicLinkPrivilege", 35, true, false},
    {L"SeDelegateSessionUserImpersonatePrivilege", 36, true, false},
};

constexpr DWORD kPrivilegeRemoved = 0x00000004;  // SE_PRIVILEGE_REMOVED

PrivilegeState* StateOf(Token& token, const std::wstring& name) {
    LUID luid;
    if (!Token::Lookup(name, luid)) return nullptr;
    return &token.privileges[luid.LowPart];
}

}  // namespace

Token::Token() {
    for (const auto& known : kPrivileges) {
        if (known.heldByAdministrator) privileges[known.luid] = PrivilegeState{true, known.enabledByDefault};
    }
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

void Token::Enable(const std::wstring& name, bool enabled) {
    if (PrivilegeState* state = StateOf(*this, name)) state->enabled = enabled && state->held;
}

bool Token::Holds(const std::wstring& name) const {
    LUID luid;
    if (!Lookup(name, luid)) return false;
    auto it = privileges.find(luid.LowPart);
    return it != privileges.end() && it->second.held;
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
    if (systemName != nullptr && *systemName != 0) return Fail(ERROR_INVALID_PARAMETER, FALSE);  // remote systems
    if (DWORD error = machine.faults().Check("LookupPrivilegeValueW", name)) return Fail(error, FALSE);
    if (!sim::Token::Lookup(name, *luid)) return Fail(ERROR_NO_SUCH_PRIVILEGE, FALSE);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

// Succeeds when every entry could be applied to a privilege the token holds; an entry for a
// privilege the token does not hold is passed over and the call still succeeds, with the last
// error ERROR_NOT_ALL_ASSIGNED. The earlier state is returned when asked for.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                           PTOKEN_PRIVILEGES previousState, PDWORD returnLength) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenToken>(token, sim::HandleKind::Token);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if ((open->access & TOKEN_ADJUST_PRIVILEGES) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (previousState != nullptr && (open->access & TOKEN_QUERY) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (!disableAll && newState == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (DWORD error = machine.faults().Check("AdjustTokenPrivileges")) return Fail(error, FALSE);
    auto& privileges = machine.token().privileges;

    // The entries that change, with their earlier state.
    std::vector<LUID_AND_ATTRIBUTES> changed;
    bool notAll = false;
    if (disableAll) {
        for (const auto& entry : privileges) {
            if (entry.second.enabled) changed.push_back({{entry.first, 0}, SE_PRIVILEGE_ENABLED});
        }
    } else {
        const LUID_AND_ATTRIBUTES* entries = newState->Privileges;
        for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
            auto it = privileges.find(entries[i].Luid.LowPart);
            if (entries[i].Luid.HighPart != 0 || it == privileges.end() || !it->second.held) {
                notAll = true;
                continue;
            }
            changed.push_back({entries[i].Luid, it->second.enabled ? DWORD(SE_PRIVILEGE_ENABLED) : 0});
        }
    }
    if (previousState != nullptr) {
        DWORD needed = static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) +
                                          changed.size() * sizeof(LUID_AND_ATTRIBUTES));
        if (returnLength) *returnLength = needed;
        if (bufferLength < needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
        previousState->PrivilegeCount = static_cast<DWORD>(changed.size());
        LUID_AND_ATTRIBUTES* out = previousState->Privileges;  // as many entries as the buffer holds
        for (size_t i = 0; i < changed.size(); ++i) out[i] = changed[i];
    }
    if (disableAll) {
        for (auto& entry : privileges) entry.second.enabled = false;
    } else {
        const LUID_AND_ATTRIBUTES* entries = newState->Privileges;
        for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
            auto it = privileges.find(entries[i].Luid.LowPart);
            if (entries[i].Luid.HighPart != 0 || it == privileges.end() || !it->second.held) continue;
            DWORD attributes = entries[i].Attributes;
            if (attributes & sim::kPrivilegeRemoved) {
                it->second = sim::PrivilegeState{};
            } else {
                it->second.enabled = (attributes & SE_PRIVILEGE_ENABLED) != 0;
            }
        }
    }
    machine.lastError = notAll ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS;
    return TRUE;
}
