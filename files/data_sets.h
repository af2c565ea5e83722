// The data sets that a backup carries from the system into a workspace and a restore carries
// back: where each set lies on the system, its folder in the workspace and the names of the files
// it carries. The copies of the program and the inspector's reading of a workspace both go by
// this table.
#pragma once

#include <cstddef>

#include "base/path_buffer.h"
#include "platform/platform.h"

// Which files of a tree a set carries: every file but the listed names (exclusion), or only the
// listed names (inclusion). A name is compared with the entry's own name, without regard to case;
// folders are never filtered. No set carries a part file (a name ending in ".mvpart").
enum class FilterKind { Exclusion, Inclusion };

struct NameFilter {
    FilterKind kind;
    const LPCWSTR* names;
    size_t count;
};

bool PassesFilter(const NameFilter& filter, LPCWSTR fileName);

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

// The part files that runs ended before completing left in the trees a pass writes, removed before
// it starts: in the workspace (a backup), or in the sets' roots on the system and beside
// C:\MvdMng.ini (a restore). No link is passed through.
void RemoveWorkspacePartFiles(LPCWSTR workspace);
void RemoveSystemPartFiles();
