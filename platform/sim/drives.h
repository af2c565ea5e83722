// The simulated drive table: which letters are present, their types, media and write protection.
#pragma once

#include <cstdint>

#include "win_types.h"

namespace sim {

struct Drive {
    bool present = false;   // bit set in GetLogicalDrives
    UINT type = DRIVE_NO_ROOT_DIR;
    bool hasMedium = true;  // a removable or CD drive may have none
    bool writeProtected = false;
    bool keepsPermissions = true;  // NTFS (FILE_PERSISTENT_ACLS); FAT and exFAT media keep none
    bool sortedListing = true;  // NTFS lists names in sorted order; FAT in the order they were made
    uint64_t freeBytes = UINT64_C(1) << 40;
};

struct DriveTable {
    DriveTable();
    Drive& operator[](wchar_t letter);
    // A present drive of the given type with an empty root folder (C: exists on every machine).
    void Add(wchar_t letter, UINT type);
    Drive drives[26];
};

}  // namespace sim
