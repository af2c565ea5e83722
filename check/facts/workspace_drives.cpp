#include "check/facts/workspace_drives.h"

#include "base/path_buffer.h"
#include "base/workspace.h"
#include "platform/handles.h"
#include "registry/snapshot_table.h"

namespace {

uint64_t WriteTimeOf(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(path.c_str(), &data));
    if (!find.Valid()) return 0;
    return static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

// A backup writes the settings file and the hive files in every pass; their latest time is when
// the workspace was last written by /get.
uint64_t LatestWrite(const std::wstring& workspace) {
    uint64_t latest = WriteTimeOf(SettingsFilePath(workspace));
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        uint64_t written = WriteTimeOf(workspace + L"\\" + kSnapshotTable[i].fileName);
        if (written > latest) latest = written;
    }
    return latest;
}

}  // namespace

std::vector<DriveWorkspace> FindEveryWorkspace() {
    std::vector<DriveWorkspace> found;
    DWORD present = GetLogicalDrives();
    for (int index = 0; index < 26; ++index) {
        DriveVerdict verdict = JudgeWorkspaceDrive(present, index);
        if (verdict == DriveVerdict::Other) continue;
        for (Workspace which : {Workspace::Primary, Workspace::Second}) {
            PathBuffer path;
            FormatWorkspacePath(which, index, path);
            WIN32_FIND_DATAW data;
            FindHandle probe(FindFirstFileW(path, &data));
            if (!probe.Valid()) continue;
            found.push_back({which, static_cast<LPCWSTR>(path), verdict == DriveVerdict::Qualifies, LatestWrite(static_cast<LPCWSTR>(path))});
        }
    }
    return found;
}
