// How much of the settings catalogue a workspace holds, and what a restore from it would write:
// records per row, the length of each enumerated list as the restore will walk it, and the hive
// files.
#pragma once

#include <string>
#include <vector>

#include "check/hive_check.h"
#include "check/restore_replay.h"
#include "check/settings_scan.h"
#include "procedures/catalogue.h"

struct RowCheck {
    int label = 0;
    size_t expected = 0;  // value names of the row
    size_t present = 0;   // of them with a record a restore would write
    std::vector<std::wstring> missing;
};

struct ListCheck {
    std::wstring section;
    bool skipped = false;  // no "num": a restore writes nothing of the list
    int pairs = 0;         // pairs a restore writes before the list ends
    size_t unreached = 0;  // records of the list's section a restore never reaches
};

struct HiveCheck {
    std::wstring fileName;
    HiveVerdict verdict;
    bool Present() const { return verdict.format != HiveFormat::Missing; }
};

struct CatalogueCheck {
    std::vector<RowCheck> rows;  // the plain rows, in row order
    std::vector<ListCheck> lists;  // DefEpgOrderDG, then DispMY1 to DispMY4
    std::vector<HiveCheck> hives;
    size_t hivesWhole = 0;
};

CatalogueCheck CheckCatalogue(const SettingsScan& settings, const ReplayedRows& records, const std::wstring& workspace);

// The settings-file section of a registry key, as the program names it; empty for a root without
// a section name.
std::wstring SectionOf(HKEY root, LPCWSTR subKey);
