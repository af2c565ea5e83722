// Where the workspaces lie: every one on every drive held against the two the program takes.
#pragma once

#include <vector>

#include "check/facts/workspace_drives.h"
#include "check/findings/finding.h"
#include "check/findings/workspace_report.h"

struct WorkspacePlaces {
    std::vector<DriveWorkspace> all;  // in letter order
    std::vector<bool> taken;          // per entry of all: the one the program takes
    Findings problems;                // workspaces the program never uses, with what to do
    // Per workspace (primary, second): the index in all of the newest one, when it is not the one
    // the program takes; -1 otherwise.
    int newer[2] = {-1, -1};
};

// `primary` and `second` are the workspaces the program's own location code found.
WorkspacePlaces JudgeWorkspacePlaces(std::vector<DriveWorkspace> all, const WorkspaceReport& primary, const WorkspaceReport& second);
