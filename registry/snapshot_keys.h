// Whether the key of a snapshot is there to be saved or loaded, judged as the snapshot operations
// open it: in the program's registry view, never creating it. Only "not found" means the key does
// not exist; any other failure is a key that exists but cannot be opened.
#pragma once

#include "platform/platform.h"

#include "platform/handles.h"

enum class KeyPresence { Present, Missing, Unreadable };

// Opens the snapshot key below HKEY_LOCAL_MACHINE with the access of one direction (KEY_READ to
// save it, KEY_WRITE to load a hive over it); the key is in `key` when Present.
KeyPresence OpenSnapshotKey(LPCWSTR subKey, REGSAM access, RegKey& key);
// The same, as a save opens it, for a caller that only asks.
KeyPresence ProbeSnapshotKey(LPCWSTR subKey);

// A value write (which creates every missing level of its key) to the key subKey below
// HKEY_LOCAL_MACHINE makes the snapshot key exist when it is that key or a key below it.
bool WriteCreatesSnapshotKey(LPCWSTR snapshotKey, HKEY root, LPCWSTR subKey);
