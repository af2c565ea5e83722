// Whether the settings file of a workspace already holds what a save would write now: for each
// value, the record the save would write, or none where it writes none. A second backup of an
// unchanged machine then leaves the settings file as it is instead of writing every record anew.
#pragma once

#include <string>

#include "platform/platform.h"

// `carried` is what the save of the value returns (the value was read and makes a record).
bool NumberRecordCurrent(const std::wstring& file, HKEY root, LPCWSTR subKey, LPCWSTR valueName, bool& carried);
bool TextRecordCurrent(const std::wstring& file, HKEY root, LPCWSTR subKey, LPCWSTR valueName, bool& carried);
