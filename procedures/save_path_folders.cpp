// The recording folders named by the restored settings: one folder level for each save path.
#include <cwchar>

#include "app/environment.h"
#include "app/path_buffer.h"
#include "platform/handles.h"

namespace {

struct SavePathValue {
    LPCWSTR subKey;
    LPCWSTR valueName;
    const char* tracePrefix;
};

const SavePathValue kMainAppPaths[] = {
    {L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"MpegFileSavePath", "MpegFileSavePath="},
    {L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"TimeShiftFileSavePath", "TimeShiftFileSavePath="},
};
const SavePathValue kAutoRecPath = {L"SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting", L"AutoRecFileSavePath",
                                    "AutoRecFileSavePath="};

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
    CreateDirectoryW(path, nullptr);
}

}  // namespace

void CEnvironment::CreateSavePathFolders() {
    RegKey mainApp;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMainAppPaths[0].subKey, 0, KEY_QUERY_VALUE, mainApp.Receive()) == ERROR_SUCCESS) {
        for (const auto& value : kMainAppPaths) CreateSavePathFolder(*this, mainApp.Get(), value);
    }
    mainApp.Reset();
    RegKey autoRec;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoRecPath.subKey, 0, KEY_QUERY_VALUE, autoRec.Receive()) != ERROR_SUCCESS) {
        return;
    }
    CreateSavePathFolder(*this, autoRec.Get(), kAutoRecPath);
}
