// What a backup pass removes from its workspace: the part files that runs ended before
// completing, and the entries of a data set's workspace copy that a backup from this machine now
// would not leave there (its copy removes them as it walks, files/mirror.h). The inspector names
// them by the same walk; a restore removes the part files it finds in the suite's trees.
#pragma once

#include <functional>

#include "files/data_sets.h"
#include "files/mirror.h"

struct StaleEntry {
    LPCWSTR path;   // in the workspace
    bool isFolder;  // a folder (removed with everything in it), or a link to one
    bool isLink;
    StaleReason reason;
};

// Calls visit for every stale entry of the workspace copy of a set (workspaceRoot, such as
// D:\mvtemp\MV), judged against the set's root on the system (systemRoot) by the backup's own
// walk. A stale folder is reported once, not its contents; links are reported, never entered. An
// entry is judged stale only when the machine's side says so: one whose system path does not fit
// a path buffer, or whose system folder cannot be listed, is kept.
void ForEachStaleEntry(LPCWSTR systemRoot, LPCWSTR workspaceRoot, const NameFilter& filter,
                       const std::function<void(const StaleEntry&)>& visit);

// Calls visit(path) for every part file (a name ending in ".mvpart") in the tree below the folder,
// never passing through a link.
void ForEachPartFile(LPCWSTR folder, const std::function<void(LPCWSTR)>& visit);

// The part files that runs ended before completing left where a pass writes, removed before it
// starts: at the top of the workspace (a backup; those below are removed by the copies' walks), or
// in the sets' trees on the system and beside C:\MvdMng.ini (a restore). Each folder is held while
// its part files are removed, a read-only one once that attribute is cleared (never one with a
// second name); no link is passed through.
void RemoveWorkspacePartFiles(LPCWSTR workspace);
void RemoveSystemPartFiles();
