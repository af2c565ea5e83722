// Removing a folder with everything below it.
#pragma once

#include "platform/platform.h"

// Removes the folder and everything below it, depth first; a link is removed as a link, never
// entered. An empty path, or one that names a file or nothing, changes nothing.
void DeleteTree(LPCWSTR folder);

// Removes one entry that a listing gave as a link or not, a folder or not: judged again by a
// handle on the entry itself, a link removed by its name, anything else (a folder once emptied,
// a read-only file once that attribute is cleared) deleted through that handle.
void DeleteJudged(LPCWSTR path, bool listedLink, bool listedFolder);
