// The stand-in installation on the simulated machine, and the reinstall that wipes it and puts
// back an empty installation with default values.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "tests/suite/standin_suite.h"

void SeedInstallation(sim::Machine& machine, const SuiteShape& shape = SuiteShape());
void Reinstall(sim::Machine& machine);

// Every registry key and value of the suite, one line each: equal listings mean equal registries.
std::vector<std::wstring> SuiteRegistryListing(sim::Machine& machine);
