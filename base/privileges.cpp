#include "base/privileges.h"

#include <initializer_list>

ScopedPrivileges::ScopedPrivileges(LPCWSTR first, LPCWSTR second) {
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.Receive())) return;
    Privileges wanted = {};
    for (LPCWSTR name : {first, second}) {
        if (name == nullptr || !LookupPrivilegeValueW(nullptr, name, &wanted.entries[wanted.count].Luid)) continue;
        wanted.entries[wanted.count++].Attributes = SE_PRIVILEGE_ENABLED;
    }
    DWORD returned = 0;
    adjusted_ = wanted.count > 0 &&
                AdjustTokenPrivileges(token_.Get(), FALSE, wanted.Get(), sizeof previous_, previous_.Get(), &returned);
}

ScopedPrivileges::~ScopedPrivileges() {
    if (adjusted_ && previous_.count > 0) AdjustTokenPrivileges(token_.Get(), FALSE, previous_.Get(), 0, nullptr, nullptr);
}
