// The backup held against the machine it was taken from: would a restore from the workspaces
// bring back everything this machine has now? Every catalogue value is read as the backup reads
// it and compared with the record a restore reads; every file the data sets carry is compared
// byte for byte with its copy; every entry a backup cannot carry is named with the reason; the
// hive file of every key that exists must be whole and hold what the key holds, value by value.
// Read-only.
#pragma once

#include <string>
#include <vector>

#include "check/facts/account.h"
#include "check/findings/finding.h"
#include "check/findings/workspace_report.h"

struct VerifyReport {
    size_t values = 0;  // live values compared, over both workspaces
    size_t files = 0;   // live files compared, over both workspaces
    size_t keys = 0;    // saved keys compared value by value with the live ones
    Findings gaps;      // what a restore would not bring back, and why
    Findings notes;     // what the technician should know
};

// The accounts: when the user of the check's session is not the account the check (and so a /get
// run the same way) reads, the rows and the data set of that account are named. The suite's part
// files and its VirtualStore, which /get does not carry, are named too.
VerifyReport VerifyWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second, const Accounts& accounts);
