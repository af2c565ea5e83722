// The data sets that a backup carries from the system into a workspace and a restore carries
// back: where each set lies on the system, its folder in the workspace and the names of the files
// it carries. The copies of the program and the inspector's reading of a workspace both go by
// this table.
#pragma once

#include <cstddef>

#include "base/held_folder.h"
#include "base/path_buffer.h"
#include "files/name_filter.h"
#include "platform/platform.h"

// One set. On the system it is the folder systemFolder below a known folder; in the workspace the
// folder workspaceFolder at the top. A level of the tree with the relative sub-path {sub} (empty,
// or a separator before each folder name) lies at "<root>{sub}" on either side; every path is
// joined with single separators, so its length is that of the path the platform uses.
struct DataSet {
    int csidl;                // the known folder: CSIDL_COMMON_APPDATA or CSIDL_LOCAL_APPDATA
    LPCWSTR systemFolder;     // such as L"Tamrix\\Mirovane"
    LPCWSTR workspaceFolder;  // L"MV", L"tw1" or L"tw2"
    NameFilter filter;
};

// The suite data, the companion's common data and the companion's local data, in that order.
constexpr size_t kDataSetCount = 3;
extern const DataSet kDataSets[kDataSetCount];
enum DataSetIndex : size_t { kSuiteData, kParlunetCommonData, kParlunetLocalData };

// The configuration file carried whole: from the root of drive C: to the top of the workspace.
extern LPCWSTR const kMvdMngIniFolder;  // L"C:\\"
extern LPCWSTR const kMvdMngIniName;    // L"MvdMng.ini"

// The root of a set on the system: its known folder, looked up with the shell, joined with its
// folder. False when the look-up fails, the path does not fit, or a folder below the known folder
// on the way to the root is a link. The known folder itself is taken as it is.
bool LocateSystemRoot(const DataSet& set, PathBuffer& root);

// The root of a set in a workspace. False when the workspace path is empty, the path does not
// fit, or the workspace or the set's folder in it is a link.
bool LocateWorkspaceRoot(const DataSet& set, LPCWSTR workspace, PathBuffer& root);

// A set's root held from the folder it lies in down: the known folder (on the system) or the
// workspace, and the set's folders below it.
struct HeldSetRoot {
    HeldFolder top;
    HeldPath below;
    const HeldFolder& Root() const { return below.Last(); }
};

// Holds the root of a set on the system: its known folder, looked up with the shell and taken as
// it is, then each folder below it, none of them a link. With makeRoot, a missing root folder is
// made first (one level: the folders above it must exist). Missing when a folder does not exist.
OpenResult HoldSystemRoot(const DataSet& set, bool makeRoot, HeldSetRoot& held);
// Holds the root of a set in a workspace: the workspace (not a link) and the set's folder in it,
// made first with makeRoot when it does not exist.
OpenResult HoldWorkspaceRoot(const DataSet& set, LPCWSTR workspace, bool makeRoot, HeldSetRoot& held);
// Holds the folder that holds C:\MvdMng.ini.
OpenResult HoldMvdMngIniFolder(HeldFolder& held);
