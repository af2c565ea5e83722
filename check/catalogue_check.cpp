#include "check/catalogue_check.h"

#include <algorithm>
#include <cwchar>

#include "app/path_buffer.h"
#include "check/restore_replay.h"
#include "check/tree_scan.h"
#include "procedures/catalogue_walk.h"
#include "registry/section_name.h"
#include "registry/snapshot_table.h"

namespace {

size_t RecordsInSection(const SettingsScan& settings, const std::wstring& section) {
    const SettingsScan::Section* found = settings.FindSection(section);
    return found ? found->records.size() : 0;
}

// The list as a restore walks it: which of its records get written, how many pairs, and how
// many records of its section are never reached.
ListCheck CheckList(const SettingsScan& settings, const CatalogueRow& row, LPCWSTR subKey) {
    ReplayCarrier carrier(settings);
    if (row.kind == RowKind::DispMY) {
        WalkDispMyList(carrier, row.root, subKey);
    } else {
        WalkDefEpgOrderList(carrier, row.root);
    }
    ListCheck list;
    list.section = SectionOf(row.root, subKey);
    LPCWSTR pairMember = row.kind == RowKind::DispMY ? L"SOURCE" : L"SID";
    for (const auto& write : carrier.writes) list.pairs += write.name.compare(0, std::wcslen(pairMember), pairMember) == 0;
    list.skipped = row.kind == RowKind::DispMY && carrier.writes.empty();
    size_t total = RecordsInSection(settings, list.section);
    list.unreached = total - std::min(carrier.writes.size(), total);
    return list;
}

RowCheck CheckPlainRow(const SettingsScan& settings, const CatalogueRow& row) {
    RowCheck check;
    check.label = row.label;
    std::wstring section = SectionOf(row.root, row.subKey);
    ForEachValueName(row, [&](LPCWSTR name) {
        ++check.expected;
        if (HasRecord(settings, section, name)) {
            ++check.present;
        } else {
            check.missing.push_back(name);
        }
    });
    return check;
}

}  // namespace

std::wstring SectionOf(HKEY root, LPCWSTR subKey) {
    PathBuffer section;
    FormatSectionName(root, subKey, section);
    return section;
}

bool HasRecord(const SettingsScan& settings, const std::wstring& section, const std::wstring& key, std::wstring* text) {
    std::wstring found;
    if (!settings.Find(section, key, found) || found.empty()) return false;
    if (text) *text = found;
    return true;
}

CatalogueCheck CheckCatalogue(const SettingsScan& settings, const std::wstring& workspace) {
    CatalogueCheck check;
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        if (row.kind == RowKind::Dword || row.kind == RowKind::String) check.rows.push_back(CheckPlainRow(settings, row));
        if (row.kind == RowKind::DefEpgOrderDG) check.lists.insert(check.lists.begin(), CheckList(settings, row, row.subKey));
        if (row.kind == RowKind::DispMY) {
            for (LPCWSTR subKey : kDispMySubKeys) check.lists.push_back(CheckList(settings, row, subKey));
        }
    }
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        HiveCheck hive;
        hive.fileName = kSnapshotTable[i].fileName;
        hive.present = KindOfEntry(workspace + L"\\" + hive.fileName, &hive.size) == EntryKind::File;
        check.hivesPresent += hive.present && hive.size > 0;
        check.hives.push_back(hive);
    }
    return check;
}
