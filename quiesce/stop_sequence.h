// Stopping the suite before anything of it is read or written: the owners of its windows, its
// named processes, then its services.
#pragma once

#include "base/environment.h"

// Terminates the owner of every top-level window of that class (any class when null) and title.
void TerminateWindowOwners(LPCWSTR className, LPCWSTR title);
// Terminates every running process of the suite's two executable names; writes the trace line.
void TerminateSuiteProcesses(CEnvironment& env);
// Terminates the process when its lowercased narrow name is one of the suite's.
void TerminateIfSuiteProcess(const char* name, DWORD processId);
// Sends the stop control to the suite's two services and waits for each to stop.
void StopSuiteServices();
// The whole stop sequence: every row of the window table, then the processes, then the services.
void StopSuite(CEnvironment& env);
