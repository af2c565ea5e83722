// What a backup pass removes from its workspace after copying: the part files that runs ended
// before completing, and the entries of a data set's workspace copy that a backup from this
// machine now would not leave there. The program removes them; the inspector names them, by the
// same walk.
#pragma once

#include <functional>

#include "files/data_sets.h"

// Why an entry of a workspace copy is stale.
enum class StaleReason {
    Gone,      // the machine has no such file or folder (or has a link there, which is not carried)
    Filtered,  // a file of a name the set does not carry
    PartFile,  // a copy that a run ended before completing (a name ending in ".mvpart")
    Link,      // a link, which no copy makes
    KindDiffers,  // a file where the machine has a folder, or a folder where it has a file
};

struct StaleEntry {
    LPCWSTR path;   // in the workspace
    bool isFolder;  // a folder (removed with everything in it), or a link to one
    bool isLink;
    StaleReason reason;
};

// Calls visit for every stale entry of the workspace copy of a set (workspaceRoot, such as
// D:\mvtemp\MV), judged against the set's root on the system (systemRoot). A stale folder is
// reported once, not its contents; links are reported, never entered. An entry is judged stale
// only when the machine's side says so: one whose system path does not fit a path buffer, or
// whose system entry cannot be looked at, is kept.
void ForEachStaleEntry(LPCWSTR systemRoot, LPCWSTR workspaceRoot, const NameFilter& filter,
                       const std::function<void(const StaleEntry&)>& visit);

// Removes the stale entries of a set's workspace copy, each judged again by a handle on it
// (DeleteJudged): a link is removed as a link, a read-only file once that attribute is cleared.
void PruneWorkspaceCopy(LPCWSTR systemRoot, LPCWSTR workspaceRoot, const NameFilter& filter);

// Calls visit(path) for every part file (a name ending in ".mvpart") in the tree below the folder,
// never passing through a link.
void ForEachPartFile(LPCWSTR folder, const std::function<void(LPCWSTR)>& visit);

// Removes the part files of the tree, a read-only one after clearing that attribute.
void RemovePartFiles(LPCWSTR folder);
