// The eight copies between the system and the workspace of the current pass: the three data sets
// and C:\MvdMng.ini, in either direction. Every copy runs in folders held from the known folder
// (or the workspace, or C:\) down. A restore notes in the run context each carried file that did
// not land, so that the workspace holding it is kept.
#include <cwchar>

#include "base/environment.h"
#include "base/folder_walk.h"
#include "files/data_sets.h"
#include "files/delete_tree.h"
#include "files/mirror.h"

namespace {

enum class Direction { ToWorkspace, FromWorkspace };

// The level of a sub-path below a held root (empty: the root itself).
OpenResult HoldLevel(const HeldSetRoot& root, LPCWSTR subPath, HeldPath& level) {
    if (subPath[0] == 0) return OpenResult::Opened;
    return HoldFolderPath(root.Root(), subPath[0] == L'\\' ? subPath + 1 : subPath, level);
}

const HeldFolder& LevelOf(const HeldSetRoot& root, LPCWSTR subPath, const HeldPath& level) {
    return subPath[0] == 0 ? root.Root() : level.Last();
}

// Where the machine no longer has the set, neither has its backup.
void EmptyWorkspaceCopy(const HeldFolder& copy) {
    ForEachFolderEntry(copy.path, [&](const WIN32_FIND_DATAW& entry, LPCWSTR) { DeleteEntry(copy, entry); });
}

void BackUpDataSet(const DataSet& set, LPCWSTR workspace, LPCWSTR subPath) {
    HeldSetRoot system, copy;
    OpenResult source = HoldSystemRoot(set, false, system);
    if (source != OpenResult::Opened && source != OpenResult::Missing) return;
    if (HoldWorkspaceRoot(set, workspace, true, copy) != OpenResult::Opened) return;
    if (source == OpenResult::Missing) {
        if (subPath[0] == 0) EmptyWorkspaceCopy(copy.Root());
        return;
    }
    HeldPath from, to;
    if (HoldLevel(system, subPath, from) != OpenResult::Opened || HoldLevel(copy, subPath, to) != OpenResult::Opened) return;
    MirrorFolderTree(LevelOf(system, subPath, from), &LevelOf(copy, subPath, to), set.filter, true);
}

// Nothing saved, nothing to land; a saved set that cannot be read, or whose place on the machine
// cannot be had, does not land.
size_t RestoreDataSet(const DataSet& set, LPCWSTR workspace, LPCWSTR subPath) {
    HeldSetRoot copy, system;
    HeldPath from, to;
    OpenResult saved = HoldWorkspaceRoot(set, workspace, false, copy);
    if (saved == OpenResult::Missing) return 0;
    if (saved != OpenResult::Opened || HoldLevel(copy, subPath, from) != OpenResult::Opened) return 1;
    bool placed = HoldSystemRoot(set, true, system) == OpenResult::Opened && HoldLevel(system, subPath, to) == OpenResult::Opened;
    return MirrorFolderTree(LevelOf(copy, subPath, from), placed ? &LevelOf(system, subPath, to) : nullptr, set.filter, false);
}

void CopyDataSet(CEnvironment& env, const DataSet& set, Direction direction, LPCWSTR subPath) {
    LPCWSTR workspace = env.m_strTempDirectory.c_str();
    if (workspace[0] == 0) return;
    if (direction == Direction::ToWorkspace) {
        BackUpDataSet(set, workspace, subPath);
    } else if (RestoreDataSet(set, workspace, subPath) != 0) {
        env.m_bRestoreIncomplete = true;
    }
}

// The entry of that name in a held folder, as the folder lists it. False when there is none.
bool ListEntry(const HeldFolder& folder, LPCWSTR name, WIN32_FIND_DATAW& entry) {
    PathBuffer path;
    if (!FormatPath(path, L"%ls\\%ls", folder.path, name)) return false;
    FindHandle listing(FindFirstFileW(path, &entry));
    return listing.Valid();
}

// The single file between the root of C: and the workspace, replacing the destination. Neither a
// link nor a folder of that name is copied or copied over. True unless a saved copy did not land.
bool CopyMvdMngIni(LPCWSTR workspace, Direction direction) {
    HeldFolder system, copy;
    if (HoldMvdMngIniFolder(system) != OpenResult::Opened || HoldTopFolder(workspace, copy) != OpenResult::Opened) {
        return direction == Direction::ToWorkspace;
    }
    bool backup = direction == Direction::ToWorkspace;
    const HeldFolder& from = backup ? system : copy;
    const HeldFolder& to = backup ? copy : system;
    WIN32_FIND_DATAW source, destination;
    if (!ListEntry(from, kMvdMngIniName, source)) {
        if (backup) RemoveInFolder(copy, kMvdMngIniName, false);  // the machine has none now: neither has its backup
        return true;
    }
    if (IsLinkEntry(source) || IsFolderEntry(source)) return backup;
    bool listed = ListEntry(to, kMvdMngIniName, destination);
    FileCopy file;
    JudgeFileCopy(from, &to, kMvdMngIniName, &source, listed ? &destination : nullptr, backup, file);
    return file.verdict == CopyVerdict::Unchanged || CopyFileWhole(file, to, kMvdMngIniName) || backup;
}

}  // namespace

void CEnvironment::CopySuiteDataToWorkspace(LPCWSTR subPath) {
    CopyDataSet(*this, kDataSets[kSuiteData], Direction::ToWorkspace, subPath);
}

void CEnvironment::CopySuiteDataFromWorkspace(LPCWSTR subPath) {
    CopyDataSet(*this, kDataSets[kSuiteData], Direction::FromWorkspace, subPath);
}

void CEnvironment::CopyParlunetCommonDataToWorkspace(LPCWSTR subPath) {
    CopyDataSet(*this, kDataSets[kParlunetCommonData], Direction::ToWorkspace, subPath);
}

void CEnvironment::CopyParlunetCommonDataFromWorkspace(LPCWSTR subPath) {
    CopyDataSet(*this, kDataSets[kParlunetCommonData], Direction::FromWorkspace, subPath);
}

void CEnvironment::CopyParlunetLocalDataToWorkspace(LPCWSTR subPath) {
    CopyDataSet(*this, kDataSets[kParlunetLocalData], Direction::ToWorkspace, subPath);
}

void CEnvironment::CopyParlunetLocalDataFromWorkspace(LPCWSTR subPath) {
    CopyDataSet(*this, kDataSets[kParlunetLocalData], Direction::FromWorkspace, subPath);
}

// The workspace normally exists already; it is made (one level) when it does not, by its path
// with a separator after it.
void CEnvironment::CopyMvdMngIniToWorkspace() {
    PathBuffer folder;
    if (!m_strTempDirectory.empty() && FormatPath(folder, L"%ls\\", m_strTempDirectory.c_str())) {
        CreateDirectoryW(folder, nullptr);
    }
    if (!m_strTempDirectory.empty()) CopyMvdMngIni(m_strTempDirectory.c_str(), Direction::ToWorkspace);
}

void CEnvironment::CopyMvdMngIniFromWorkspace() {
    if (!m_strTempDirectory.empty() && !CopyMvdMngIni(m_strTempDirectory.c_str(), Direction::FromWorkspace)) {
        m_bRestoreIncomplete = true;
    }
}
