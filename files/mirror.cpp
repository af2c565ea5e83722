#include "files/mirror.h"

#include "base/links.h"
#include "base/whole_copy.h"
#include "platform/handles.h"

namespace {

// One level of the walk: its two folders, its search pattern and what it was given.
struct MirrorLevel {
    LPCWSTR sourceRoot;
    LPCWSTR destinationRoot;
    LPCWSTR subPath;
    const NameFilter& filter;
    PathBuffer source;
    PathBuffer destination;
    PathBuffer pattern;
};

// The sub-path begins with its separator, so the root and the sub-path join as they are.
bool FormatLevel(MirrorLevel& level) {
    return FormatPath(level.source, L"%ls%ls", level.sourceRoot, level.subPath) &&
           FormatPath(level.destination, L"%ls%ls", level.destinationRoot, level.subPath) &&
           FormatPath(level.pattern, L"%ls\\*", level.source);
}

// The destination folder of the level, made when missing; false when it is a link.
bool PrepareDestination(const MirrorLevel& level) {
    CreateDirectoryW(level.destination, nullptr);
    return !IsLink(level.destination);
}

void CopyEntryFile(const MirrorLevel& level, LPCWSTR name) {
    PathBuffer from, to;
    if (!FormatPath(from, L"%ls\\%ls", level.source, name) || !FormatPath(to, L"%ls\\%ls", level.destination, name)) {
        return;
    }
    if (IsLink(to)) return;
    CopyFileWhole(from, to);
}

void MirrorEntry(const MirrorLevel& level, const WIN32_FIND_DATAW& entry) {
    if (IsLinkEntry(entry)) return;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (PassesFilter(level.filter, entry.cFileName)) CopyEntryFile(level, entry.cFileName);
        return;
    }
    if (IsDotEntry(entry.cFileName)) return;
    PathBuffer subPath;
    if (FormatPath(subPath, L"%ls\\%ls", level.subPath, entry.cFileName)) {
        MirrorFolderTree(level.sourceRoot, level.destinationRoot, subPath, level.filter);
    }
}

}  // namespace

void MirrorFolderTree(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter) {
    MirrorLevel level{sourceRoot, destinationRoot, subPath, filter, {}, {}, {}};
    if (!FormatLevel(level) || !PrepareDestination(level)) return;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(level.pattern, &entry));
    if (!search.Valid()) return;
    do {
        MirrorEntry(level, entry);
    } while (FindNextFileW(search.Get(), &entry));
}
