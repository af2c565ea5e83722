// The file side of a restore preview: data files created or replaced, recording folders made,
// and the files deleted at the end.
#pragma once

#include "check/findings/preview.h"

void AddDataFiles(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview);
// Each restore run makes the folders that the save paths name once its values are written, so
// both runs can make folders.
void AddSavePathFolders(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview);

std::wstring ParentOf(const std::wstring& path);
// A folder, or a drive root (given as "D:" or "D:\").
bool FolderExists(std::wstring path);
