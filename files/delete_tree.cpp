// Removing an entry with everything below it, depth first, inside held folders. Each folder is
// held (nobody may rename or delete it) while what it holds is removed; each entry is opened on
// itself, judged by that handle and, when it is not a link, deleted through the same handle, its
// read-only attribute cleared first. An entry is a link when its listing or its handle says so; a
// link is removed by its name, never through a handle (a handle may reach what the link points
// to) and never entered: what it points to keeps every file. An entry that cannot be opened or
// deleted stays, and so does every folder above it, as does an entry whose path would not fit a
// path buffer or that is not where its path says.
#include "files/delete_tree.h"

#include <cwchar>

#include "base/environment.h"
#include "base/folder_walk.h"

namespace {

void RemoveLinkByName(const HeldFolder& folder, LPCWSTR name, bool isFolder) {
    PathBuffer path;
    if (!FormatPath(path, L"%ls\\%ls", folder.path, name)) return;
    if (isFolder) {
        RemoveDirectoryW(path);
    } else {
        DeleteFileW(path);
    }
}

// Empties a folder while it is held; the hold ends (and the folder's listing is closed) before the
// folder itself is removed. False when it is not a plain folder after all: a link is then removed
// by its name, anything else left.
bool EmptyFolder(const HeldFolder& parent, LPCWSTR name) {
    HeldFolder held;
    switch (HoldSubFolder(parent, name, held)) {
    case OpenResult::Opened: break;
    case OpenResult::Link: RemoveLinkByName(parent, name, true); return false;
    default: return false;
    }
    ForEachFolderEntry(held.path, [&](const WIN32_FIND_DATAW& entry, LPCWSTR) { DeleteEntry(held, entry); });
    return true;
}

}  // namespace

void DeleteEntry(const HeldFolder& folder, const WIN32_FIND_DATAW& listed) {
    LPCWSTR name = listed.cFileName;
    bool isFolder = IsFolderEntry(listed);
    if (IsDotEntry(name)) return;
    if (IsLinkEntry(listed)) return RemoveLinkByName(folder, name, isFolder);
    if (isFolder && !EmptyFolder(folder, name)) return;
    RemoveInFolder(folder, name, isFolder);
}

// An empty path would name the root of the current drive: it is refused. A path that names a
// file, or nothing, changes nothing; one that names a link removes only the link. The folder it
// lies in is held while it is removed.
void DeleteTree(LPCWSTR folder) {
    if (folder == nullptr || folder[0] == 0) return;
    LPCWSTR separator = std::wcsrchr(folder, L'\\');
    if (separator == nullptr || separator[1] == 0) return;
    PathBuffer parentPath;
    size_t parentLength = static_cast<size_t>(separator - folder);
    if (parentLength + 2 > MAX_PATH) return;
    std::wmemcpy(parentPath, folder, parentLength);
    parentPath[parentLength] = 0;
    if (parentLength == 2) parentPath[2] = L'\\', parentPath[3] = 0;  // a drive root, with its separator
    WIN32_FIND_DATAW listed;
    FindHandle listing(FindFirstFileW(folder, &listed));
    HeldFolder parent;
    if (!listing.Valid() || !IsFolderEntry(listed) || HoldTopFolder(parentPath, parent) != OpenResult::Opened) return;
    listing.Reset();
    DeleteEntry(parent, listed);
}

void CEnvironment::DeleteDirectoryTree(LPCWSTR folder) { DeleteTree(folder); }
