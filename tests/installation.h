// A populated installation of the suite on the simulated machine: a value for every catalogue
// entry, enumerated lists of chosen lengths, the keys carried whole with values and subkeys, and
// the data folders with nested files, some of which the copies leave out. Also the reinstall that
// wipes it and puts back an empty installation with default values.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "procedures/catalogue.h"

struct InstallationShape {
    int defEpgPairs = 40;
    int dispMyPairs[4] = {12, 0, 30, 5};
    bool dispMyNum[4] = {true, true, false, true};
};

// The value an installation holds for a catalogue entry (a number, or a text for string rows).
DWORD SeedNumber(const std::wstring& section, const std::wstring& name);
std::wstring SeedText(const std::wstring& name);

void SeedInstallation(sim::Machine& machine, const InstallationShape& shape = InstallationShape());
// Removes the suite's keys and data, then puts back what a fresh install holds: the keys carried
// whole exist again but empty, "MainVersion"/"SubVersion" hold a new version, data folders exist.
void Reinstall(sim::Machine& machine);

// Every registry value and key of the suite, and every file of its data folders, one line each:
// equal listings mean equal installations.
std::vector<std::wstring> SuiteRegistryListing(sim::Machine& machine);
std::vector<std::wstring> SuiteFilesListing(sim::Machine& machine);

// The data files that the copies carry (relative to C:\), and those they leave out.
extern const std::vector<std::wstring> kCarriedFiles;
extern const std::vector<std::wstring> kLeftOutFiles;
