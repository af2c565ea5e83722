// Listing one folder: every entry but "." and "..", each with its full path.
#pragma once

#include "base/links.h"
#include "base/path_buffer.h"
#include "platform/handles.h"

// Calls visit(entry, path) for each entry of the folder, in the order the file system lists them.
// An entry whose path would not fit a path buffer is passed over. False when the folder cannot be
// listed (it does not exist, is not a folder, or its path does not fit).
template <class Visit>
bool ForEachFolderEntry(LPCWSTR folder, Visit visit) {
    PathBuffer pattern;
    if (!FormatPath(pattern, L"%ls\\*", folder)) return false;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(pattern, &entry));
    if (!search.Valid()) return false;
    do {
        PathBuffer path;
        if (IsDotEntry(entry.cFileName) || !FormatPath(path, L"%ls\\%ls", folder, entry.cFileName)) continue;
        visit(static_cast<const WIN32_FIND_DATAW&>(entry), static_cast<LPCWSTR>(path));
    } while (FindNextFileW(search.Get(), &entry));
    return true;
}

inline bool IsFolderEntry(const WIN32_FIND_DATAW& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
