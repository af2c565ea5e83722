// A stand-in installation of the suite, written and checked through the platform API only, so
// the same code seeds the simulated machine in the unit tests and a Wine prefix in the demo and the
// real-platform tests: a value for every catalogue entry, enumerated lists of chosen lengths, the
// keys carried whole with values and subkeys, the data folders with nested files (some of which
// the copies leave out), and C:\MvdMng.ini.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct SuiteShape {
    int defEpgPairs = 40;
    int dispMyPairs[4] = {12, 0, 30, 5};
    bool dispMyNum[4] = {true, true, false, true};
    int extraDataFiles = 0;  // generated files in nested folders of the suite data tree
};

// The value the installation holds for an entry: a number, or a text for string values.
DWORD SeedNumber(const std::wstring& section, const std::wstring& name);
std::wstring SeedText(const std::wstring& name);

// A data file of the installation: its known folder (0 for the root of C:), its path below it,
// and whether the copies carry it.
struct SuiteFile {
    int csidl;
    std::wstring path;
    bool carried;
};
std::vector<SuiteFile> SuiteFiles(const SuiteShape& shape);
std::string SuiteFileContent(const SuiteFile& file);
// The full path of a file on this machine; empty when its known folder cannot be looked up.
std::wstring SuiteFilePath(const SuiteFile& file);

// Writes the installation; false (with a reason) on the first thing that cannot be written.
bool InstallSuite(const SuiteShape& shape, std::wstring& failure);

// What a check of the machine against the installation found, one line per catalogue row or data set.
struct SuiteCheckLine {
    std::wstring what;   // "C5", "DispMY1", "snapshot IPTV.dat", "data set MV"
    size_t expected = 0;
    size_t found = 0;    // equal to the installation
    std::vector<std::wstring> differing;  // names of entries found different or missing
    std::wstring note;   // a reason the line is not judged, such as a known gap of the platform
};

// Compares the machine with the installation. Values that a restore does not write back (the
// versions) and lists that are not carried (no "num") are expected as the reinstall left them.
// When `snapshotsRestorable` is false the key snapshot lines carry `snapshotNote` instead of
// a verdict.
std::vector<SuiteCheckLine> CheckSuite(const SuiteShape& shape, bool snapshotsRestorable, const std::wstring& snapshotNote);

// What a fresh install of the suite holds: the keys carried whole exist but are empty, the
// versions are new, one setting has its default, and the data folders exist. Written after the
// suite's keys and folders have been removed.
bool InstallFreshSuite(std::wstring& failure);
extern LPCWSTR const kFreshMainVersion;
