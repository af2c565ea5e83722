#include "files/mirror.h"

#include <string>

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
    MirrorVisitor& visitor;
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

// The path of an entry passed over, told in full even when it does not fit a path buffer.
std::wstring JoinedPath(LPCWSTR folder, LPCWSTR name) { return std::wstring(folder) + L"\\" + name; }

void VisitEntryFile(const MirrorLevel& level, LPCWSTR name) {
    PathBuffer from, to;
    if (!FormatPath(from, L"%ls\\%ls", level.source, name) || !FormatPath(to, L"%ls\\%ls", level.destination, name)) {
        level.visitor.Skipped(JoinedPath(level.source, name).c_str(), MirrorSkip::TooLong);
        return;
    }
    if (IsLink(to)) {
        level.visitor.Skipped(from, MirrorSkip::DestinationLink);
        return;
    }
    level.visitor.File(from, to);
}

void SkipEntry(const MirrorLevel& level, LPCWSTR name, MirrorSkip why) {
    level.visitor.Skipped(JoinedPath(level.source, name).c_str(), why);
}

void MirrorEntry(const MirrorLevel& level, const WIN32_FIND_DATAW& entry) {
    if (IsLinkEntry(entry)) {
        if (!IsDotEntry(entry.cFileName)) SkipEntry(level, entry.cFileName, MirrorSkip::Link);
        return;
    }
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (PassesFilter(level.filter, entry.cFileName)) VisitEntryFile(level, entry.cFileName);
        return;
    }
    if (IsDotEntry(entry.cFileName)) return;
    PathBuffer subPath;
    if (FormatPath(subPath, L"%ls\\%ls", level.subPath, entry.cFileName)) {
        WalkMirror(level.sourceRoot, level.destinationRoot, subPath, level.filter, level.visitor);
    } else {
        SkipEntry(level, entry.cFileName, MirrorSkip::TooLong);
    }
}

// The copy itself: each destination level made (one folder), never entered when it is a link.
class CopyingVisitor : public MirrorVisitor {
public:
    bool EnterLevel(LPCWSTR, LPCWSTR destination) override {
        CreateDirectoryW(destination, nullptr);
        return !IsLink(destination);
    }
    void File(LPCWSTR from, LPCWSTR to) override { CopyFileWhole(from, to); }
};

}  // namespace

void WalkMirror(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter,
                MirrorVisitor& visitor) {
    MirrorLevel level{sourceRoot, destinationRoot, subPath, filter, visitor, {}, {}, {}};
    if (!FormatLevel(level)) {
        visitor.Skipped((std::wstring(sourceRoot) + subPath).c_str(), MirrorSkip::TooLong);
        return;
    }
    if (!visitor.EnterLevel(level.source, level.destination)) return;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(level.pattern, &entry));
    if (!search.Valid()) return;
    do {
        MirrorEntry(level, entry);
    } while (FindNextFileW(search.Get(), &entry));
}

void MirrorFolderTree(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter) {
    CopyingVisitor copying;
    WalkMirror(sourceRoot, destinationRoot, subPath, filter, copying);
}
