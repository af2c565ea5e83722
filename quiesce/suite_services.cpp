// The service step: the stop control is sent to each of the suite's services; none is awaited.
#include "platform/handles.h"
#include "quiesce/stop_sequence.h"
#include "quiesce/suite_tables.h"

namespace {

constexpr DWORD kManagerAccess = SC_MANAGER_CONNECT;
constexpr DWORD kServiceAccess =
    SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP;
static_assert(kManagerAccess == 0x1 && kServiceAccess == 0x37, "the rights the service step asks for");

}  // namespace

void StopSuiteServices() {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, kManagerAccess));
    if (!manager.Valid()) return;
    SERVICE_STATUS status = {};  // shared by both stop controls
    for (LPCWSTR name : kSuiteServiceNames) {
        ServiceHandle service(OpenServiceW(manager.Get(), name, kServiceAccess));
        if (service.Valid()) ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    }
}
