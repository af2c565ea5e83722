// Process policies on the simulated machine, looked up at run time as a program does on Windows.
#include <cstring>

#include "filesystem.h"
#include "machine.h"
#include "win_api.h"

namespace {

HINSTANCE__ g_kernel32;

}  // namespace

// Only kernel32 is loaded, and of it only SetProcessMitigationPolicy is looked up.
HMODULE GetModuleHandleW(LPCWSTR name) {
    if (name != nullptr && sim::SameName(name, L"kernel32.dll")) return &g_kernel32;
    return sim::Fail(ERROR_FILE_NOT_FOUND, HMODULE(nullptr));
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (module != &g_kernel32 || name == nullptr || std::strcmp(name, "SetProcessMitigationPolicy") != 0) {
        return sim::Fail(ERROR_INVALID_PARAMETER, FARPROC(nullptr));
    }
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SetProcessMitigationPolicy));
}

// The redirection trust policy: enforced from then on where the platform offers it; elsewhere
// (before Windows 10 22H2) the call fails with ERROR_NOT_SUPPORTED and nothing changes.
BOOL SetProcessMitigationPolicy(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T size) {
    auto& files = sim::Machine::Current().files();
    if (policy != ProcessRedirectionTrustPolicy || buffer == nullptr || size != sizeof(PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY)) {
        return sim::Fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (!files.redirectionTrustOffered) return sim::Fail(ERROR_NOT_SUPPORTED, FALSE);
    if (static_cast<PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY*>(buffer)->EnforceRedirectionTrust) files.redirectionTrustEnforced = true;
    return TRUE;
}
