// The carriers of the procedures: values saved from the registry into the workspace, written back
// from it, and held against the workspace's settings file before a save.
#pragma once

#include "base/environment.h"
#include "registry/current_records.h"

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

// Holds the settings file against what a save would write now, by the save's own walk: current
// while every value's record is as the save would write it. Once one is not, nothing more is read.
struct CurrentCarrier {
    const std::wstring& file;
    bool current = true;
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return Hold(NumberRecordCurrent, root, subKey, name); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return Hold(TextRecordCurrent, root, subKey, name); }
    void Snapshot(LPCWSTR, LPCWSTR) {}

private:
    template <class Check>
    bool Hold(Check check, HKEY root, LPCWSTR subKey, LPCWSTR name) {
        bool carried = false;
        current = current && check(file, root, subKey, name, carried);
        return current && carried;
    }
};
