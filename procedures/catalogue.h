// The settings catalogue: every registry value, enumerated list and key snapshot that a backup
// saves and a restore writes back, in rows C1 to C26. One table serves both procedures and the
// inspector: the backup walks it in row order, the restore in its own order.
#pragma once

#include <cstddef>

#include "platform/platform.h"

enum class RowKind {
    Dword,          // one number record per value name
    String,         // one text record per value name
    Snapshots,      // the whole keys of the snapshot table, as hive files
    DefEpgOrderDG,  // the list "num", then pairs "Show%d", "SID%d"
    DispMY,         // four lists "num", "name", then pairs "SOURCE%d", "ID%d"
};

// A value name, or a run of names: the stem followed by the indexes 0 to count - 1.
struct ValueName {
    LPCWSTR name;
    int count;  // 0: the name itself
};

struct CatalogueRow {
    int label;  // 1 for C1
    RowKind kind;
    HKEY root;
    LPCWSTR subKey;       // for DispMY the stem of the four subkeys, followed by 1 to 4
    const ValueName* names;
    size_t nameCount;
    bool restored;        // false: saved, never written back
};

extern const CatalogueRow kCatalogue[];
extern const size_t kCatalogueRows;
// Row labels in the order the restore walks them; C1 is not among them.
extern const int kRestoreOrder[];
extern const size_t kRestoreOrderCount;

const CatalogueRow& CatalogueRowByLabel(int label);

// Calls visit(name) for every value name of a plain row, ranges expanded, in order. The name is
// formatted in a buffer of 16 wide characters.
template <class Visit>
void ForEachValueName(const CatalogueRow& row, Visit visit) {
    for (size_t i = 0; i < row.nameCount; ++i) {
        const ValueName& entry = row.names[i];
        if (entry.count == 0) {
            visit(entry.name);
            continue;
        }
        for (int index = 0; index < entry.count; ++index) {
            WCHAR name[16] = {};
            swprintf_s(name, 16, L"%ls%d", entry.name, index);
            visit(static_cast<LPCWSTR>(name));
        }
    }
}

// The enumerated lists: their subkeys, members and the bound of their indexes.
extern LPCWSTR const kDefEpgOrderSubKey;
extern LPCWSTR const kDispMySubKeys[4];
constexpr int kListBound = 256;
