// Every workspace on every drive: the program takes the first drive that holds one, so a second
// workspace of the same name elsewhere (made while the first drive was away) is never used, and
// one on a drive whose paths do not resolve is never seen by the program at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/environment.h"

struct DriveWorkspace {
    Workspace which = Workspace::Primary;
    std::wstring path;      // such as E:\mvtemp
    bool resolves = true;   // false: its drive is passed over (its root reads as another path)
    uint64_t written = 0;   // the latest last-write time of its settings file and hive files (0: none)
};

// Each entry named mvtemp or mvtempbk in the root of a drive the program would consider, in letter
// order: the drives that qualify and those passed over only because their paths do not resolve.
std::vector<DriveWorkspace> FindEveryWorkspace();
