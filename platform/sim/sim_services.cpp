// The service control manager of the simulated machine: its handle, service handles and the stop control.
#include <cstdio>

#include "machine.h"
#include "services.h"
#include "win_api.h"

namespace sim {

namespace {

constexpr DWORD kErrorInvalidAddress = 487;            // ERROR_INVALID_ADDRESS
constexpr DWORD kServiceWin32OwnProcess = 0x00000010;  // SERVICE_WIN32_OWN_PROCESS
constexpr DWORD kServiceAcceptStop = 0x00000001;       // SERVICE_ACCEPT_STOP

struct ManagerHandle {
    DWORD access;
};

struct ServiceRef {
    std::shared_ptr<Service> service;
    DWORD access;
};

// The reports the service made by the machine's clock: a start that has ended, a stop that is
// done (after its action). Nothing else changes its state or checkpoint ("SERVICE_STATUS
// structure": only the service sets dwCheckPoint and dwWaitHint, through SetServiceStatus).
void Advance(Service& service) {
    uint64_t now = Machine::Current().clockMs;
    if (service.state == SERVICE_START_PENDING && now >= service.runsAtMs) service.state = SERVICE_RUNNING;
    if (service.state != SERVICE_STOP_PENDING || now < service.stopsAtMs) return;
    if (service.atStop) service.atStop();
    service.state = SERVICE_STOPPED;
    service.checkPoint = 0;
}

void Report(Service& service, LPSERVICE_STATUS status) {
    Advance(service);
    *status = SERVICE_STATUS{};
    status->dwServiceType = kServiceWin32OwnProcess;
    status->dwCurrentState = service.state;
    if (service.state == SERVICE_STOP_PENDING || service.state == SERVICE_START_PENDING) {
        status->dwCheckPoint = service.checkPoint;
        status->dwWaitHint = service.waitHintMs;
    }
    if (service.state == SERVICE_RUNNING && service.acceptsStop) status->dwControlsAccepted = kServiceAcceptStop;
}

// The error with which the stop control is refused in the service's present state, or 0.
DWORD StopRefusal(const Service& service) {
    if (service.state == SERVICE_STOPPED) return ERROR_SERVICE_NOT_ACTIVE;
    if (service.state != SERVICE_RUNNING) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    if (!service.acceptsStop) return ERROR_INVALID_SERVICE_CONTROL;
    return 0;
}

}  // namespace

Service& Services::Add(const std::wstring& name) {
    list.push_back(std::make_shared<Service>());
    list.back()->name = name;
    return *list.back();
}

Service* Services::Find(const std::wstring& name) { return Shared(name).get(); }

std::shared_ptr<Service> Services::Shared(const std::wstring& name) {
    for (const auto& service : list) {
        if (SameName(service->name, name)) return service;
    }
    return nullptr;
}

}  // namespace sim

using sim::HandleKind;
using sim::Machine;

// Only the local machine and its active database (both null) are modelled.
SC_HANDLE OpenSCManagerW(LPCWSTR machineName, LPCWSTR database, DWORD access) {
    Machine& machine = Machine::Current();
    machine.Log(L"OpenSCManagerW " + sim::Hex(access));
    if (machineName != nullptr || database != nullptr) return sim::Fail(ERROR_CALL_NOT_IMPLEMENTED, SC_HANDLE(nullptr));
    auto& services = machine.services();
    if (access & ~services.managerGrantable) return sim::Fail(ERROR_ACCESS_DENIED, SC_HANDLE(nullptr));
    services.managerOpenedWith.push_back(access);
    HANDLE handle = machine.AddHandle(HandleKind::ServiceManager, std::make_shared<sim::ManagerHandle>(sim::ManagerHandle{access}));
    return reinterpret_cast<SC_HANDLE>(handle);
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR name, DWORD access) {
    Machine& machine = Machine::Current();
    if (!machine.FindHandle<sim::ManagerHandle>(reinterpret_cast<HANDLE>(manager), HandleKind::ServiceManager)) {
        return sim::Fail(ERROR_INVALID_HANDLE, SC_HANDLE(nullptr));
    }
    if (name == nullptr) return sim::Fail(sim::kErrorInvalidAddress, SC_HANDLE(nullptr));
    machine.Log(L"OpenServiceW " + std::wstring(name) + L" " + sim::Hex(access));
    auto service = machine.services().Shared(name);
    if (!service) return sim::Fail(ERROR_SERVICE_DOES_NOT_EXIST, SC_HANDLE(nullptr));
    if (access & ~service->grantable) return sim::Fail(ERROR_ACCESS_DENIED, SC_HANDLE(nullptr));
    service->openedWith.push_back(access);
    HANDLE handle = machine.AddHandle(HandleKind::Service, std::make_shared<sim::ServiceRef>(sim::ServiceRef{service, access}));
    return reinterpret_cast<SC_HANDLE>(handle);
}

// Only the stop control is simulated: a running service that accepts it reports its stop pending
// (and stopped at once when its stop takes no time). A refused control still reports the
// service's status, as Windows does.
BOOL ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
    Machine& machine = Machine::Current();
    auto ref = machine.FindHandle<sim::ServiceRef>(reinterpret_cast<HANDLE>(handle), HandleKind::Service);
    if (!ref) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    if (status == nullptr) return sim::Fail(sim::kErrorInvalidAddress, FALSE);
    sim::Service& service = *ref->service;
    machine.Log(L"ControlService " + service.name + L" " + std::to_wstring(control));
    if (control != SERVICE_CONTROL_STOP) return sim::Fail(ERROR_INVALID_SERVICE_CONTROL, FALSE);
    if (!(ref->access & SERVICE_STOP)) return sim::Fail(ERROR_ACCESS_DENIED, FALSE);
    sim::Advance(service);
    if (DWORD refusal = sim::StopRefusal(service)) {
        sim::Report(service, status);
        return sim::Fail(refusal, FALSE);
    }
    service.controls.push_back(control);
    service.state = SERVICE_STOP_PENDING;
    service.checkPoint = 1;
    service.stopsAtMs = machine.clockMs + service.stopMs;
    sim::Report(service, status);
    return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
    Machine& machine = Machine::Current();
    auto ref = machine.FindHandle<sim::ServiceRef>(reinterpret_cast<HANDLE>(handle), HandleKind::Service);
    if (!ref) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    if (status == nullptr) return sim::Fail(sim::kErrorInvalidAddress, FALSE);
    if (!(ref->access & SERVICE_QUERY_STATUS)) return sim::Fail(ERROR_ACCESS_DENIED, FALSE);
    sim::Report(*ref->service, status);
    return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
    Machine& machine = Machine::Current();
    HANDLE kernel = reinterpret_cast<HANDLE>(handle);
    if (machine.CloseHandleOf(kernel, HandleKind::Service) || machine.CloseHandleOf(kernel, HandleKind::ServiceManager)) {
        return TRUE;
    }
    return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
}
