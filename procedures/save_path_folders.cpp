// The recording folders named by the restored settings: one folder level for each save path.
#include <cwchar>

#include "base/environment.h"
#include "base/path_buffer.h"
#include "platform/handles.h"
#include "procedures/save_paths.h"

const SavePathValue kSavePathValues[] = {
    {L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"MpegFileSavePath", "MpegFileSavePath="},
    {L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"TimeShiftFileSavePath", "TimeShiftFileSavePath="},
    {L"SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting", L"AutoRecFileSavePath", "AutoRecFileSavePath="},
};
const size_t kSavePathValueCount = sizeof kSavePathValues / sizeof kSavePathValues[0];

// A share's path would make the elevated program contact that host, a device or long path
// (\\?\..., \\.\...) reaches past the drives, and a relative one lands below the current folder.
bool IsLocalDrivePath(LPCWSTR path) {
    WCHAR letter = static_cast<WCHAR>(path[0] & ~0x20);
    if (letter < L'A' || letter > L'Z' || path[1] != L':' || path[2] != L'\\') return false;
    WCHAR root[] = {letter, L':', L'\\', 0};
    UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE;
}

namespace {

// Reads one path value of any type, writes its trace line and creates its folder. A value whose
// data hold no terminator within the buffer names no path and is passed over.
void CreateSavePathFolder(CEnvironment& env, HKEY key, const SavePathValue& value) {
    WCHAR path[MAX_PATH];
    std::wmemset(path, 0, MAX_PATH);
    DWORD size = MAX_PATH * sizeof(WCHAR);
    if (RegQueryValueExW(key, value.valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(path), &size) != ERROR_SUCCESS) {
        return;
    }
    if (std::wmemchr(path, 0, MAX_PATH) == nullptr) return;
    char narrow[MAX_PATH];
    size_t converted = 0;
    wcstombs_s(&converted, narrow, sizeof narrow, path, _TRUNCATE);
    WriteTraceLine(env.m_szLog, value.tracePrefix, narrow, "\r\n");
    if (IsLocalDrivePath(path)) CreateDirectoryW(path, nullptr);
}

}  // namespace

// The values of one key are handled under one opening of it; a key that does not open is passed over.
void CEnvironment::CreateSavePathFolders() {
    size_t at = 0;
    while (at < kSavePathValueCount) {
        LPCWSTR subKey = kSavePathValues[at].subKey;
        RegKey key;
        bool opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE | kRegistryView, key.Receive()) == ERROR_SUCCESS;
        for (; at < kSavePathValueCount && std::wcscmp(kSavePathValues[at].subKey, subKey) == 0; ++at) {
            if (opened) CreateSavePathFolder(*this, key.Get(), kSavePathValues[at]);
        }
    }
}
