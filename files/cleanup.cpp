#include "files/cleanup.h"

#include "files/data_sets.h"

LPCWSTR const kRebuiltDataFiles[2] = {L"HDD.dat", L"VideoFolder.dat"};

void DeleteHddAndVideoFolderFiles() {
    PathBuffer root;
    if (!LocateSystemRoot(kDataSets[kSuiteData], root)) return;
    for (LPCWSTR name : kRebuiltDataFiles) {
        PathBuffer path;
        if (FormatPath(path, L"%ls\\%ls", root, name)) DeleteFileW(path);
    }
}
