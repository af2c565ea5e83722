// The two carriers of the procedures: values saved from the registry into the workspace, and
// written back from it.
#pragma once

#include "app/environment.h"

struct SaveCarrier {
    CEnvironment& env;
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return env.SaveDwordValue(root, subKey, name); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return env.SaveStringValue(root, subKey, name); }
    void Snapshot(LPCWSTR fileName, LPCWSTR subKey) { env.SaveKeyToFile(fileName, subKey); }
};

struct RestoreCarrier {
    CEnvironment& env;
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return env.RestoreDwordValue(root, subKey, name); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return env.RestoreStringValue(root, subKey, name); }
    void Snapshot(LPCWSTR fileName, LPCWSTR subKey) { env.RestoreKeyFromFile(fileName, subKey); }
};
