// The settings file "Movendo.ini" of a workspace, in the platform's profile format and kept in
// UTF-16LE, so that every character a record holds reads back as it was written.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The largest settings file the program reads whole (a backup checks its draft on disk); far
// above any file a backup writes.
constexpr uint64_t kSettingsFileSizeBound = 64u * 1024 * 1024;

// Writes one value record (section, key and text) through the platform's profile operations.
// Just before the first record of a workspace, when the file does not exist yet, it is created
// holding only the UTF-16LE byte-order mark; the profile operations then keep it in UTF-16LE.
// True when the record was written.
bool WriteSettingsRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPCWSTR text);
