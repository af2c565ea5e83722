// Removing a folder with everything below it.
#pragma once

#include "platform/platform.h"

// Removes the folder and everything below it, depth first; a link is removed as a link, never
// entered. An empty path, or one that names a file or nothing, changes nothing.
void DeleteTree(LPCWSTR folder);
