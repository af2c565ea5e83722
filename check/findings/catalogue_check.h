// How much of the settings catalogue a workspace holds, and what a restore from it would write:
// records per row, the length of each enumerated list as the restore will walk it, and the hive
// files.
#pragma once

#include <string>
#include <vector>

#include "check/facts/hive_files.h"
#include "check/findings/finding.h"
#include "check/facts/restore_replay.h"
#include "check/facts/settings_scan.h"
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
    HiveFile file;
    bool Present() const { return file.format != HiveFormat::Missing; }
};

struct CatalogueCheck {
    std::vector<RowCheck> rows;  // the plain rows, in row order
    std::vector<ListCheck> lists;  // DefEpgOrderDG, then DispMY1 to DispMY4
    std::vector<HiveCheck> hives;
    size_t hivesWhole = 0;
};

CatalogueCheck CheckCatalogue(const SettingsScan& settings, const ReplayedRows& records, const std::wstring& workspace);

// A hive file that is not whole, as a finding: the names given, then the size it declares and its
// size; the detail holds its format and damage (HiveDetail).
Finding HiveDamageFinding(Say what, std::vector<std::wstring> names, const HiveFile& file);
inline int HiveDetail(HiveFormat format, hive::Damage damage) { return static_cast<int>(format) << 8 | static_cast<int>(damage); }
