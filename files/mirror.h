// The filtered, recursive tree copy behind the data sets.
#pragma once

#include "files/data_sets.h"

// Mirrors one level of a tree and, depth first, every sub-folder below it: the level with the
// relative sub-path subPath (empty for the whole tree, else a separator before each folder name,
// such as "\Data\Old") lies at "<root><subPath>" on both sides. The destination folder is made first (one level; a failure
// is ignored), then every file of the source level that the filter passes is copied over the
// destination's file of that name (CopyFileWhole: a failed copy leaves no partial file), and every
// sub-folder is mirrored in turn. Nothing at the
// destination is removed. Every failure is silent and ends only its own step.
//
// Entries whose paths would not fit a path buffer are skipped, a folder with its sub-tree. No
// link is followed below the two roots: a source entry that is a link is passed over, and a
// destination folder or file that is a link is never copied into or over.
void MirrorFolderTree(LPCWSTR sourceRoot, LPCWSTR destinationRoot, LPCWSTR subPath, const NameFilter& filter);
