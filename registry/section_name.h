// The settings-file section of a registry key: the root's name, a backslash and the subkey, such as
// "HKEY_LOCAL_MACHINE\SOFTWARE\Tamrix\Mirovane\MainApp".
#pragma once

#include "base/path_buffer.h"
#include "platform/platform.h"

// False (and an empty name) for a root other than the four predefined ones, or a name that would
// not fit its buffer.
bool FormatSectionName(HKEY root, LPCWSTR subKey, PathBuffer& section);
