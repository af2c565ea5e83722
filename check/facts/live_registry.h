// Reading one live registry value, read-only, in the registry view the program uses.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// Unreadable: the key or the value exists but cannot be read (access denied, ...).
enum class LiveState { MissingKey, MissingValue, Unreadable, Present };

struct LiveValue {
    LiveState state = LiveState::MissingKey;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // The value as a restore would compare it: a number as signed decimal, text up to its NUL.
    std::wstring AsText() const;
};

LiveValue ReadLiveValue(HKEY root, const std::wstring& subKey, const std::wstring& name);

