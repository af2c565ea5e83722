// The filtered, recursive tree walk behind the data sets' copies, and the same walk for anyone
// who needs to see what a copy would do without copying (the inspector). Every folder of both
// trees is held while the walk is below it (base/held_folder.h), and every file is judged by the
// copy's own rule (JudgeFileCopy) before anything is written.
#pragma once

#include "base/whole_copy.h"
#include "files/name_filter.h"

// Why the walk passes over a source entry without offering it as a file.
enum class MirrorSkip {
    Link,             // a link, never followed (or a folder that is not where its path says)
    TooLong,          // its path (or a path of its level) would not fit a path buffer
    NameUnreachable,  // a name ending in a dot or a blank, which the platform's paths cannot name
    Unreadable,       // a folder that cannot be opened and held
};

// Why an entry of the destination is not kept by a backup's copy.
enum class StaleReason {
    Gone,         // the machine has no such file or folder (or has a link there, which is not carried)
    Filtered,     // a file of a name the set does not carry
    PartFile,     // a copy that a run ended before completing (a name ending in ".mvpart")
    Link,         // a link, which no copy makes
    KindDiffers,  // a file where the machine has a folder, or a folder where it has a file
};

// One file of the source that the filter passes, judged for its copy.
struct MirrorFile {
    LPCWSTR from;                   // its path
    LPCWSTR to;                     // the destination's path
    LPCWSTR name;
    const HeldFolder& source;       // the held folders it is copied between; the destination is
    const HeldFolder* destination;  // null when that folder does not exist (or could not be made)
    const WIN32_FIND_DATAW* existing;  // the destination folder's listing of that name, or null
    FileCopy& copy;                 // the verdict, and the source open for reading
};

// What the walk does at each step.
class MirrorVisitor {
public:
    virtual ~MirrorVisitor() = default;
    // A backup's copy keeps destination files that list like their source (JudgeFileCopy) and
    // removes what the source does not have: those are reported as stale.
    virtual bool IsBackup() const { return false; }
    // A source folder whose destination is missing, of the other kind or a link (`existing` is its
    // listing, or null; `parent` is the held destination folder above it, null when that does not
    // exist either): true when the visitor made it a folder (the copy does, a backup's removing the
    // other kind first). The walk then enters both; otherwise the source alone.
    virtual bool PrepareFolder(const HeldFolder* parent, const WIN32_FIND_DATAW* existing, LPCWSTR name, LPCWSTR path) {
        (void)parent, (void)existing, (void)name, (void)path;
        return false;
    }
    // A file the filter passes.
    virtual void File(const MirrorFile& file) = 0;
    // A source entry passed over (path is the source path, or the level's when it does not fit).
    virtual void Skipped(LPCWSTR path, MirrorSkip why) { (void)path, (void)why; }
    // A destination entry that a backup's copy does not keep, in a held folder (backups only).
    virtual void Stale(const HeldFolder& folder, const WIN32_FIND_DATAW& entry, LPCWSTR path, StaleReason why) {
        (void)folder, (void)entry, (void)path, (void)why;
    }
};

// Walks a held source folder and, depth first, every sub-folder below it, beside the held
// destination folder of the same level (null: none). Files the filter refuses are not offered;
// folders are never filtered. Entries whose paths would not fit a path buffer are passed over, a
// folder with its sub-tree; no link is followed. At a backup, the destination entries that the
// source lacks are reported first, then the source's entries in the order the folder lists them.
void WalkMirror(const HeldFolder& source, const HeldFolder* destination, const NameFilter& filter, MirrorVisitor& visitor);

// The same from two roots named by their paths (each taken as it is; the sub-path, empty or a
// separator before each folder name, below both). The destination root may be missing.
void WalkMirror(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter,
                MirrorVisitor& visitor);

// Copies a held source tree into a held destination tree, as a backup (into a workspace, which it
// leaves holding the set as the source has it now) or as a restore (nothing at the destination is
// removed, nothing of the other kind is replaced). Returns how many files of the source did not
// land: whose copy failed or was refused, or whose folder could not be made.
// A missing destination (null: its folder could not be had) lands nothing.
size_t MirrorFolderTree(const HeldFolder& source, const HeldFolder* destination, const NameFilter& filter, bool backup);
