// Removing a workspace with everything below it, depth first. Each entry is opened once on itself
// and judged by that handle, and what is not a link is deleted through the same handle, its
// read-only attribute cleared first; a folder is held open (others may not rename or delete it)
// while what it holds is deleted, so its path keeps naming it. An entry is a link when its
// listing or its handle says so; a link is removed by its name, never through a handle (a
// handle may reach what the link points to) and never entered: what it points to keeps every
// file. An entry that cannot be opened or deleted stays, and so does every folder above it, as
// does an entry whose path would not fit a path buffer.
#include "base/environment.h"
#include "base/links.h"
#include "base/path_buffer.h"
#include "platform/handles.h"

namespace {

constexpr DWORD kDeleteAccess = DELETE | FILE_WRITE_ATTRIBUTES;
constexpr DWORD kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

void DeleteFolderContents(LPCWSTR folder);

void RemoveLinkByName(LPCWSTR path, bool folder) {
    if (folder) {
        RemoveDirectoryW(path);
    } else {
        DeleteFileW(path);
    }
}

void ClearReadOnly(const OpenedEntry& opened) {
    if ((opened.attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
    FILE_BASIC_INFO basic = {};
    DWORD kept = opened.attributes & kKeptAttributes;
    basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(opened.handle.Get(), FileBasicInfo, &basic, sizeof basic);
}

// Judges the entry by a handle on it and removes it: a link by its name, anything else through
// the handle. With onlyFolder set, an entry that is not a folder is left.
void DeleteJudged(LPCWSTR path, bool listedLink, bool listedFolder, bool onlyFolder) {
    if (listedLink) {
        RemoveLinkByName(path, listedFolder);
        return;
    }
    OpenedEntry opened;
    if (!OpenEntry(path, kDeleteAccess, kHoldShare, opened)) return;
    bool folder = (opened.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (onlyFolder && !folder) return;
    if (opened.link) {
        opened.handle.Reset();
        RemoveLinkByName(path, folder);
        return;
    }
    if (folder) DeleteFolderContents(path);
    ClearReadOnly(opened);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(opened.handle.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// Deletes what a folder holds; its search is closed before the folder itself is removed.
void DeleteFolderContents(LPCWSTR folder) {
    PathBuffer pattern, path;
    if (!FormatPath(pattern, L"%ls\\*", folder)) return;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(pattern, &entry));
    if (!search.Valid()) return;
    do {
        bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && IsDotEntry(entry.cFileName)) continue;
        if (FormatPath(path, L"%ls\\%ls", folder, entry.cFileName)) DeleteJudged(path, IsLinkEntry(entry), isFolder, false);
    } while (FindNextFileW(search.Get(), &entry));
}

}  // namespace

// An empty path would name the root of the current drive: it is refused. A path that names a
// file, or nothing, changes nothing; one that names a link removes only the link.
void CEnvironment::DeleteDirectoryTree(LPCWSTR folder) {
    if (folder == nullptr || folder[0] == 0) return;
    DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
    DeleteJudged(folder, IsListedLink(folder), true, true);
}
