// The two carriers of the procedures: values saved from the registry into the workspace, and
// written back from it.
#pragma once

#include "base/environment.h"

// Without records (the settings file is a link, or its draft could not be begun) no value is
// carried, and every list ends at once; the key snapshots are carried all the same.
struct SaveCarrier {
    CEnvironment& env;
    bool records;
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return records && env.SaveDwordValue(root, subKey, name); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return records && env.SaveStringValue(root, subKey, name); }
    void Snapshot(LPCWSTR fileName, LPCWSTR subKey) { env.SaveKeyToFile(fileName, subKey); }
};

struct RestoreCarrier {
    CEnvironment& env;
    bool records;
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return records && env.RestoreDwordValue(root, subKey, name); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return records && env.RestoreStringValue(root, subKey, name); }
    void Snapshot(LPCWSTR fileName, LPCWSTR subKey) { env.RestoreKeyFromFile(fileName, subKey); }
};
