// Links (junctions and symbolic links) as the file transfer meets them. The program runs elevated
// and works in folders that other users may write to; a link planted there must never make it
// read, write or delete anything outside the trees it owns, so no walk passes through one.
#pragma once

#include <cstddef>

#include "platform/platform.h"

// True when the entry at the path is itself a link (it is not followed).
bool IsLink(LPCWSTR path);

// True when any entry on the path after its first `from` characters is a link: each folder on
// the way and the last entry. A workspace path is checked from its drive ("D:"), a known folder's
// sub-folder from the end of the known folder's path.
bool PassesThroughLink(LPCWSTR path, size_t from);

// True when a listed entry is a link: a folder with a reparse point, or a file whose reparse
// point names another entry (a symbolic link).
bool IsLinkEntry(const WIN32_FIND_DATAW& entry);

// True for the entries "." and ".." that every listing of a folder but a drive root holds.
bool IsDotEntry(LPCWSTR name);
