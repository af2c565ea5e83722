// The three registry values that name recording folders, in the order they are handled. Values
// of one key are read through one opening of that key.
#pragma once

#include <cstddef>

#include "platform/platform.h"

struct SavePathValue {
    LPCWSTR subKey;  // below HKEY_LOCAL_MACHINE
    LPCWSTR valueName;
    const char* tracePrefix;
};

extern const SavePathValue kSavePathValues[];
extern const size_t kSavePathValueCount;

// A save path names a folder only when it is absolute on a fixed or removable drive (X:\...).
bool IsLocalDrivePath(LPCWSTR path);
