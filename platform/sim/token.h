// The simulated process token and its privileges.
//
// A fresh machine runs elevated: its token holds SeBackupPrivilege, SeRestorePrivilege and
// SeDebugPrivilege, held but not enabled. Tests take a privilege away (Hold(name, false)) to see
// what the platform does for a token that does not hold it. The local system knows those three
// privileges by name.
#pragma once

#include <map>
#include <string>

#include "win_types.h"

namespace sim {

struct PrivilegeState {
    bool held = false;
    bool enabled = false;
};

struct Token {
    Token();

    // The identifier of a privilege name (without regard to case); false for a name the local
    // system does not know.
    static bool Lookup(const std::wstring& name, LUID& luid);

    // Control interface for tests, by privilege name.
    void Hold(const std::wstring& name, bool held);  // a privilege that is not held is not enabled
    bool Enabled(const std::wstring& name) const;

    std::map<DWORD, PrivilegeState> privileges;  // by the LowPart of the identifier
    std::wstring user = L"S-1-5-21-1-2-3-1001";  // the SID of the account that runs the program
    std::wstring userName = L"user", userDomain = L"PC";  // its account name
    // An administrator's token is elevated unless a test plays a console that is not.
    bool elevated = true;
    // The sessions by number with their users (sim_session.cpp; an empty name: no one is logged on
    // there), the one attached to the console and the one this process runs in.
    struct SessionUser {
        std::wstring name, domain;
    };
    std::map<DWORD, SessionUser> sessions = {{1, {L"user", L"PC"}}};
    DWORD consoleSession = 1, processSession = 1;
};

// TokenElevation of GetTokenInformation (sim_session.cpp).
BOOL TokenElevationInformation(const Token& token, LPVOID info, DWORD size, PDWORD needed);

// A token opened through OpenProcessToken, with the access it was opened with.
struct OpenToken {
    DWORD access = 0;
};

}  // namespace sim
