// The backup held against the machine it was taken from: would a restore from the workspaces
// bring back everything this machine has now? Every catalogue value is read as the backup reads
// it and compared with the record a restore reads; every file the data sets carry is compared
// byte for byte with its copy; every entry a backup cannot carry is named with the reason; the
// hive files of the keys that exist must be whole. Read-only.
#pragma once

#include <string>
#include <vector>

#include "check/workspace_report.h"

struct VerifyReport {
    size_t values = 0;  // live values compared, over both workspaces
    size_t files = 0;   // live files compared, over both workspaces
    std::vector<std::wstring> gaps;   // what a restore would not bring back, and why
    std::vector<std::wstring> notes;  // what was checked only in part
};

VerifyReport VerifyWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second);
