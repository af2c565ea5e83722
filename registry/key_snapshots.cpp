// Whole keys below HKEY_LOCAL_MACHINE as hive files in the workspace. Each operation enables its
// privilege on the process token (and leaves it enabled), opens the key, never creating it, and
// hands the key and the file to the platform.
#include "base/environment.h"
#include "base/path_buffer.h"
#include "base/file_read.h"
#include "base/links.h"
#include "base/whole_copy.h"
#include "platform/handles.h"
#include "registry/snapshot_keys.h"

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

// Each pass saves the key anew: under the hive file's part name first, which replaces the earlier
// hive file only when the save succeeded and left a file that is not empty. A save that fails (a
// full drive, say) may leave the file it made, empty or cut short, or report success with nothing
// written: that part is deleted and the earlier hive file stays. Nothing is written through a
// link of either name: the link is left alone.
void SaveHiveFile(HKEY key, LPCWSTR path) {
    PathBuffer part;
    if (IsLink(path) || !FormatPartPath(path, part) || IsLink(part)) return;
    if (!FileMissing(part) && !RemoveFile(part)) return;
    if (RegSaveKeyW(key, part, nullptr) == ERROR_SUCCESS && !FileIsEmpty(part) &&
        MoveFileExW(part, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return;
    }
    RemoveFile(part);
}

// A key that does not exist on the machine any more leaves no hive file of an earlier pass: a
// restore would otherwise bring the removed key back.
void RemoveHiveFile(LPCWSTR path) {
    if (!IsLink(path)) RemoveFile(path);
}

// Opens the token and the key for one direction and calls `transfer` with the key and the hive
// file path, or `missing` with the path when the key does not exist; does nothing when a step
// before it fails. The key is closed before the token.
template <class Transfer, class Missing>
void WithSnapshotKey(const CEnvironment& env, LPCWSTR fileName, LPCWSTR subKey, const SnapshotDirection& direction,
                     Transfer transfer, Missing missing) {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Receive())) return;
    if (!EnablePrivilege(token.Get(), direction.privilege)) return;
    PathBuffer path;
    if (!FormatPath(path, L"%ls\\%ls", env.m_strTempDirectory.c_str(), fileName)) return;
    RegKey key;
    KeyPresence presence = OpenSnapshotKey(subKey, direction.access, key);
    if (presence == KeyPresence::Present) {
        transfer(key.Get(), static_cast<LPCWSTR>(path));
    } else if (presence == KeyPresence::Missing) {
        missing(static_cast<LPCWSTR>(path));
    }
}

}  // namespace

void CEnvironment::SaveKeyToFile(LPCWSTR fileName, LPCWSTR subKey) {
    WithSnapshotKey(*this, fileName, subKey, kSaveDirection, SaveHiveFile, RemoveHiveFile);
}

// A hive file that is a link is never loaded: it could name any file of the machine.
void CEnvironment::RestoreKeyFromFile(LPCWSTR fileName, LPCWSTR subKey) {
    WithSnapshotKey(*this, fileName, subKey, kRestoreDirection, [](HKEY key, LPCWSTR path) {
        if (!IsLink(path)) RegRestoreKeyW(key, path, REG_FORCE_RESTORE);
    }, [](LPCWSTR) {});
}
