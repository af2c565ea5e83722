#include "procedures/transfer.h"

#include <cstring>

#include "registry/snapshot_table.h"

const Transfer kSaveTransfer = {&CEnvironment::SaveDwordValue, &CEnvironment::SaveStringValue,
                                &CEnvironment::SaveKeyToFile};
const Transfer kRestoreTransfer = {&CEnvironment::RestoreDwordValue, &CEnvironment::RestoreStringValue,
                                   &CEnvironment::RestoreKeyFromFile};

namespace {

// "num" is carried but does not bound the walk; the list ends at the first "SID%d" not carried.
void TransferDefEpgOrderList(CEnvironment& env, HKEY root, const Transfer& transfer) {
    (env.*transfer.dword)(root, kDefEpgOrderSubKey, L"num");
    for (int index = 0; index < kListBound; ++index) {
        WCHAR name[8];
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 8, L"Show%d", index);
        (env.*transfer.dword)(root, kDefEpgOrderSubKey, name);
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 8, L"SID%d", index);
        if (!(env.*transfer.dword)(root, kDefEpgOrderSubKey, name)) return;
    }
}

// A list whose "num" is not carried is skipped whole; a list ends at the first "SOURCE%d" not carried.
void TransferDispMyList(CEnvironment& env, HKEY root, LPCWSTR subKey, const Transfer& transfer) {
    if (!(env.*transfer.dword)(root, subKey, L"num")) return;
    (env.*transfer.string)(root, subKey, L"name");
    for (int index = 0; index < kListBound; ++index) {
        WCHAR name[16];
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 16, L"SOURCE%d", index);
        if (!(env.*transfer.dword)(root, subKey, name)) return;
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 16, L"ID%d", index);
        (env.*transfer.dword)(root, subKey, name);
    }
}

}  // namespace

void TransferRow(CEnvironment& env, const CatalogueRow& row, const Transfer& transfer) {
    switch (row.kind) {
    case RowKind::Dword:
        ForEachValueName(row, [&](LPCWSTR name) { (env.*transfer.dword)(row.root, row.subKey, name); });
        break;
    case RowKind::String:
        ForEachValueName(row, [&](LPCWSTR name) { (env.*transfer.string)(row.root, row.subKey, name); });
        break;
    case RowKind::Snapshots:
        for (size_t i = 0; i < kSnapshotCount; ++i) {
            (env.*transfer.snapshot)(kSnapshotTable[i].fileName, kSnapshotTable[i].subKey);
        }
        break;
    case RowKind::DefEpgOrderDG:
        TransferDefEpgOrderList(env, row.root, transfer);
        break;
    case RowKind::DispMY:
        for (LPCWSTR subKey : kDispMySubKeys) TransferDispMyList(env, row.root, subKey, transfer);
        break;
    }
}
