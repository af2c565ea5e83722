// A restore replayed against a saved settings file without touching the registry: the values it
// would write, in the order it would write them, by the same walk and list rules as the program.
#pragma once

#include <string>
#include <vector>

#include "check/settings_scan.h"
#include "procedures/catalogue.h"

struct ReplayedWrite {
    HKEY root;
    std::wstring subKey;
    std::wstring name;
    bool isString;
    std::wstring text;  // the record's text
};

class ReplayCarrier {
public:
    explicit ReplayCarrier(const SettingsScan& settings) : settings_(settings) {}
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return Carry(root, subKey, name, false); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return Carry(root, subKey, name, true); }
    void Snapshot(LPCWSTR, LPCWSTR) {}
    std::vector<ReplayedWrite> writes;

private:
    bool Carry(HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString);
    const SettingsScan& settings_;
};

std::vector<ReplayedWrite> ReplayRestore(const SettingsScan& settings);
