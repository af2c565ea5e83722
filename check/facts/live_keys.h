// A live registry key read whole, read-only, in the program's registry view: its subkeys, value
// names, types and data, in the same form as a hive file's key (hive/hive_file.h), so that the two
// compare directly.
#pragma once

#include <string>

#include "hive/hive_file.h"
#include "platform/platform.h"

enum class LiveKeyState { Read, Missing, Unreadable };

struct LiveKey {
    LiveKeyState state = LiveKeyState::Missing;
    hive::Key tree;
    bool partly = false;  // a subkey or value below it could not be read: the tree is not whole
};

LiveKey ReadLiveKey(HKEY root, LPCWSTR subKey);
