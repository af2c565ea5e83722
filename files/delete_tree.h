// Removing a folder with everything below it, and one entry of a held folder.
#pragma once

#include "base/held_folder.h"

// Removes the folder and everything below it, depth first, holding the folder it lies in; a link
// is removed as a link, never entered. An empty path, or one that names a file or nothing,
// changes nothing.
void DeleteTree(LPCWSTR folder);

// Removes one entry of a held folder as its listing gave it, a link or not, a folder or not:
// judged again by a handle on the entry itself, a link removed by its name, anything else (a
// folder once emptied, a read-only file once that attribute is cleared) deleted through that
// handle.
void DeleteEntry(const HeldFolder& folder, const WIN32_FIND_DATAW& listed);
