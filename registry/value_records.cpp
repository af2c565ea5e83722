// Single registry values as records of the settings file: 32-bit numbers as signed decimal text,
// strings as their text (quoted where the profile read would change it), one section per registry
// key named after its root and subkey.
#include "base/environment.h"
#include "base/path_buffer.h"
#include "platform/handles.h"
#include "registry/record_text.h"
#include "registry/section_name.h"
#include "registry/settings_file.h"

namespace {

void ToLittleEndian(DWORD value, BYTE (&bytes)[sizeof(DWORD)]) {
    for (size_t i = 0; i < sizeof(DWORD); ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
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

// A record that was read but could not be written back is a carried value that did not land.
bool WriteBack(CEnvironment& env, bool written) {
    if (!written) env.m_bRestoreIncomplete = true;
    return written;
}

}  // namespace

bool CEnvironment::SaveDwordValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    DWORD value = 0;
    if (ReadLiveNumber(root, subKey, valueName, value) != LiveRead::Read) return false;
    WCHAR text[kNumberTextCount];
    FormatNumberRecord(value, text);
    return WriteRecord(*this, section, valueName, text);
}

bool CEnvironment::RestoreDwordValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    DWORD value = 0;
    if (!ReadNumberRecord(m_strIniFile.c_str(), section, valueName, value)) return false;
    BYTE data[sizeof(DWORD)];
    ToLittleEndian(value, data);
    return WriteBack(*this, SetValue(root, subKey, valueName, REG_DWORD, data, sizeof data));
}

bool CEnvironment::SaveStringValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    WCHAR text[MAX_PATH];
    if (ReadLiveText(root, subKey, valueName, text) != LiveRead::Read) return false;
    WCHAR record[kTextRecordCount];
    FormatTextRecord(text, record);
    return WriteRecord(*this, section, valueName, record);
}

bool CEnvironment::RestoreStringValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    WCHAR text[MAX_PATH];
    DWORD length = ReadTextRecord(m_strIniFile.c_str(), section, valueName, text);
    if (length == 0) return false;
    return WriteBack(*this, SetValue(root, subKey, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                     (length + 1) * sizeof(WCHAR)));
}
