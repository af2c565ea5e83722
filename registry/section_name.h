// The settings-file section of a registry key: the root's name, a backslash and the subkey, such as
// "HKEY_LOCAL_MACHINE\SOFTWARE\Tamrix\Mirovane\MainApp".
#pragma once

#include "base/path_buffer.h"
#include "platform/platform.h"

// False (and an empty name) for a root other than the four predefined ones, or a name that would
// not fit its buffer.
bool FormatSectionName(HKEY root, LPCWSTR subKey, PathBuffer& section);

// The root and subkey a section names: the reverse of FormatSectionName (the root's name compared
// without regard to case). False for any other text, or a subkey that would not fit its buffer.
bool ParseSectionName(LPCWSTR section, HKEY& root, PathBuffer& subKey);
