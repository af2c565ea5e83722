// The drive rule and path of a workspace, shared by the program and the inspector.
#pragma once

#include "base/environment.h"
#include "base/path_buffer.h"

// How the drive rule judges the drive with that index (0 for A:).
enum class DriveVerdict {
    Qualifies,   // present in the mask, not C:, removable or fixed, and its root can be held
    Unresolved,  // such a drive whose root's handle reads another path (a SUBST letter), or none
    Other,       // absent, C:, of another type, or a root that cannot be opened (no medium)
};
DriveVerdict JudgeWorkspaceDrive(DWORD presentDrives, int index);
// True when the drive qualifies for a workspace.
bool IsWorkspaceDrive(DWORD presentDrives, int index);

// The workspace's path on that drive, such as D:\mvtemp.
void FormatWorkspacePath(Workspace workspace, int driveIndex, PathBuffer& path);
// The settings file of the workspace at that path, such as D:\mvtemp\Movendo.ini.
std::wstring SettingsFilePath(const std::wstring& workspace);
