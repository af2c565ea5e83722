// One value record as each direction handles it: what a save reads from the live registry and
// writes as the record's text, and what a restore reads back from the settings file. The value
// records of the program and the inspector's checks go through these same functions, so what
// the inspector reports is what a backup wrote and what a restore will read.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

// Room for the decimal text of any 32-bit number: sign, ten digits and the terminator.
constexpr size_t kNumberTextCount = 16;
// Room for the written form of any text a save carries: 259 characters, a pair of quotes and the
// terminator.
constexpr size_t kTextRecordCount = MAX_PATH + 2;

// The outcome of a save's read of one live value.
enum class LiveRead {
    Read,        // a record can be written
    Missing,     // the key or the value does not exist: no record
    Unreadable,  // the key or the value exists but cannot be read (access denied, ...): no record
    TooLong,     // the value exists but its data do not fit the record: no record
    OtherType,   // a number row's value that is not a REG_DWORD of 4 bytes: no record
    LineBreak,   // a text holding a carriage return or a line feed, which no record can hold: no record
};

// A number: REG_DWORD data of exactly 4 bytes, nothing else.
LiveRead ReadLiveNumber(HKEY root, LPCWSTR subKey, LPCWSTR valueName, DWORD& value);
// The record text of a number: signed decimal, as the save writes it.
void FormatNumberRecord(DWORD value, WCHAR (&text)[kNumberTextCount]);
// A string: data of any type up to its first NUL, at most 259 characters, without a line break.
// The value's type is stored in *type when asked for (REG_NONE when it was not read).
LiveRead ReadLiveText(HKEY root, LPCWSTR subKey, LPCWSTR valueName, WCHAR (&text)[MAX_PATH], DWORD* type = nullptr);
// The text as the save writes it: unchanged, or inside one extra pair of double quotes when the
// profile read would not give it back as it is (blanks at either end, or a matching pair of
// quotes around it): the read strips exactly that pair again.
void FormatTextRecord(LPCWSTR text, WCHAR (&record)[kTextRecordCount]);

// True for a character the profile read trims from either end of a text.
bool IsProfileBlank(WCHAR ch);

// The restore's read of a number record: false when the file holds no text for the key (a record
// holding "-2147483648" is read as the number it names). The record's own text, as far as the
// read takes it, is stored in *text when asked for.
bool ReadNumberRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, DWORD& value, std::wstring* text = nullptr);
// The text of a number record alone, as far as that read takes it: false when there is none.
bool ReadNumberRecordText(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR (&text)[kNumberTextCount]);
// The restore's read of a text record: the length of its text, 0 when it is missing or empty.
DWORD ReadTextRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR (&text)[MAX_PATH]);
