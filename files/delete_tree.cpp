// Removing a workspace with everything below it, depth first. Each entry is opened on itself and
// judged by that handle, and what is not a link is deleted through the same handle, its
// read-only attribute cleared first; a folder is held open (others may not rename or delete it)
// while what it holds is deleted, so its path keeps naming it. An entry is a link when its
// listing or its handle says so; a link is removed by its name, never through a handle (a
// handle may reach what the link points to) and never entered: what it points to keeps every
// file. An entry that cannot be opened or deleted stays, and so does every folder above it, as
// does an entry whose path would not fit a path buffer.
#include "base/environment.h"
#include "base/folder_walk.h"
#include "base/links.h"
#include "base/path_buffer.h"
#include "files/delete_tree.h"
#include "platform/handles.h"

namespace {

constexpr DWORD kDeleteAccess = DELETE | FILE_WRITE_ATTRIBUTES;
// A folder being emptied is held listed (a right that sharing counts), others not allowed to
// rename or delete it: its path keeps naming it while what it holds is deleted.
constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY;
constexpr DWORD kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

void DeleteFolderContents(LPCWSTR folder);

void RemoveLinkByName(LPCWSTR path, bool folder) {
    if (folder) {
        RemoveDirectoryW(path);
    } else {
        DeleteFileW(path);
    }
}

bool IsFolder(const OpenedEntry& opened) { return (opened.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

void ClearReadOnly(const OpenedEntry& opened) {
    if ((opened.attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
    FILE_BASIC_INFO basic = {};
    DWORD kept = opened.attributes & kKeptAttributes;
    basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(opened.handle.Get(), FileBasicInfo, &basic, sizeof basic);
}

// Empties a listed folder while holding it. False when it is not a plain folder after all: a link
// is then removed by its name, anything else left.
bool EmptyHeldFolder(LPCWSTR path) {
    OpenedEntry held;
    if (!OpenEntry(path, kHoldAccess, kHoldShare, held)) return false;
    if (held.link) {
        held.handle.Reset();
        RemoveLinkByName(path, IsFolder(held));
        return false;
    }
    if (!IsFolder(held)) return false;
    DeleteFolderContents(path);
    return true;
}

}  // namespace

// Judges the entry by a handle on it and removes it: a link by its name, anything else through
// the handle that judged it, once a folder is empty. (The handle that holds a folder while it is
// emptied does not carry the right to delete: under Wine the listing of the folder, which does
// not share deletion, then fails.) An entry that is no longer of the kind its listing gave is left.
void DeleteJudged(LPCWSTR path, bool listedLink, bool listedFolder) {
    if (listedLink) {
        RemoveLinkByName(path, listedFolder);
        return;
    }
    if (listedFolder && !EmptyHeldFolder(path)) return;
    OpenedEntry opened;
    if (!OpenEntry(path, kDeleteAccess, kShareAll, opened)) return;
    if (opened.link) {
        opened.handle.Reset();
        RemoveLinkByName(path, IsFolder(opened));
        return;
    }
    if (IsFolder(opened) != listedFolder) return;
    ClearReadOnly(opened);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(opened.handle.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

namespace {

// Deletes what a folder holds; its search is closed before the folder itself is removed.
void DeleteFolderContents(LPCWSTR folder) {
    ForEachFolderEntry(folder, [](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        DeleteJudged(path, IsLinkEntry(entry), IsFolderEntry(entry));
    });
}

}  // namespace

// An empty path would name the root of the current drive: it is refused. A path that names a
// file, or nothing, changes nothing; one that names a link removes only the link.
void DeleteTree(LPCWSTR folder) {
    if (folder == nullptr || folder[0] == 0) return;
    DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
    DeleteJudged(folder, IsListedLink(folder), true);
}

void CEnvironment::DeleteDirectoryTree(LPCWSTR folder) { DeleteTree(folder); }
