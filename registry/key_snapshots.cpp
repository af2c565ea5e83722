// Whole keys below HKEY_LOCAL_MACHINE as hive files in the workspace. The backup and restore
// privileges are enabled on the process token just around the registry call that needs them and
// set back at once: no file of the machine is ever opened while they are enabled (with them, an
// open for backup bypasses every file's security). Each operation opens the key, never creating
// it, and hands the key and the file to the platform.
#include "base/environment.h"
#include "base/file_read.h"
#include "base/links.h"
#include "base/path_buffer.h"
#include "base/privileges.h"
#include "base/whole_copy.h"
#include "platform/handles.h"
#include "registry/snapshot_keys.h"

namespace {

// Reads nothing: a single byte makes the file too large for the bound.
bool FileIsEmpty(LPCWSTR path) { return ReadWholeFile(path, 0).status == FileReadStatus::Read; }

LONG SaveKey(HKEY key, LPCWSTR file) {
    ScopedPrivileges backup(SE_BACKUP_NAME, nullptr);
    return RegSaveKeyW(key, file, nullptr);
}

// The platform asks for both privileges to load a hive over a key.
LONG RestoreKey(HKEY key, LPCWSTR file) {
    ScopedPrivileges restore(SE_RESTORE_NAME, SE_BACKUP_NAME);
    return RegRestoreKeyW(key, file, REG_FORCE_RESTORE);
}

// Each pass saves the key anew: under the hive file's part name first, which replaces the earlier
// hive file only when the save succeeded and left a file that is not empty. A save that fails (a
// full drive, say) may leave the file it made, empty or cut short, or report success with nothing
// written: that part is deleted and the earlier hive file stays. Nothing is written through a
// link of either name: the link is left alone.
void SaveHiveFile(HKEY key, LPCWSTR path) {
    PathBuffer part;
    if (IsLink(path) || !FormatPartPath(path, part) || IsLink(part)) return;
    if (!FileMissing(part) && !RemoveFile(part)) return;
    if (SaveKey(key, part) == ERROR_SUCCESS && !FileIsEmpty(part) &&
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

bool FormatHivePath(const CEnvironment& env, LPCWSTR fileName, PathBuffer& path) {
    return FormatPath(path, L"%ls\\%ls", env.m_strTempDirectory.c_str(), fileName);
}

}  // namespace

void CEnvironment::SaveKeyToFile(LPCWSTR fileName, LPCWSTR subKey) {
    PathBuffer path;
    RegKey key;
    if (!FormatHivePath(*this, fileName, path)) return;
    KeyPresence presence = OpenSnapshotKey(subKey, KEY_READ, key);
    if (presence == KeyPresence::Present) {
        SaveHiveFile(key.Get(), path);
    } else if (presence == KeyPresence::Missing) {
        RemoveHiveFile(path);
    }
}

// A saved hive file is a carried item: it lands when its key opens and the hive is loaded over
// it. A hive file that is a link is never loaded (it could name any file of the machine), and
// does not land either.
void CEnvironment::RestoreKeyFromFile(LPCWSTR fileName, LPCWSTR subKey) {
    PathBuffer path;
    RegKey key;
    if (!FormatHivePath(*this, fileName, path) || FileMissing(path)) return;
    bool landed = !IsLink(path) && OpenSnapshotKey(subKey, KEY_WRITE, key) == KeyPresence::Present &&
                  RestoreKey(key.Get(), path) == ERROR_SUCCESS;
    if (!landed) m_bRestoreIncomplete = true;
}
