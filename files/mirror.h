// The filtered, recursive tree copy behind the data sets, and the same walk for anyone who needs
// to see what it copies and passes over without copying.
#pragma once

#include "files/data_sets.h"

// Why the walk passes over a source entry without copying it.
enum class MirrorSkip {
    Link,             // a link, never followed
    TooLong,          // its path (or a path of its level) would not fit a path buffer
    DestinationLink,  // the destination file is a link, never copied over
};

// What the walk does at each step. The copy makes each destination level (one folder, a failure
// ignored) and goes on unless that folder is a link; it copies each file the filter passes.
class MirrorVisitor {
public:
    virtual ~MirrorVisitor() = default;
    // Before a level's files: false ends the level with its sub-tree.
    virtual bool EnterLevel(LPCWSTR source, LPCWSTR destination) = 0;
    // A file the filter passes, from the source level to the destination level.
    virtual void File(LPCWSTR from, LPCWSTR to) = 0;
    // A source entry passed over (path is the source path, or the level's when it does not fit).
    virtual void Skipped(LPCWSTR path, MirrorSkip why) { (void)path, (void)why; }
};

// Walks one level of a tree and, depth first, every sub-folder below it: the level with the
// relative sub-path subPath (empty for the whole tree, else a separator before each folder name,
// such as "\Data\Old") lies at "<root><subPath>" on both sides. Files the filter refuses are not
// visited; folders are never filtered. A destination file that is a link is skipped, not visited.
void WalkMirror(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter,
                MirrorVisitor& visitor);

// Mirrors one level of a tree and, depth first, every sub-folder below it (WalkMirror). The
// destination folder is made first (one level; a failure is ignored), then every file of the
// source level that the filter passes is copied over the destination's file of that name
// (CopyFileWhole: a failed copy leaves no partial file), and every sub-folder is mirrored in turn.
// Nothing at the destination is removed. Every failure is silent and ends only its own step.
//
// Entries whose paths would not fit a path buffer are skipped, a folder with its sub-tree. No
// link is followed below the two roots: a source entry that is a link is passed over, and a
// destination folder or file that is a link is never copied into or over.
void MirrorFolderTree(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter);
