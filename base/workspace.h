// The drive rule and path of a workspace, shared by the program and the inspector.
#pragma once

#include "base/environment.h"
#include "base/path_buffer.h"

// True when the drive with that index (0 for A:) is present in the mask, is not C:, and is
// removable or fixed.
bool IsWorkspaceDrive(DWORD presentDrives, int index);

// The workspace's path on that drive, such as D:\mvtemp.
void FormatWorkspacePath(Workspace workspace, int driveIndex, PathBuffer& path);
