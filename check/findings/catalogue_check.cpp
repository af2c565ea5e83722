#include "check/findings/catalogue_check.h"

#include <cwchar>
#include <set>

#include "base/path_buffer.h"
#include "registry/section_name.h"
#include "registry/snapshot_table.h"

namespace {

size_t KeysInSection(const SettingsScan& settings, const std::wstring& section) {
    const SettingsScan::Section* found = settings.FindSection(section);
    return found ? found->keys.size() : 0;
}

// The list as a restore walks it: how many pairs it writes, and how many records of its section
// it never reaches.
ListCheck CheckList(const SettingsScan& settings, const CatalogueRow& row, LPCWSTR subKey,
                    const std::vector<ReplayedWrite>& rowWrites) {
    ListCheck list;
    list.section = SectionOf(row.root, subKey);
    LPCWSTR pairMember = row.kind == RowKind::DispMY ? L"SOURCE" : L"SID";
    size_t reached = 0;
    for (const auto& write : rowWrites) {
        if (write.subKey != subKey) continue;
        ++reached;
        list.pairs += write.name.compare(0, std::wcslen(pairMember), pairMember) == 0;
    }
    list.skipped = row.kind == RowKind::DispMY && reached == 0;
    size_t total = KeysInSection(settings, list.section);
    list.unreached = total > reached ? total - reached : 0;
    return list;
}

RowCheck CheckPlainRow(const CatalogueRow& row, const std::vector<ReplayedWrite>& rowWrites) {
    RowCheck check;
    check.label = row.label;
    std::set<std::wstring> read;
    for (const auto& write : rowWrites) read.insert(write.name);
    ForEachValueName(row, [&](LPCWSTR name) {
        ++check.expected;
        if (read.count(name)) {
            ++check.present;
        } else {
            check.missing.push_back(name);
        }
    });
    return check;
}

}  // namespace

Finding HiveDamageFinding(Say what, std::vector<std::wstring> names, const HiveFile& file) {
    names.push_back(std::to_wstring(file.declared));
    names.push_back(std::to_wstring(file.size));
    return {what, names, HiveDetail(file.format, file.damage)};
}

CatalogueCheck CheckCatalogue(const SettingsScan& settings, const ReplayedRows& records, const std::wstring& workspace) {
    CatalogueCheck check;
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        if (row.kind == RowKind::Dword || row.kind == RowKind::String) check.rows.push_back(CheckPlainRow(row, records[i]));
        if (row.kind == RowKind::DefEpgOrderDG) {
            check.lists.insert(check.lists.begin(), CheckList(settings, row, row.subKey, records[i]));
        }
        if (row.kind == RowKind::DispMY) {
            for (LPCWSTR subKey : kDispMySubKeys) check.lists.push_back(CheckList(settings, row, subKey, records[i]));
        }
    }
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        HiveCheck hive;
        hive.fileName = kSnapshotTable[i].fileName;
        hive.file = ReadHiveFile(workspace + L"\\" + hive.fileName);
        check.hivesWhole += hive.file.whole;
        check.hives.push_back(hive);
    }
    return check;
}
