#include <cwchar>

#include "known_folders.h"
#include "machine.h"
#include "win_api.h"

namespace sim {

KnownFolders::KnownFolders() {
    paths[CSIDL_COMMON_APPDATA] = L"C:\\ProgramData";
    paths[CSIDL_LOCAL_APPDATA] = L"C:\\Users\\user\\AppData\\Local";
}

}  // namespace sim

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR path) {
    auto& folders = sim::Machine::Current().knownFolders();
    if (path == nullptr) return E_INVALIDARG;
    path[0] = 0;
    auto failure = folders.failures.find(csidl);
    if (failure != folders.failures.end()) return failure->second;
    auto it = folders.paths.find(csidl);
    if (it == folders.paths.end() || it->second.size() >= MAX_PATH) return E_INVALIDARG;
    std::wcsncpy(path, it->second.c_str(), MAX_PATH);
    return S_OK;
}
