// Whole keys below HKEY_LOCAL_MACHINE as hive files in the workspace. Each operation enables its
// privilege on the process token (and leaves it enabled), opens the key, never creating it, and
// hands the key and the file to the platform.
#include "base/environment.h"
#include "base/path_buffer.h"
#include "base/file_read.h"
#include "base/links.h"
#include "base/whole_copy.h"
#include "platform/handles.h"

namespace {

struct SnapshotDirection {
    LPCWSTR privilege;
    REGSAM access;
};

const SnapshotDirection kSaveDirection = {SE_BACKUP_NAME, KEY_READ};
const SnapshotDirection kRestoreDirection = {SE_RESTORE_NAME, KEY_WRITE};

// Enables one privilege on the token; only the call's own result counts (a token that does not
// hold the privilege passes, and the registry call then fails).
bool EnablePrivilege(HANDLE token, LPCWSTR privilege) {
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueW(nullptr, privilege, &privileges.Privileges[0].Luid)) return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr) != FALSE;
}

// Reads nothing: a single byte makes the file too large for the bound.
bool FileIsEmpty(LPCWSTR path) { return ReadWholeFile(path, 0).status == FileReadStatus::Read; }

// A hive is written only where no file of that name exists: the platform's refusal to replace a
// file is not relied on, since not every implementation of it refuses. Nor is anything written
// through a link of that name: the link exists, so it is left alone. A save that fails (a full
// drive, say) may leave the file it made, empty or cut short; so may one that reports success
// with nothing written. That file is deleted, so that a workspace holds a complete hive or none,
// and a restore never loads a part of one.
void SaveHiveFile(HKEY key, LPCWSTR path) {
    if (!FileMissing(path)) return;
    if (RegSaveKeyW(key, path, nullptr) != ERROR_SUCCESS || FileIsEmpty(path)) DeleteFileW(path);
}

// Opens the token and the key for one direction and calls `transfer` with the key and the hive
// file path; does nothing when a step before it fails. The key is closed before the token.
template <class Transfer>
void WithSnapshotKey(const CEnvironment& env, LPCWSTR fileName, LPCWSTR subKey, const SnapshotDirection& direction,
                     Transfer transfer) {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Receive())) return;
    if (!EnablePrivilege(token.Get(), direction.privilege)) return;
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, direction.access | kRegistryView, key.Receive()) != ERROR_SUCCESS) {
        return;
    }
    PathBuffer path;
    if (!FormatPath(path, L"%ls\\%ls", env.m_strTempDirectory.c_str(), fileName)) return;
    transfer(key.Get(), static_cast<LPCWSTR>(path));
}

}  // namespace

void CEnvironment::SaveKeyToFile(LPCWSTR fileName, LPCWSTR subKey) {
    WithSnapshotKey(*this, fileName, subKey, kSaveDirection, SaveHiveFile);
}

// A hive file that is a link is never loaded: it could name any file of the machine.
void CEnvironment::RestoreKeyFromFile(LPCWSTR fileName, LPCWSTR subKey) {
    WithSnapshotKey(*this, fileName, subKey, kRestoreDirection, [](HKEY key, LPCWSTR path) {
        if (!IsLink(path)) RegRestoreKeyW(key, path, REG_FORCE_RESTORE);
    });
}
