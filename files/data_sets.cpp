// The data sets: where each lies on the system and in a workspace, and the names it carries.
#include "files/data_sets.h"

#include <cwchar>

#include "base/links.h"

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

bool KnownFolderPath(const DataSet& set, PathBuffer& known) {
    return SUCCEEDED(SHGetFolderPathW(nullptr, set.csidl, nullptr, SHGFP_TYPE_CURRENT, known));
}

// Holds the folders of `relative` below `top`; a missing last one is made first with makeLast
// (one level, in the held folder above it).
OpenResult HoldBelow(const HeldFolder& top, LPCWSTR relative, bool makeLast, HeldPath& held) {
    OpenResult result = HoldFolderPath(top, relative, held);
    if (result != OpenResult::Missing || !makeLast) return result;
    LPCWSTR last = std::wcsrchr(relative, L'\\');
    const HeldFolder* parent = &top;
    if (last != nullptr) {
        PathBuffer above;
        size_t length = static_cast<size_t>(last - relative);
        std::wmemcpy(above, relative, length);
        above[length] = 0;
        if (HoldFolderPath(top, above, held) != OpenResult::Opened) return OpenResult::Missing;
        parent = &held.Last();
    } else {
        held.count = 0;
    }
    LPCWSTR name = last ? last + 1 : relative;
    PathBuffer path;
    if (held.count == HeldPath::kDepth || !FormatPath(path, L"%ls\\%ls", parent->path, name)) return OpenResult::Failed;
    CreateDirectoryW(path, nullptr);
    result = HoldSubFolder(*parent, name, held.levels[held.count]);
    if (result == OpenResult::Opened) ++held.count;
    return result;
}

}  // namespace

const DataSet kDataSets[kDataSetCount] = {
    {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane", L"MV", Filter(FilterKind::Exclusion, kSuiteExcluded)},
    {CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet", L"tw1", Filter(FilterKind::Inclusion, kParlunetCommonIncluded)},
    {CSIDL_LOCAL_APPDATA, L"Tamrix\\Parlunet", L"tw2", Filter(FilterKind::Inclusion, kParlunetLocalIncluded)},
};

LPCWSTR const kMvdMngIniFolder = L"C:\\";
LPCWSTR const kMvdMngIniName = L"MvdMng.ini";

bool LocateSystemRoot(const DataSet& set, PathBuffer& root) {
    PathBuffer known;
    if (!KnownFolderPath(set, known)) return false;
    return FormatPath(root, L"%ls\\%ls", known, set.systemFolder) && !PassesThroughLink(root, std::wcslen(known));
}

bool LocateWorkspaceRoot(const DataSet& set, LPCWSTR workspace, PathBuffer& root) {
    if (workspace[0] == 0) return false;
    return FormatPath(root, L"%ls\\%ls", workspace, set.workspaceFolder) && !PassesThroughLink(root, kDriveLength);
}

OpenResult HoldSystemRoot(const DataSet& set, bool makeRoot, HeldSetRoot& held) {
    PathBuffer known;
    if (!KnownFolderPath(set, known) || !HoldKnownFolder(known, held.top)) return OpenResult::Failed;
    return HoldBelow(held.top, set.systemFolder, makeRoot, held.below);
}

OpenResult HoldWorkspaceRoot(const DataSet& set, LPCWSTR workspace, bool makeRoot, HeldSetRoot& held) {
    OpenResult top = HoldTopFolder(workspace, held.top);
    if (top != OpenResult::Opened) return top;
    return HoldBelow(held.top, set.workspaceFolder, makeRoot, held.below);
}

OpenResult HoldMvdMngIniFolder(HeldFolder& held) { return HoldTopFolder(kMvdMngIniFolder, held); }
