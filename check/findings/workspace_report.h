// Everything the inspector learns about one workspace, read-only.
#pragma once

#include <string>
#include <vector>

#include "base/environment.h"
#include "base/trust.h"
#include "check/findings/catalogue_check.h"
#include "check/findings/finding.h"
#include "check/facts/restore_replay.h"
#include "check/facts/settings_scan.h"
#include "check/facts/tree_scan.h"

struct WorkspaceReport {
    Workspace which = Workspace::Primary;
    std::wstring name;       // "mvtemp" or "mvtempbk"
    std::wstring path;       // empty when no drive holds it
    EntryKind kind = EntryKind::Missing;
    WorkspaceTrust trust = WorkspaceTrust::Unreadable;  // the program's own verdict on a folder
    std::wstring settingsFile;  // the path the program reads its records from
    SettingsScan settings;
    ReplayedRows records;  // what a restore reads from the settings file, per catalogue row
    CatalogueCheck catalogue;
    std::vector<std::pair<std::wstring, TreeScan>> folders;  // "MV", "tw1", "tw2"
    EntryKind mvdMngKind = EntryKind::Missing;
    uint64_t mvdMngSize = 0;
    Findings unsafe;    // links
    Findings problems;  // missing or unusable parts
    Findings notes;     // what only the machine can judge, and what the technician must know
    std::vector<std::wstring> partFiles;  // left by runs that ended before completing

    bool Found() const { return !path.empty(); }
    bool IsFolder() const { return kind == EntryKind::Folder; }
    // A folder that /set reads, restores from and deletes: one the trust rule lets it use.
    bool UsedByRestore() const { return IsFolder() && MayUseWorkspace(trust); }
};

// Finds the workspace by the same drive rule as the program and inspects it.
WorkspaceReport InspectWorkspace(Workspace which);
// Inspects the workspace at that path (another drive's, which the program does not take).
WorkspaceReport InspectWorkspaceAt(Workspace which, const std::wstring& path);

// What differs between the two workspaces: records, hive files, data files and their sizes.
Findings CompareWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second);
