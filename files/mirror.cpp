#include "files/mirror.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/folder_walk.h"
#include "files/delete_tree.h"

namespace {

// A folder's entries as its listing gave them, each marked once an entry of the other tree's level
// answers to it (looked up by name without regard to case, in a listing ordered so).
struct Listing {
    bool listed = false;
    std::vector<WIN32_FIND_DATAW> entries;
    std::vector<bool> answered;

    const WIN32_FIND_DATAW* Find(LPCWSTR name) {
        auto at = std::lower_bound(entries.begin(), entries.end(), name, [](const WIN32_FIND_DATAW& entry, LPCWSTR key) {
            return _wcsicmp(entry.cFileName, key) < 0;
        });
        if (at == entries.end() || _wcsicmp(at->cFileName, name) != 0) return nullptr;
        answered[static_cast<size_t>(at - entries.begin())] = true;
        return &*at;
    }
};

// The source keeps the order its folder lists in (the walk follows it); the destination is
// ordered by name, to be looked up.
void List(const HeldFolder* folder, Listing& listing, bool ordered) {
    if (folder == nullptr) return;
    listing.listed = ForEachListedEntry(folder->path, [&](const WIN32_FIND_DATAW& entry) { listing.entries.push_back(entry); });
    if (!ordered) return;
    std::sort(listing.entries.begin(), listing.entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
        return _wcsicmp(a.cFileName, b.cFileName) < 0;
    });
    listing.answered.assign(listing.entries.size(), false);
}

// The path of an entry passed over, told in full even when it does not fit a path buffer.
std::wstring JoinedPath(LPCWSTR folder, LPCWSTR name) { return std::wstring(folder) + L"\\" + name; }

StaleReason WhyStale(const WIN32_FIND_DATAW& entry, const NameFilter& filter) {
    if (IsLinkEntry(entry)) return StaleReason::Link;
    if (IsFolderEntry(entry)) return StaleReason::Gone;
    if (IsPartFileName(entry.cFileName)) return StaleReason::PartFile;
    return PassesFilter(filter, entry.cFileName) ? StaleReason::Gone : StaleReason::Filtered;
}

struct Level {
    const HeldFolder& source;
    const HeldFolder* destination;
    LPCWSTR destinationPath;  // where the destination level is, or would be
    const NameFilter& filter;
    MirrorVisitor& visitor;
    Listing sources;
    Listing destinations;
};

void WalkLevel(const HeldFolder& source, const HeldFolder* destination, LPCWSTR destinationPath, const NameFilter& filter,
               MirrorVisitor& visitor);

void WalkFolder(Level& level, const WIN32_FIND_DATAW& entry, const WIN32_FIND_DATAW* existing, LPCWSTR from, LPCWSTR to) {
    LPCWSTR name = entry.cFileName;
    HeldFolder source, destination;
    OpenResult held = HoldSubFolder(level.source, name, source);
    if (held != OpenResult::Opened) {
        bool link = held == OpenResult::Link || held == OpenResult::Redirected;
        level.visitor.Skipped(from, link ? MirrorSkip::Link : MirrorSkip::Unreadable);
        return;
    }
    bool plain = existing && IsFolderEntry(*existing) && !IsLinkEntry(*existing);
    const HeldFolder* into = nullptr;
    bool ready = plain || level.visitor.PrepareFolder(level.destination, existing, name, to);
    if (ready && level.destination && HoldSubFolder(*level.destination, name, destination) == OpenResult::Opened) {
        into = &destination;
    }
    WalkLevel(source, into, to, level.filter, level.visitor);
}

void WalkFile(Level& level, const WIN32_FIND_DATAW& entry, const WIN32_FIND_DATAW* existing, LPCWSTR from, LPCWSTR to) {
    FileCopy copy;
    JudgeFileCopy(level.source, level.destination, entry.cFileName, &entry, existing, level.visitor.IsBackup(), copy);
    level.visitor.File(MirrorFile{from, to, entry.cFileName, level.source, level.destination, existing, copy});
}

void WalkEntry(Level& level, const WIN32_FIND_DATAW& entry) {
    LPCWSTR name = entry.cFileName;
    bool folder = IsFolderEntry(entry);
    if (!folder && !IsLinkEntry(entry) && !PassesFilter(level.filter, name)) return;
    const WIN32_FIND_DATAW* existing = level.destinations.Find(name);
    if (IsLinkEntry(entry)) return level.visitor.Skipped(JoinedPath(level.source.path, name).c_str(), MirrorSkip::Link);
    if (IsNameUnreachable(name)) {
        return level.visitor.Skipped(JoinedPath(level.source.path, name).c_str(), MirrorSkip::NameUnreachable);
    }
    // A folder is listed by its search pattern, which must fit too.
    PathBuffer from, to, pattern;
    if (!FormatPath(from, L"%ls\\%ls", level.source.path, name) || !FormatPath(to, L"%ls\\%ls", level.destinationPath, name) ||
        (folder && !FormatPath(pattern, L"%ls\\*", from))) {
        return level.visitor.Skipped(JoinedPath(level.source.path, name).c_str(), MirrorSkip::TooLong);
    }
    if (folder) {
        WalkFolder(level, entry, existing, from, to);
    } else {
        WalkFile(level, entry, existing, from, to);
    }
}

// The destination entries that no source entry answered to (a source entry that is passed over
// as a link, or filtered, answers to none). Reported only when the source could be listed.
void ReportStale(Level& level) {
    for (const WIN32_FIND_DATAW& entry : level.sources.entries) {
        bool carried = !IsLinkEntry(entry) && !IsNameUnreachable(entry.cFileName) &&
                       (IsFolderEntry(entry) || PassesFilter(level.filter, entry.cFileName));
        if (carried) level.destinations.Find(entry.cFileName);
    }
    for (size_t i = 0; i < level.destinations.entries.size(); ++i) {
        const WIN32_FIND_DATAW& entry = level.destinations.entries[i];
        if (level.destinations.answered[i]) continue;
        PathBuffer path;
        if (!FormatPath(path, L"%ls\\%ls", level.destination->path, entry.cFileName)) continue;
        level.visitor.Stale(*level.destination, entry, path, WhyStale(entry, level.filter));
    }
    level.destinations.answered.assign(level.destinations.entries.size(), false);
}

// The copy itself. A backup removes what its workspace copy holds beyond the source, and an entry
// of the other kind before it copies; a restore never removes anything and counts what does not land.
class CopyingVisitor : public MirrorVisitor {
public:
    explicit CopyingVisitor(bool backup) : backup_(backup) {}
    bool IsBackup() const override { return backup_; }
    bool PrepareFolder(const HeldFolder* parent, const WIN32_FIND_DATAW* existing, LPCWSTR, LPCWSTR path) override {
        if (parent == nullptr || (existing && !backup_)) return false;
        if (existing) DeleteEntry(*parent, *existing);
        return CreateDirectoryW(path, nullptr) != FALSE;
    }
    void File(const MirrorFile& file) override {
        if (file.destination && file.existing && backup_ && RemovesFirst(file.copy.verdict)) {
            DeleteEntry(*file.destination, *file.existing);
            JudgeFileCopy(file.source, file.destination, file.name, nullptr, nullptr, false, file.copy);
        }
        bool landed = file.copy.verdict == CopyVerdict::Unchanged ||
                      (file.destination && CopyFileWhole(file.copy, *file.destination, file.name));
        if (!landed) ++notLanded_;
    }
    void Skipped(LPCWSTR, MirrorSkip why) override {
        if (why != MirrorSkip::Link) ++notLanded_;
    }
    void Stale(const HeldFolder& folder, const WIN32_FIND_DATAW& entry, LPCWSTR, StaleReason) override {
        DeleteEntry(folder, entry);
    }
    size_t NotLanded() const { return notLanded_; }

private:
    // In a workspace, an entry of the other kind, or a link, makes way for the file.
    static bool RemovesFirst(CopyVerdict verdict) {
        return verdict == CopyVerdict::DestinationFolder || verdict == CopyVerdict::DestinationLink;
    }
    bool backup_;
    size_t notLanded_ = 0;
};

void WalkLevel(const HeldFolder& source, const HeldFolder* destination, LPCWSTR destinationPath, const NameFilter& filter,
               MirrorVisitor& visitor) {
    Level level{source, destination, destinationPath, filter, visitor, {}, {}};
    List(&source, level.sources, false);
    List(destination, level.destinations, true);
    if (visitor.IsBackup() && destination && level.sources.listed) ReportStale(level);
    for (const WIN32_FIND_DATAW& entry : level.sources.entries) WalkEntry(level, entry);
}

}  // namespace

void WalkMirror(const HeldFolder& source, const HeldFolder* destination, const NameFilter& filter, MirrorVisitor& visitor) {
    WalkLevel(source, destination, destination ? destination->path : L"", filter, visitor);
}

void WalkMirror(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter,
                MirrorVisitor& visitor) {
    PathBuffer sourcePath, destinationPath;
    HeldFolder source, destination;
    if (!FormatPath(sourcePath, L"%ls%ls", sourceRoot, subPath) ||
        !FormatPath(destinationPath, L"%ls%ls", destinationRoot, subPath)) {
        visitor.Skipped((std::wstring(sourceRoot) + subPath).c_str(), MirrorSkip::TooLong);
        return;
    }
    if (!HoldKnownFolder(sourcePath, source)) return;
    bool hasDestination = HoldKnownFolder(destinationPath, destination);
    WalkLevel(source, hasDestination ? &destination : nullptr, destinationPath, filter, visitor);
}

size_t MirrorFolderTree(const HeldFolder& source, const HeldFolder* destination, const NameFilter& filter, bool backup) {
    CopyingVisitor copying(backup);
    WalkMirror(source, destination, filter, copying);
    return copying.NotLanded();
}
