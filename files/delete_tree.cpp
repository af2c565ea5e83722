// Removing a folder with everything below it, depth first. Files are deleted as they are, no
// attribute changed first: a file that cannot be deleted stays, and so does every folder above it.
// A link is removed as a link, never entered: what it points to keeps every file. An entry whose
// path would not fit a path buffer is left, with its sub-tree and the folders above it.
#include "base/environment.h"
#include "base/path_buffer.h"
#include "base/links.h"
#include "files/delete_tree.h"
#include "platform/handles.h"

namespace {

void DeleteFolderContents(LPCWSTR folder);

// Removes one listed entry of a folder: a file, a link, or a plain folder with its contents.
void DeleteEntry(LPCWSTR folder, const WIN32_FIND_DATAW& entry) {
    bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && IsDotEntry(entry.cFileName)) return;
    PathBuffer path;
    if (!FormatPath(path, L"%ls\\%ls", folder, entry.cFileName)) return;
    if (!isFolder) {
        DeleteFileW(path);
        return;
    }
    if (!IsLinkEntry(entry)) DeleteFolderContents(path);
    RemoveDirectoryW(path);
}

// Deletes what a folder holds; its search is closed before the folder itself is removed.
void DeleteFolderContents(LPCWSTR folder) {
    PathBuffer pattern;
    if (!FormatPath(pattern, L"%ls\\*", folder)) return;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(pattern, &entry));
    if (!search.Valid()) return;
    do {
        DeleteEntry(folder, entry);
    } while (FindNextFileW(search.Get(), &entry));
}

}  // namespace

// An empty path would name the root of the current drive: it is refused. A path that names a
// file, or nothing, changes nothing; one that names a link removes only the link.
void DeleteTree(LPCWSTR folder) {
    if (folder == nullptr || folder[0] == 0) return;
    DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
    if (!IsLink(folder)) DeleteFolderContents(folder);
    RemoveDirectoryW(folder);
}

void CEnvironment::DeleteDirectoryTree(LPCWSTR folder) { DeleteTree(folder); }
