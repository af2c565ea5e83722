// The keys below HKEY_LOCAL_MACHINE that are carried whole, each as a hive file in the workspace.
#pragma once

#include <cstddef>

#include "platform/platform.h"

struct SnapshotRow {
    LPCWSTR fileName;  // directly in the workspace
    LPCWSTR subKey;    // below HKEY_LOCAL_MACHINE
};

extern const SnapshotRow kSnapshotTable[];
extern const size_t kSnapshotCount;
