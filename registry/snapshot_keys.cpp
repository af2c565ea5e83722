#include "registry/snapshot_keys.h"

#include <cwchar>
#include <string>


KeyPresence OpenSnapshotKey(LPCWSTR subKey, REGSAM access, RegKey& key) {
    LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, access | kRegistryView, key.Receive());
    if (opened == ERROR_SUCCESS) return KeyPresence::Present;
    return opened == ERROR_FILE_NOT_FOUND ? KeyPresence::Missing : KeyPresence::Unreadable;
}

KeyPresence ProbeSnapshotKey(LPCWSTR subKey) {
    RegKey key;
    return OpenSnapshotKey(subKey, KEY_READ, key);
}

bool WriteCreatesSnapshotKey(LPCWSTR snapshotKey, HKEY root, LPCWSTR subKey) {
    if (root != HKEY_LOCAL_MACHINE) return false;
    size_t length = std::wcslen(snapshotKey);
    if (std::wcslen(subKey) < length || (subKey[length] != 0 && subKey[length] != L'\\')) return false;
    return _wcsicmp(std::wstring(subKey, length).c_str(), snapshotKey) == 0;
}
