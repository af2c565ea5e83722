// A simulated machine with the suite's programs seeded as a test needs them.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/environment.h"
#include "platform/sim/processes.h"
#include "platform/sim/services.h"
#include "platform/sim/text.h"
#include "quiesce/stop_sequence.h"
#include "sim_fixture.h"

class QuiesceTest : public SimTest {
protected:
    sim::Process& Run(DWORD id, const std::wstring& exeName) { return machine->processes().Add(id, exeName); }
    sim::Window& Window(LPCWSTR className, LPCWSTR title, DWORD ownerId) {
        return machine->processes().AddWindow(className, title, ownerId);
    }
    sim::Service& Install(LPCWSTR name) { return machine->services().Add(name); }
    const std::vector<DWORD>& Terminated() { return machine->processes().terminated; }
    long Calls(const std::wstring& entry) {
        const auto& calls = machine->calls();
        return std::count(calls.begin(), calls.end(), entry);
    }
    // Position of the first such call, or -1.
    long At(const std::wstring& entry) {
        const auto& calls = machine->calls();
        auto it = std::find(calls.begin(), calls.end(), entry);
        return it == calls.end() ? -1 : it - calls.begin();
    }
    CEnvironment env;
};
