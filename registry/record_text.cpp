#include "registry/record_text.h"

#include <algorithm>

#include "platform/handles.h"

namespace {

// The integer read's default.
constexpr INT kAbsentMarker = static_cast<INT>(0x80000000u);

DWORD FromLittleEndian(const BYTE (&bytes)[sizeof(DWORD)]) {
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

// Opens the key for reading its values and reads one value into the zeroed buffer.
LiveRead ReadValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, BYTE* buffer, DWORD size) {
    RegKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE | kRegistryView, key.Receive()) != ERROR_SUCCESS) {
        return LiveRead::Missing;
    }
    LONG result = RegQueryValueExW(key.Get(), valueName, nullptr, nullptr, buffer, &size);
    if (result == ERROR_MORE_DATA) return LiveRead::TooLong;
    return result == ERROR_SUCCESS ? LiveRead::Read : LiveRead::Missing;
}

}  // namespace

LiveRead ReadLiveNumber(HKEY root, LPCWSTR subKey, LPCWSTR valueName, DWORD& value) {
    BYTE data[sizeof(DWORD)] = {};
    LiveRead read = ReadValue(root, subKey, valueName, data, sizeof data);
    value = FromLittleEndian(data);
    return read;
}

void FormatNumberRecord(DWORD value, WCHAR (&text)[kNumberTextCount]) {
    _itow_s(static_cast<int>(value), text, kNumberTextCount, 10);
}

// Data that fill the whole buffer with no terminator hold a text of more than 259 characters.
LiveRead ReadLiveText(HKEY root, LPCWSTR subKey, LPCWSTR valueName, WCHAR (&text)[MAX_PATH]) {
    std::fill(text, text + MAX_PATH, L'\0');
    LiveRead read = ReadValue(root, subKey, valueName, reinterpret_cast<BYTE*>(text), MAX_PATH * sizeof(WCHAR));
    if (read == LiveRead::Read && std::find(text, text + MAX_PATH, L'\0') == text + MAX_PATH) {
        text[0] = 0;
        return LiveRead::TooLong;
    }
    return read;
}

// A record is missing only when the file has no text for the key: the string read tells that
// apart from a record holding "-2147483648", which the integer read alone cannot.
bool ReadNumberRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, DWORD& value) {
    WCHAR text[kNumberTextCount] = {};
    if (GetPrivateProfileStringW(section, key, L"", text, kNumberTextCount, file) == 0) return false;
    value = GetPrivateProfileIntW(section, key, kAbsentMarker, file);
    return true;
}

DWORD ReadTextRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR (&text)[MAX_PATH]) {
    std::fill(text, text + MAX_PATH, L'\0');
    return GetPrivateProfileStringW(section, key, L"", text, MAX_PATH, file);
}
