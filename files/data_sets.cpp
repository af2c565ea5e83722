// The data sets and the eight copies between the system and the workspace of the current pass.
#include "files/data_sets.h"

#include <cwchar>

#include "base/environment.h"
#include "base/links.h"
#include "base/whole_copy.h"
#include "files/mirror.h"
#include "files/stale_entries.h"

namespace {

// The settings file and three hive files of the workspace, and the two files that the suite
// rebuilds after a restore, never travel with the suite data.
const LPCWSTR kSuiteExcluded[] = {L"Movendo.ini", L"CheckSum.dat", L"IPTV.dat",
                                  L"Brevisto.dat", L"HDD.dat", L"VideoFolder.dat"};
const LPCWSTR kParlunetCommonIncluded[] = {L"AccountData.xml", L"ConfigData.xml", L"HashTagData.xml",
                                           L"ReserveIdData.xml", L"TagHistoryData.xml"};
const LPCWSTR kParlunetLocalIncluded[] = {L"FilterData.xml", L"ViewData.xml"};

template <size_t N>
constexpr NameFilter Filter(FilterKind kind, const LPCWSTR (&names)[N]) {
    return NameFilter{kind, names, N};
}

// A workspace path is checked for links from its drive on.
constexpr size_t kDriveLength = 2;

enum class Direction { ToWorkspace, FromWorkspace };

}  // namespace

const DataSet kDataSets[kDataSetCount] = {
    {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane", L"MV", Filter(FilterKind::Exclusion, kSuiteExcluded)},
    {CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet", L"tw1", Filter(FilterKind::Inclusion, kParlunetCommonIncluded)},
    {CSIDL_LOCAL_APPDATA, L"Tamrix\\Parlunet", L"tw2", Filter(FilterKind::Inclusion, kParlunetLocalIncluded)},
};

LPCWSTR const kMvdMngIniFolder = L"C:\\";
LPCWSTR const kMvdMngIniName = L"MvdMng.ini";

// A part file is never carried, whatever the set's list says.
bool PassesFilter(const NameFilter& filter, LPCWSTR fileName) {
    if (IsPartFileName(fileName)) return false;
    bool listed = false;
    for (size_t i = 0; i < filter.count && !listed; ++i) listed = _wcsicmp(fileName, filter.names[i]) == 0;
    return listed == (filter.kind == FilterKind::Inclusion);
}

bool LocateSystemRoot(const DataSet& set, PathBuffer& root) {
    PathBuffer known;
    if (FAILED(SHGetFolderPathW(nullptr, set.csidl, nullptr, SHGFP_TYPE_CURRENT, known))) return false;
    return FormatPath(root, L"%ls\\%ls", known, set.systemFolder) && !PassesThroughLink(root, std::wcslen(known));
}

bool LocateWorkspaceRoot(const DataSet& set, LPCWSTR workspace, PathBuffer& root) {
    if (workspace[0] == 0) return false;
    return FormatPath(root, L"%ls\\%ls", workspace, set.workspaceFolder) && !PassesThroughLink(root, kDriveLength);
}

namespace {

// One tree copy of a set, in either direction. The known folder is looked up before anything
// else; when it fails, nothing is made, searched or copied. A backup's copy then loses what the
// machine no longer has, so that it holds the set as it is now.
void CopyDataSet(const CEnvironment& env, const DataSet& set, Direction direction, LPCWSTR subPath) {
    PathBuffer systemRoot, workspaceRoot;
    if (!LocateSystemRoot(set, systemRoot)) return;
    if (!LocateWorkspaceRoot(set, env.m_strTempDirectory.c_str(), workspaceRoot)) return;
    if (direction == Direction::ToWorkspace) {
        MirrorFolderTree(systemRoot, workspaceRoot, subPath, set.filter);
        if (subPath[0] == 0) PruneWorkspaceCopy(systemRoot, workspaceRoot, set.filter);
    } else {
        MirrorFolderTree(workspaceRoot, systemRoot, subPath, set.filter);
    }
}

// The single file between the root of C: and the workspace, replacing the destination. Neither
// file may be a link, nor the workspace.
void CopyMvdMngIni(LPCWSTR workspace, Direction direction) {
    PathBuffer system, copy;
    if (workspace[0] == 0 || PassesThroughLink(workspace, kDriveLength)) return;
    if (!FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) ||
        !FormatPath(copy, L"%ls\\%ls", workspace, kMvdMngIniName)) {
        return;
    }
    if (IsLink(system) || IsLink(copy)) return;
    if (direction == Direction::ToWorkspace) {
        if (FileMissing(system)) {
            RemoveFile(copy);  // the machine has none now: neither has its backup
            return;
        }
        CopyFileWhole(system, copy);
    } else {
        CopyFileWhole(copy, system);
    }
}

}  // namespace

void RemoveWorkspacePartFiles(LPCWSTR workspace) {
    if (workspace[0] != 0 && !PassesThroughLink(workspace, kDriveLength)) RemovePartFiles(workspace);
}

void RemoveSystemPartFiles() {
    for (const DataSet& set : kDataSets) {
        PathBuffer root;
        if (LocateSystemRoot(set, root)) RemovePartFiles(root);
    }
    PathBuffer system, part;
    if (FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) && FormatPartPath(system, part) && !IsLink(part)) {
        RemoveFile(part);
    }
}

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
    CopyMvdMngIni(m_strTempDirectory.c_str(), Direction::ToWorkspace);
}

void CEnvironment::CopyMvdMngIniFromWorkspace() { CopyMvdMngIni(m_strTempDirectory.c_str(), Direction::FromWorkspace); }
