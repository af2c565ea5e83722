// One value record as each direction handles it: what a save reads from the live registry and
// writes as the record's text, and what a restore reads back from the settings file. The value
// records of the program and the inspector's checks go through these same functions, so what
// the inspector reports is what a backup wrote and what a restore will read.
#pragma once

#include <cstddef>

#include "platform/platform.h"

// Room for the decimal text of any 32-bit number: sign, ten digits and the terminator.
constexpr size_t kNumberTextCount = 16;

// The outcome of a save's read of one live value.
enum class LiveRead {
    Read,     // a record can be written
    Missing,  // the key or the value is missing (or cannot be read): no record
    TooLong,  // the value exists but its data do not fit the record: no record
};

// A number: up to 4 bytes of data of any type, as a little-endian number.
LiveRead ReadLiveNumber(HKEY root, LPCWSTR subKey, LPCWSTR valueName, DWORD& value);
// The record text of a number: signed decimal, as the save writes it.
void FormatNumberRecord(DWORD value, WCHAR (&text)[kNumberTextCount]);
// A string: data of any type up to its first NUL, at most 259 characters.
LiveRead ReadLiveText(HKEY root, LPCWSTR subKey, LPCWSTR valueName, WCHAR (&text)[MAX_PATH]);

// The restore's read of a number record: false when the file holds no text for the key (a record
// holding "-2147483648" is read as the number it names).
bool ReadNumberRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, DWORD& value);
// The restore's read of a text record: the length of its text, 0 when it is missing or empty.
DWORD ReadTextRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR (&text)[MAX_PATH]);
