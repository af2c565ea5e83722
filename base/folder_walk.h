// Listing one folder: every entry but "." and "..", each with its full path.
#pragma once

#include "base/links.h"
#include "base/path_buffer.h"
#include "platform/handles.h"

// Calls visit(entry) for each entry of the folder but "." and "..", in the order the file system
// lists them, whether or not its path would fit a path buffer. False when the folder cannot be
// listed (it does not exist, is not a folder, or its search pattern does not fit).
template <class Visit>
bool ForEachListedEntry(LPCWSTR folder, Visit visit) {
    PathBuffer pattern;
    if (!FormatPath(pattern, L"%ls\\*", folder)) return false;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(pattern, &entry));
    if (!search.Valid()) return false;
    do {
        if (!IsDotEntry(entry.cFileName)) visit(static_cast<const WIN32_FIND_DATAW&>(entry));
    } while (FindNextFileW(search.Get(), &entry));
    return true;
}

// Calls visit(entry, path) for each entry of the folder, in the order the file system lists them.
// An entry whose path would not fit a path buffer is passed over. False when the folder cannot be
// listed (it does not exist, is not a folder, or its path does not fit).
template <class Visit>
bool ForEachFolderEntry(LPCWSTR folder, Visit visit) {
    return ForEachListedEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        PathBuffer path;
        if (FormatPath(path, L"%ls\\%ls", folder, entry.cFileName)) visit(entry, static_cast<LPCWSTR>(path));
    });
}

inline bool IsFolderEntry(const WIN32_FIND_DATAW& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
