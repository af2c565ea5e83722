// The simulated service control manager: installed services with their state, the rights that
// the manager and each service grant, and the record of what was asked of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win_types.h"

namespace sim {

constexpr DWORD kServiceAllAccess = 0xF01FF;  // SERVICE_ALL_ACCESS
constexpr DWORD kManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS

struct Service {
    std::wstring name;
    DWORD state = SERVICE_RUNNING;
    bool acceptsStop = true;              // false: the stop control is refused as not valid for it
    DWORD grantable = kServiceAllAccess;  // rights beyond these are refused with ERROR_ACCESS_DENIED
    // The service reports as the sample of "Writing a Control Handler Function" does: on the stop
    // control, SERVICE_STOP_PENDING once, with checkpoint 1 and its wait hint; SERVICE_STOPPED only
    // once its stop, stopMs later (0: at once), is done, after its action at the stop (atStop:
    // saving a file, writing a value). Its state and checkpoint change only when it reports.
    DWORD stopMs = 0;
    DWORD waitHintMs = 0;
    uint64_t stopsAtMs = 0;
    DWORD checkPoint = 0;
    std::function<void()> atStop;
    // A service in SERVICE_START_PENDING reports SERVICE_RUNNING from this clock time on.
    uint64_t runsAtMs = 0;

    std::vector<DWORD> openedWith;  // the rights of every successful open, in order
    std::vector<DWORD> controls;    // the controls it accepted, in order
};

struct Services {
    // An installed, running service. Names are compared without regard to case.
    Service& Add(const std::wstring& name);
    Service* Find(const std::wstring& name);
    std::shared_ptr<Service> Shared(const std::wstring& name);

    DWORD managerGrantable = kManagerAllAccess;
    std::vector<DWORD> managerOpenedWith;
    std::vector<std::shared_ptr<Service>> list;
};

}  // namespace sim
