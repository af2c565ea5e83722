#include "base/process_policy.h"

#include "platform/platform.h"

void EnforceRedirectionTrust() {
    typedef BOOL(WINAPI * SetPolicy)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetPolicy>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessMitigationPolicy")))
                      : nullptr;
    if (set == nullptr) return;
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
    policy.EnforceRedirectionTrust = 1;
    set(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
}
