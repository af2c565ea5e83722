// Folders held open while the program works inside them, and the entries opened in them.
//
// The program runs elevated in trees that other users may write to (C:\ProgramData\Tamrix\...
// lets every user make folders, and each owns what it makes). A path checked and then used by
// its name can be turned meanwhile into a link by such a user, so the program never trusts a
// path alone: each folder it works in is opened on itself (a link at its end is not followed),
// judged through that handle, and held open without sharing deletion, so that nobody can rename
// or delete it, nor any folder above it, while the step runs. Each entry opened inside a held
// folder is opened on itself too, and the handle must say that it is where its path says: its
// path as the handle reads it is the folder's own followed by the entry's name. An entry reached
// through a link anywhere on the way (a held folder that was emptied and re-pointed, say) fails
// that test and is not used.
#pragma once

#include <cstdint>

#include "base/links.h"
#include "base/path_buffer.h"

// A folder held open on itself. `path` is how the program names it (C:\ProgramData\Tamrix);
// `real` is its path as its handle reads it (the same, but for a known folder that is a link, or
// a short name); a drive root's are "C:".
struct HeldFolder {
    KernelHandle handle;
    PathBuffer path = {};
    PathBuffer real = {};
};

// What becomes of an open inside a held folder.
enum class OpenResult {
    Opened,
    Missing,     // nothing of that name (the platform says "not found")
    Redirected,  // the handle is not where the path says: a link on the way
    Link,        // a folder asked for is a link (not followed)
    Failed,      // any other failure (access, sharing, a path that does not fit, ...)
};

// Holds a known folder taken as it is: a link at its end is followed, and the held folder is
// wherever it leads.
bool HoldKnownFolder(LPCWSTR path, HeldFolder& held);
// Holds a drive root (C:\) or a folder named from one (a workspace, D:\mvtemp): it must not be
// a link, and its handle must say that it is where its path says. A root is held as "C:".
OpenResult HoldTopFolder(LPCWSTR path, HeldFolder& held);
// Holds the folder `name` of a held folder: a plain folder, where its path says (Link when the
// handle says it is a link, Failed when it is not a folder).
OpenResult HoldSubFolder(const HeldFolder& parent, LPCWSTR name, HeldFolder& held);

// The folders of a short relative path below a held folder, each held while the program works
// below the last.
struct HeldPath {
    static constexpr size_t kDepth = 4;
    HeldFolder levels[kDepth];
    size_t count = 0;
    const HeldFolder& Last() const { return levels[count - 1]; }
};
// Holds the folders of `relative` (names joined by "\") below `top`, one after the other; `top`
// stays held by its owner. Missing when one of them does not exist.
OpenResult HoldFolderPath(const HeldFolder& top, LPCWSTR relative, HeldPath& held);

// How an entry inside a held folder is opened.
struct EntryOpen {
    DWORD access;
    DWORD share;
    DWORD disposition;  // OPEN_EXISTING, or CREATE_NEW for a file that must not exist yet
    bool folder;        // a folder: opened with backup semantics, which only folders need
    bool counted = true;  // a file's size and names are read (OpenEntry)
    bool throughFilter = false;  // a file behind a filter, opened so that it works (OpenThroughFilter)
};

// Opens the entry `name` of a held folder on itself and judges it through the handle: its kind,
// link, link count, size and last-write time are in `entry`. A new entry (CREATE_NEW) that turns
// out not to be where its path says is deleted again through its handle.
OpenResult OpenInFolder(const HeldFolder& folder, LPCWSTR name, const EntryOpen& how, OpenedEntry& entry);

// Renames the file open in `entry` (opened with DELETE) to `name` in the held folder, replacing
// a file of that name when `replace` is set, by the handles alone: the new name is resolved in
// the held folder itself, whatever its path names by then.
bool RenameIntoFolder(const OpenedEntry& entry, const HeldFolder& folder, LPCWSTR name, bool replace);

// Removes the file (or the empty folder) `name` of a held folder, judged through a handle on it:
// a link is removed by its name, never through a handle; a read-only entry loses that attribute
// first, unless it is a file with more than one name (the attribute belongs to every name).
// An entry of the other kind is left. True when it is gone.
bool RemoveInFolder(const HeldFolder& folder, LPCWSTR name, bool isFolder);

// True for a name that the platform's paths cannot name: one that ends in a dot or a blank,
// which a path drops (so "twin." would reach "twin").
bool IsNameUnreachable(LPCWSTR name);
