// The token's elevation, the account names of its user, and the user of the interactive console
// session.
// GetTokenInformation(TokenElevation): https://learn.microsoft.com/windows/win32/api/winnt/ns-winnt-token_elevation
// LookupAccountSidW: https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-lookupaccountsidw
//   (sizes in characters; a buffer too small gives ERROR_INSUFFICIENT_BUFFER with the sizes needed,
//   terminators included; a SID without an account gives ERROR_NONE_MAPPED)
// WTSQuerySessionInformationW: https://learn.microsoft.com/windows/win32/api/wtsapi32/nf-wtsapi32-wtsquerysessioninformationw
//   (the text is allocated by the call and freed with WTSFreeMemory; its size in bytes; a session
//   without a user gives an empty name)
// WTSGetActiveConsoleSessionId: 0xFFFFFFFF while no session is attached to the console.
// ProcessIdToSessionId: https://learn.microsoft.com/windows/win32/api/processthreadsapi/nf-processthreadsapi-processidtosessionid
//   (the session a process runs in, which is the console's only when its user sits at the console)
#include <cstring>

#include "machine.h"
#include "token.h"
#include "win_api.h"

namespace sim {

BOOL TokenElevationInformation(const Token& token, LPVOID info, DWORD size, PDWORD needed) {
    if (needed) *needed = sizeof(TOKEN_ELEVATION);
    if (info == nullptr || size < sizeof(TOKEN_ELEVATION)) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = token.elevated ? 1 : 0;
    return TRUE;
}

namespace {

// The simulated program's own process identifier.
constexpr DWORD kOwnProcessId = 4711;

bool Fits(const std::wstring& text, LPWSTR buffer, DWORD count) { return buffer != nullptr && count > text.size(); }

}  // namespace

}  // namespace sim

using sim::Fail;
using sim::Machine;

BOOL LookupAccountSidW(LPCWSTR systemName, PSID sid, LPWSTR name, LPDWORD nameCount, LPWSTR domain, LPDWORD domainCount,
                       PSID_NAME_USE use) {
    Machine& machine = Machine::Current();
    if (systemName != nullptr) return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    if (sid == nullptr || nameCount == nullptr || domainCount == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const sim::Token& token = machine.token();
    if (machine.sids.at(*static_cast<DWORD*>(sid)) != token.user) return Fail(ERROR_NONE_MAPPED, FALSE);
    bool fits = sim::Fits(token.userName, name, *nameCount) && sim::Fits(token.userDomain, domain, *domainCount);
    if (!fits) {
        *nameCount = static_cast<DWORD>(token.userName.size() + 1);
        *domainCount = static_cast<DWORD>(token.userDomain.size() + 1);
        return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    }
    std::memcpy(name, token.userName.c_str(), (token.userName.size() + 1) * sizeof(WCHAR));
    std::memcpy(domain, token.userDomain.c_str(), (token.userDomain.size() + 1) * sizeof(WCHAR));
    *nameCount = static_cast<DWORD>(token.userName.size());
    *domainCount = static_cast<DWORD>(token.userDomain.size());
    if (use) *use = SidTypeUser;
    return TRUE;
}

DWORD WTSGetActiveConsoleSessionId() { return Machine::Current().token().consoleSession; }

DWORD GetCurrentProcessId() { return sim::kOwnProcessId; }

BOOL ProcessIdToSessionId(DWORD processId, DWORD* session) {
    if (session == nullptr || processId != sim::kOwnProcessId) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    *session = Machine::Current().token().processSession;
    return TRUE;
}

BOOL WTSQuerySessionInformationW(HANDLE server, DWORD session, WTS_INFO_CLASS infoClass, LPWSTR* buffer, LPDWORD bytes) {
    const sim::Token& token = Machine::Current().token();
    if (server != WTS_CURRENT_SERVER_HANDLE || buffer == nullptr || bytes == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    auto user = token.sessions.find(session);
    if (user == token.sessions.end() || (infoClass != WTSUserName && infoClass != WTSDomainName)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const std::wstring& text = infoClass == WTSUserName ? user->second.name : user->second.domain;
    auto* copy = new WCHAR[text.size() + 1];
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    *buffer = copy;
    *bytes = static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
    return TRUE;
}

void WTSFreeMemory(LPVOID memory) { delete[] static_cast<WCHAR*>(memory); }
