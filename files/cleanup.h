// The deletions that end a restore.
#pragma once

#include "platform/platform.h"

// The two files that the suite rebuilds from its recordings: deleted from the top of the suite
// data folder after a restore, and never carried by the copies.
extern LPCWSTR const kRebuiltDataFiles[2];  // L"HDD.dat", L"VideoFolder.dat"

// Deletes "HDD.dat" and "VideoFolder.dat" from the top of the suite data folder, held from the
// known folder down (a read-only one loses that attribute first). Nothing is deleted when the
// common application data folder cannot be looked up or a folder below it on the way is a link;
// files of these names in sub-folders stay.
void DeleteHddAndVideoFolderFiles();
