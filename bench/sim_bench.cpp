// Time per catalogue record and per copied file of "/get" and "/set" on the simulated machine,
// for a large installation (every list at 256 pairs, a data tree of a few thousand files). The
// simulated platform costs next to nothing, so this measures the program's own work.
#include <chrono>
#include <cstdio>
#include <string>

#include "app/command.h"
#include "check/facts/settings_scan.h"
#include "platform/sim/drives.h"
#include "platform/sim/filesystem.h"
#include "platform/sim/machine.h"
#include "platform/sim/registry.h"
#include "tests/suite/standin_suite.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    int files = argc > 1 ? std::atoi(argv[1]) : 3000;
    sim::ScopedMachine machine;
    machine->drives().Add(L'D', DRIVE_FIXED);
    SuiteShape shape;
    shape.defEpgPairs = 256;
    for (int list = 0; list < 4; ++list) {
        shape.dispMyPairs[list] = 256;
        shape.dispMyNum[list] = true;
    }
    shape.extraDataFiles = files;
    std::wstring failure;
    if (!InstallSuite(shape, failure)) {
        std::printf("cannot install: %ls\n", failure.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    RunCommand(L"/get");
    double get = Seconds(start);
    size_t records = ScanSettingsFile(L"D:\\mvtemp\\Movendo.ini").records;
    size_t copied = machine->files().CountFiles(L"D:\\mvtemp\\MV") + machine->files().CountFiles(L"D:\\mvtemp\\tw1") +
                    machine->files().CountFiles(L"D:\\mvtemp\\tw2") + 1;
    start = std::chrono::steady_clock::now();
    RunCommand(L"/set");
    double set = Seconds(start);
    // Each command works on two workspaces.
    double units = 2.0 * (records + copied);
    std::printf("simulated machine: %zu records and %zu files per workspace\n", records, copied);
    std::printf("  /get %.3f s, /set %.3f s\n", get, set);
    std::printf("  per record or file: /get %.1f us, /set %.1f us\n", get / units * 1e6, set / units * 1e6);
    return 0;
}
