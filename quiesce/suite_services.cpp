// The service step: the stop control is sent to each of the suite's services, and each is waited
// for until it has stopped, as "Stopping a Service" does it: while the service reports that its
// stop is pending, whatever its checkpoint and wait hint (a service may report its stop pending
// once, with a wait hint of 0, and report again only when it has stopped, as the sample of
// "Writing a Control Handler Function" does), never more than kServicesWaitMs for the whole step.
// A service that is already stopping is waited for the same way; one that cannot take the
// control yet (it is still starting) is asked again within the same bound. A service that does
// not stop in time is left as it is; the files it keeps open then fail their copies.
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
// Between two looks at a service: a tenth of its wait hint, within these bounds.
constexpr DWORD kShortestPollMs = 100;
constexpr DWORD kLongestPollMs = 1000;

// What is left of the step's time; 0 once it is spent.
DWORD TimeLeft(DWORD stepStarted) { return kServicesWaitMs - std::min(kServicesWaitMs, GetTickCount() - stepStarted); }

// Sleeps one poll interval for the status, within what is left of the step; false when nothing is.
bool Pause(const SERVICE_STATUS& status, DWORD stepStarted) {
    DWORD left = TimeLeft(stepStarted);
    if (left == 0) return false;
    Sleep(std::min(left, std::clamp(status.dwWaitHint / 10, kShortestPollMs, kLongestPollMs)));
    return true;
}

// The stop control, sent again while the service cannot take it yet ("ControlService":
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL, as while it starts) and is neither stopping nor stopped.
void SendStop(SC_HANDLE service, SERVICE_STATUS& status, DWORD stepStarted) {
    while (!ControlService(service, SERVICE_CONTROL_STOP, &status) && GetLastError() == ERROR_SERVICE_CANNOT_ACCEPT_CTRL) {
        if (!QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_STOP_PENDING ||
            status.dwCurrentState == SERVICE_STOPPED || !Pause(status, stepStarted)) {
            return;
        }
    }
}

void WaitForStop(SC_HANDLE service, SERVICE_STATUS& status, DWORD stepStarted) {
    if (!QueryServiceStatus(service, &status)) return;
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        if (!Pause(status, stepStarted) || !QueryServiceStatus(service, &status)) return;
    }
}

}  // namespace

void StopSuiteServices() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, kManagerAccess));
    if (!manager.Valid()) return;
    DWORD started = GetTickCount();
    for (LPCWSTR name : kSuiteServiceNames) {
        ServiceHandle service(OpenServiceW(manager.Get(), name, kServiceAccess));
        if (!service.Valid()) continue;
        SERVICE_STATUS status = {};
        SendStop(service.Get(), status, started);
        WaitForStop(service.Get(), status, started);
    }
}
