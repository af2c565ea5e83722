// The service step: the stop control is sent to each of the suite's services, and each is waited
// for until it has stopped, as the service control manager's protocol has it: while the service
// reports that its stop is pending and advances its checkpoint within the wait hint it gives,
// never more than kServicesWaitMs for the whole step. A service that does not stop in time is
// left as it is; the files it keeps open then fail their copies.
#include <algorithm>

#include "platform/handles.h"
#include "quiesce/stop_sequence.h"
#include "quiesce/suite_tables.h"

namespace {

constexpr DWORD kManagerAccess = SC_MANAGER_CONNECT;
constexpr DWORD kServiceAccess =
    SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP;
static_assert(kManagerAccess == 0x1 && kServiceAccess == 0x37, "the rights the service step asks for");

constexpr DWORD kServicesWaitMs = 30000;
// Between two looks at a pending stop: a tenth of its wait hint, within these bounds.
constexpr DWORD kShortestPollMs = 50;
constexpr DWORD kLongestPollMs = 1000;

void WaitForStop(SC_HANDLE service, DWORD stepStarted) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status)) return;
    DWORD checkpoint = status.dwCheckPoint;
    DWORD advanced = GetTickCount();
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        DWORD now = GetTickCount();
        DWORD left = kServicesWaitMs - std::min(kServicesWaitMs, now - stepStarted);
        if (left == 0 || now - advanced > status.dwWaitHint) return;
        Sleep(std::min(left, std::clamp(status.dwWaitHint / 10, kShortestPollMs, kLongestPollMs)));
        if (!QueryServiceStatus(service, &status)) return;
        if (status.dwCheckPoint != checkpoint) {
            checkpoint = status.dwCheckPoint;
            advanced = GetTickCount();
        }
    }
}

}  // namespace

void StopSuiteServices() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, kManagerAccess));
    if (!manager.Valid()) return;
    DWORD started = GetTickCount();
    SERVICE_STATUS status = {};  // shared by both stop controls
    for (LPCWSTR name : kSuiteServiceNames) {
        ServiceHandle service(OpenServiceW(manager.Get(), name, kServiceAccess));
        if (!service.Valid()) continue;
        ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        WaitForStop(service.Get(), started);
    }
}
