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

#include "platform/platform.h"

// True when the entry at the path is itself a link (it is not followed).
bool IsLink(LPCWSTR path);

// True when any entry on the path after its first `from` characters is a link: each folder on
// the way and the last entry. A workspace path is checked from its drive ("D:"), a known folder's
// sub-folder from the end of the known folder's path.
bool PassesThroughLink(LPCWSTR path, size_t from);

// True when a listed entry is a link: a file or folder whose reparse tag (dwReserved0) is a name
// surrogate, or is not reported.
bool IsLinkEntry(const WIN32_FIND_DATAW& entry);

// True for the entries "." and ".." that every listing of a folder but a drive root holds.
bool IsDotEntry(LPCWSTR name);
