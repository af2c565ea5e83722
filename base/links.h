// Links (junctions and symbolic links) as the file transfer meets them. The program runs elevated
// and works in folders that other users may write to; a link planted there must never make it
// read, write or delete anything outside the trees it owns, so no walk passes through one.
//
// A link is a reparse point whose tag marks it as a name surrogate (it names another entry).
// Every other reparse point (a deduplicated file, a cloud placeholder, ...) is an ordinary file or
// folder and is carried and deleted like the others. A reparse point whose tag reads as 0 (the
// platform did not report it) counts as a link.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"
#include "platform/platform.h"

// True when an open failed because nothing is at the path (rather than that it cannot be read).
inline bool IsMissingError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The sharing of an open that lets every other open happen.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// An entry opened once on itself (a link at the end of the path is not followed), with what
// that handle says of it. What is decided from it is done through the same handle, so an entry
// swapped after it was judged cannot redirect the act.
struct OpenedEntry {
    KernelHandle handle;
    DWORD attributes = 0;
    bool link = false;
    DWORD links = 0;         // the names the file has (a hard link gives it more than one)
    uint64_t size = 0;
    FILETIME lastWrite = {};

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Opens the entry at the path with the access asked for (and the right to read its attributes)
// and the sharing given, and reads what it is through the handle. Only a folder is opened with
// backup semantics (a folder cannot be opened without them; a file opened with them would
// bypass its security while a backup privilege is enabled). False when it cannot be opened or
// read; a folder asked for that is a file, or a file that is a folder, cannot be opened.
bool OpenEntry(LPCWSTR path, DWORD access, DWORD share, bool folder, OpenedEntry& entry);
// The same with a disposition: OPEN_EXISTING, or CREATE_NEW for a file that must not exist yet;
// a file's size and names are read only when `counted` (a new file has one name and no bytes).
bool OpenEntry(LPCWSTR path, DWORD access, DWORD share, bool folder, DWORD disposition, bool counted, OpenedEntry& entry);
// Opens a file a second time as a program reads it: without FILE_FLAG_OPEN_REPARSE_POINT, so that
// the file system filter that owns its reparse point (compression, deduplication, a cloud
// placeholder) shows its content; "CreateFileW" returns a handle opened with that flag "whether or
// not the filter that controls the reparse point is operational". Never for a link.
bool OpenThroughFilter(LPCWSTR path, DWORD access, DWORD share, OpenedEntry& entry);
// Reads the size and the names of an entry opened without them.
bool CountEntry(OpenedEntry& entry);
// Sets the attributes (0: none but FILE_ATTRIBUTE_NORMAL) and, when given, the last-write time of
// the entry through its handle (opened with the right to write attributes).
bool SetEntryBasics(const OpenedEntry& entry, DWORD attributes, const FILETIME* lastWrite);
// Deletes the entry through its handle (opened with the right to delete): it goes once the handle,
// closed here, was the last one open on it. True when the platform took the deletion.
bool DeleteThroughHandle(OpenedEntry& entry);

// True when the entry at the path is itself a link (it is not followed): when its listing says so
// or a handle on it does. (A handle may not tell a link, as under Wine; a listing can be out of date.)
bool IsLink(LPCWSTR path);

// True when the listing of the entry at the path says that it is a link.
bool IsListedLink(LPCWSTR path);

// True when any entry on the path after its first `from` characters is a link: each folder on
// the way and the last entry. A workspace path is checked from its drive ("D:"), a known folder's
// sub-folder from the end of the known folder's path.
bool PassesThroughLink(LPCWSTR path, size_t from);

// True when a listed entry is a link: a file or folder whose reparse tag (dwReserved0) is a name
// surrogate, or is not reported.
bool IsLinkEntry(const WIN32_FIND_DATAW& entry);

// True for the entries "." and ".." that every listing of a folder but a drive root holds.
bool IsDotEntry(LPCWSTR name);
