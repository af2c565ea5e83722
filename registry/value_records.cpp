// Single registry values as records of the settings file: 32-bit numbers as signed decimal text,
// strings as their text, one section per registry key named after its root and subkey.
#include <algorithm>

#include "app/environment.h"
#include "app/path_buffer.h"
#include "platform/handles.h"
#include "registry/section_name.h"
#include "registry/settings_file.h"

namespace {

// The integer read's default: a read that returns it found no record.
constexpr INT kAbsentMarker = static_cast<INT>(0x80000000u);
// Room for the decimal text of any 32-bit number: sign, ten digits and the terminator.
constexpr size_t kNumberTextCount = 16;

DWORD FromLittleEndian(const BYTE (&bytes)[sizeof(DWORD)]) {
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

void ToLittleEndian(DWORD value, BYTE (&bytes)[sizeof(DWORD)]) {
    for (size_t i = 0; i < sizeof(DWORD); ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

// Opens the key for reading its values and reads one value into the zeroed buffer; false when
// the key or the value is missing or the data are longer than the buffer.
bool ReadValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, BYTE* buffer, DWORD size) {
    RegKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE | kRegistryView, key.Receive()) != ERROR_SUCCESS) return false;
    return RegQueryValueExW(key.Get(), valueName, nullptr, nullptr, buffer, &size) == ERROR_SUCCESS;
}

// Opens the key for setting values, creating it with any missing keys above it, and sets one value.
bool SetValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, DWORD type, const BYTE* data, DWORD size) {
    RegKey key;
    if (RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kRegistryView, nullptr,
                        key.Receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(key.Get(), valueName, 0, type, data, size) == ERROR_SUCCESS;
}

// A record that cannot be written marks the pass's settings file as incomplete.
bool WriteRecord(CEnvironment& env, LPCWSTR section, LPCWSTR valueName, LPCWSTR text) {
    if (WriteSettingsRecord(env.m_strIniFile.c_str(), section, valueName, text)) return true;
    env.m_bRecordWriteFailed = true;
    return false;
}

}  // namespace

bool CEnvironment::SaveDwordValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    BYTE data[sizeof(DWORD)] = {};
    if (!ReadValue(root, subKey, valueName, data, sizeof data)) return false;
    WCHAR text[kNumberTextCount];
    _itow_s(static_cast<int>(FromLittleEndian(data)), text, kNumberTextCount, 10);
    return WriteRecord(*this, section, valueName, text);
}

// A record is missing only when the file has no text for the key: the string read tells that
// apart from a record holding "-2147483648", which the integer read alone cannot.
bool CEnvironment::RestoreDwordValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    WCHAR text[kNumberTextCount] = {};
    if (GetPrivateProfileStringW(section, valueName, L"", text, kNumberTextCount, m_strIniFile.c_str()) == 0) {
        return false;
    }
    DWORD value = GetPrivateProfileIntW(section, valueName, kAbsentMarker, m_strIniFile.c_str());
    BYTE data[sizeof(DWORD)];
    ToLittleEndian(value, data);
    return SetValue(root, subKey, valueName, REG_DWORD, data, sizeof data);
}

// Data that fill the whole buffer with no terminator hold a text of more than 259 characters and,
// like any such text, give no record.
bool CEnvironment::SaveStringValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    WCHAR text[MAX_PATH] = {};
    if (!ReadValue(root, subKey, valueName, reinterpret_cast<BYTE*>(text), MAX_PATH * sizeof(WCHAR))) return false;
    if (std::find(text, text + MAX_PATH, L'\0') == text + MAX_PATH) return false;
    return WriteRecord(*this, section, valueName, text);
}

bool CEnvironment::RestoreStringValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    WCHAR text[MAX_PATH] = {};
    DWORD length = GetPrivateProfileStringW(section, valueName, L"", text, MAX_PATH, m_strIniFile.c_str());
    if (length == 0) return false;
    return SetValue(root, subKey, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text),
                    (length + 1) * sizeof(WCHAR));
}
