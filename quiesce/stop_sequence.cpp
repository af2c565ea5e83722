#include "quiesce/stop_sequence.h"

#include "quiesce/suite_tables.h"

void StopSuite(CEnvironment& env) {
    for (const SuiteWindow& row : kSuiteWindows) TerminateWindowOwners(row.className, row.title);
    TerminateSuiteProcesses(env);
    StopSuiteServices();
}
