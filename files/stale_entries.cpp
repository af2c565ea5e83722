#include "files/stale_entries.h"

#include "base/folder_walk.h"
#include "base/whole_copy.h"
#include "files/delete_tree.h"

namespace {

enum class SystemSide { Missing, File, Folder, Unknown };

// What the machine has at a path: a link counts as missing (no copy carries it); an entry that
// cannot be looked at is unknown.
SystemSide LookAt(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SystemSide::Missing : SystemSide::Unknown;
    }
    if (IsLink(path)) return SystemSide::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? SystemSide::Folder : SystemSide::File;
}

// Whether a workspace entry is stale, and why; false to keep it (and, for a folder, to look inside).
bool Judge(const WIN32_FIND_DATAW& entry, LPCWSTR systemPath, const NameFilter& filter, StaleReason& reason) {
    bool isFolder = IsFolderEntry(entry);
    if (IsLinkEntry(entry)) return reason = StaleReason::Link, true;
    if (!isFolder && IsPartFileName(entry.cFileName)) return reason = StaleReason::PartFile, true;
    if (!isFolder && !PassesFilter(filter, entry.cFileName)) return reason = StaleReason::Filtered, true;
    if (systemPath == nullptr) return false;
    switch (LookAt(systemPath)) {
    case SystemSide::Missing: return reason = StaleReason::Gone, true;
    case SystemSide::File: return isFolder ? (reason = StaleReason::KindDiffers, true) : false;
    case SystemSide::Folder: return isFolder ? false : (reason = StaleReason::KindDiffers, true);
    case SystemSide::Unknown: return false;
    }
    return false;
}

void StaleLevel(LPCWSTR systemFolder, LPCWSTR workspaceFolder, const NameFilter& filter,
                const std::function<void(const StaleEntry&)>& visit) {
    ForEachFolderEntry(workspaceFolder, [&](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        PathBuffer systemPath;
        bool fits = FormatPath(systemPath, L"%ls\\%ls", systemFolder, entry.cFileName);
        StaleReason reason = StaleReason::Gone;
        if (Judge(entry, fits ? systemPath : nullptr, filter, reason)) {
            visit(StaleEntry{path, IsFolderEntry(entry), IsLinkEntry(entry), reason});
        } else if (fits && IsFolderEntry(entry)) {
            StaleLevel(systemPath, path, filter, visit);
        }
    });
}

}  // namespace

void ForEachStaleEntry(LPCWSTR systemRoot, LPCWSTR workspaceRoot, const NameFilter& filter,
                       const std::function<void(const StaleEntry&)>& visit) {
    StaleLevel(systemRoot, workspaceRoot, filter, visit);
}

void PruneWorkspaceCopy(LPCWSTR systemRoot, LPCWSTR workspaceRoot, const NameFilter& filter) {
    ForEachStaleEntry(systemRoot, workspaceRoot, filter,
                      [](const StaleEntry& stale) { DeleteJudged(stale.path, stale.isLink, stale.isFolder); });
}

void ForEachPartFile(LPCWSTR folder, const std::function<void(LPCWSTR)>& visit) {
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        if (IsLinkEntry(entry)) return;
        if (IsFolderEntry(entry)) {
            ForEachPartFile(path, visit);
        } else if (IsPartFileName(entry.cFileName)) {
            visit(path);
        }
    });
}

void RemovePartFiles(LPCWSTR folder) {
    ForEachPartFile(folder, [](LPCWSTR path) { DeleteJudged(path, false, false); });
}
