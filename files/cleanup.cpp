#include "files/cleanup.h"

#include "files/data_sets.h"

LPCWSTR const kRebuiltDataFiles[2] = {L"HDD.dat", L"VideoFolder.dat"};

void DeleteHddAndVideoFolderFiles() {
    HeldSetRoot root;
    if (HoldSystemRoot(kDataSets[kSuiteData], false, root) != OpenResult::Opened) return;
    for (LPCWSTR name : kRebuiltDataFiles) RemoveInFolder(root.Root(), name, false);
}
