#include <cwchar>

#include "filesystem.h"
#include "known_folders.h"
#include "machine.h"
#include "win_api.h"

namespace sim {

KnownFolders::KnownFolders() {
    paths[CSIDL_COMMON_APPDATA] = L"C:\\ProgramData";
    paths[CSIDL_LOCAL_APPDATA] = L"C:\\Users\\user\\AppData\\Local";
}

}  // namespace sim

// The folder's current path. A folder that does not exist is not made: its path is still given,
// with a failure. A chosen failure (Faults) names the folder's path and gives the result.
HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR path) {
    auto& machine = sim::Machine::Current();
    auto& folders = machine.knownFolders();
    if (path == nullptr) return E_INVALIDARG;
    path[0] = 0;
    auto it = folders.paths.find(csidl);
    if (it == folders.paths.end() || it->second.size() >= MAX_PATH) return E_INVALIDARG;
    if (DWORD error = machine.faults().Check("SHGetFolderPathW", it->second.c_str())) return static_cast<HRESULT>(error);
    std::wcsncpy(path, it->second.c_str(), MAX_PATH);
    if (!machine.files().Resolve(it->second, true).node) return sim::kFolderMissing;
    return S_OK;
}
