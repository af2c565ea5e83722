// Privileges of the process token enabled just around the one call that needs them, and set back
// to the state they had at once.
#pragma once

#include "platform/handles.h"

// Privileges enabled for the life of this object, then set back to the state they had. Only the
// platform's own results count: a token that does not hold a privilege passes, and the call that
// needs it then fails.
class ScopedPrivileges {
public:
    ScopedPrivileges(LPCWSTR first, LPCWSTR second);
    ~ScopedPrivileges();
    ScopedPrivileges(const ScopedPrivileges&) = delete;
    ScopedPrivileges& operator=(const ScopedPrivileges&) = delete;

private:
    // A TOKEN_PRIVILEGES with room for two entries.
    struct Privileges {
        DWORD count;
        LUID_AND_ATTRIBUTES entries[2];
        PTOKEN_PRIVILEGES Get() { return reinterpret_cast<PTOKEN_PRIVILEGES>(this); }
    };
    KernelHandle token_;
    Privileges previous_ = {};
    bool adjusted_ = false;
};
