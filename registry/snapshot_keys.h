// Whether the key of a snapshot is there to be saved or loaded, judged as the snapshot operations
// open it: in the program's registry view, never creating it. Only "not found" means the key does
// not exist; any other failure is a key that exists but cannot be opened.
#pragma once

#include "platform/platform.h"

enum class KeyPresence { Present, Missing, Unreadable };

KeyPresence ProbeSnapshotKey(LPCWSTR subKey);

// A value write (which creates every missing level of its key) to the key subKey below
// HKEY_LOCAL_MACHINE makes the snapshot key exist when it is that key or a key below it.
bool WriteCreatesSnapshotKey(LPCWSTR snapshotKey, HKEY root, LPCWSTR subKey);
