#include "check/facts/account.h"

#include "platform/handles.h"

namespace {

// Room for a TOKEN_USER and its SID (at most 68 bytes).
constexpr DWORD kTokenUserBytes = 256;
constexpr DWORD kNameCount = 256;

std::wstring Qualified(const std::wstring& domain, const std::wstring& name) {
    if (name.empty()) return std::wstring();
    return domain.empty() ? name : domain + L"\\" + name;
}

std::wstring TokenUserName(HANDLE token) {
    alignas(TOKEN_USER) BYTE buffer[kTokenUserBytes];
    DWORD needed = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &needed)) return std::wstring();
    WCHAR name[kNameCount], domain[kNameCount];
    DWORD nameCount = kNameCount, domainCount = kNameCount;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameCount, domain, &domainCount, &use)) {
        return std::wstring();
    }
    return Qualified(domain, name);
}

// Texts the session query allocates, freed with WTSFreeMemory.
struct SessionTextTraits {
    static LPWSTR Empty() { return nullptr; }
    static bool Valid(LPWSTR text) { return text != nullptr; }
    static void Close(LPWSTR text) { WTSFreeMemory(text); }
};
typedef UniqueHandle<LPWSTR, SessionTextTraits> SessionTextBuffer;

std::wstring SessionText(DWORD session, WTS_INFO_CLASS what) {
    SessionTextBuffer text;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, what, text.Receive(), &bytes) || !text.Valid()) return std::wstring();
    return text.Get();
}

}  // namespace

bool RunsElevated() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD needed = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &needed) && elevation.TokenIsElevated != 0;
}

Accounts ReadAccounts() {
    Accounts accounts;
    KernelHandle token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) accounts.runner = TokenUserName(token.Get());
    accounts.sessionKnown = ProcessIdToSessionId(GetCurrentProcessId(), &accounts.session) != FALSE;
    if (accounts.sessionKnown) {
        accounts.interactive = Qualified(SessionText(accounts.session, WTSDomainName), SessionText(accounts.session, WTSUserName));
    }
    return accounts;
}
