// The walk over one catalogue row, with the rules of the enumerated lists, for any carrier of
// values: the procedures carry values between the registry and the workspace, the inspector
// replays a restore against a saved settings file. A carrier has
//   bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR valueName);   true when the value was carried
//   bool String(HKEY root, LPCWSTR subKey, LPCWSTR valueName);
//   void Snapshot(LPCWSTR fileName, LPCWSTR subKey);
#pragma once

#include <cstring>

#include "procedures/catalogue.h"
#include "registry/snapshot_table.h"

// "num" is carried but does not bound the walk; the list ends at the first "SID%d" not carried.
template <class Carrier>
void WalkDefEpgOrderList(Carrier& carrier, HKEY root) {
    carrier.Dword(root, kDefEpgOrderSubKey, L"num");
    for (int index = 0; index < kListBound; ++index) {
        WCHAR name[8];
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 8, L"Show%d", index);
        carrier.Dword(root, kDefEpgOrderSubKey, name);
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 8, L"SID%d", index);
        if (!carrier.Dword(root, kDefEpgOrderSubKey, name)) return;
    }
}

// A list whose "num" is not carried is skipped whole; a list ends at the first "SOURCE%d" not carried.
template <class Carrier>
void WalkDispMyList(Carrier& carrier, HKEY root, LPCWSTR subKey) {
    if (!carrier.Dword(root, subKey, L"num")) return;
    carrier.String(root, subKey, L"name");
    for (int index = 0; index < kListBound; ++index) {
        WCHAR name[16];
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 16, L"SOURCE%d", index);
        if (!carrier.Dword(root, subKey, name)) return;
        std::memset(name, 0, sizeof name);
        swprintf_s(name, 16, L"ID%d", index);
        carrier.Dword(root, subKey, name);
    }
}

template <class Carrier>
void WalkCatalogueRow(Carrier& carrier, const CatalogueRow& row) {
    switch (row.kind) {
    case RowKind::Dword:
        ForEachValueName(row, [&](LPCWSTR name) { carrier.Dword(row.root, row.subKey, name); });
        break;
    case RowKind::String:
        ForEachValueName(row, [&](LPCWSTR name) { carrier.String(row.root, row.subKey, name); });
        break;
    case RowKind::Snapshots:
        for (size_t i = 0; i < kSnapshotCount; ++i) carrier.Snapshot(kSnapshotTable[i].fileName, kSnapshotTable[i].subKey);
        break;
    case RowKind::DefEpgOrderDG:
        WalkDefEpgOrderList(carrier, row.root);
        break;
    case RowKind::DispMY:
        for (LPCWSTR subKey : kDispMySubKeys) WalkDispMyList(carrier, row.root, subKey);
        break;
    }
}

// The whole catalogue in the order a restore walks it (C1 is never written back).
template <class Carrier>
void WalkRestoreOrder(Carrier& carrier) {
    for (size_t i = 0; i < kRestoreOrderCount; ++i) WalkCatalogueRow(carrier, CatalogueRowByLabel(kRestoreOrder[i]));
}
