// What "/set" would change on this machine, worked out read-only from the two workspaces and the
// live registry and folders. The restore runs from "mvtemp" and then from "mvtempbk", so where
// both hold something, the second one's is what would remain.
#pragma once

#include <string>
#include <vector>

#include "check/workspace_report.h"
#include "registry/snapshot_keys.h"

enum class ValueOutcome { Same, Different, MissingKey, MissingValue, Unreadable, NotRestored };

struct ValueChange {
    std::wstring section;  // the settings-file section, naming root and key
    std::wstring name;
    ValueOutcome outcome = ValueOutcome::Same;
    std::wstring live;
    std::wstring saved;
    bool isString = false;
    std::vector<std::wstring> details;  // what else the technician must know of this write
};

enum class FileOutcome { Create, Replace, ReplaceSame, NotRestored };

struct FileChange {
    std::wstring path;  // on this machine
    std::wstring copy;  // the workspace's copy that /set copies there
    FileOutcome outcome = FileOutcome::Create;
    uint64_t size = 0;
};

enum class FolderOutcome { Create, Exists, ParentMissing, NoPath, NotLocal };

struct FolderChange {
    std::wstring valueName;
    std::wstring path;
    FolderOutcome outcome = FolderOutcome::NoPath;
};

// A key that a run's hive file replaces whole, and the file of the last run that loads one.
struct PlannedHive {
    std::wstring key;   // the section name of the key, such as "HKEY_LOCAL_MACHINE\SOFTWARE\..."
    std::wstring file;  // the hive file in the workspace
};

struct PreviewReport {
    std::vector<ReplayedWrite> writes;  // every value the two runs write, merged, in first-written order
    std::vector<PlannedHive> hives;     // the keys replaced whole
    std::vector<std::wstring> deletedPaths;  // what /set deletes last: the rebuilt data files, the workspaces

    std::vector<ValueChange> values;  // every value a restore writes that differs, and the unrestored ones
    size_t unchanged = 0;
    std::vector<std::wstring> snapshots;  // one line per key snapshot
    std::vector<FileChange> files;
    std::vector<FolderChange> folders;
    std::vector<std::wstring> deletions;
    std::vector<std::wstring> fileLosses;  // saved files that cannot land, by workspace and set
};

// Whether the key of a snapshot exists when a restore run loads the snapshots: the machine's key,
// or one that the writes of this run or an earlier one create (they all come before the snapshots).
KeyPresence KeyAtSnapshotLoad(size_t snapshot, const std::vector<const WorkspaceReport*>& runs);

PreviewReport PreviewRestore(const WorkspaceReport& primary, const WorkspaceReport& second);

LPCWSTR OutcomeName(ValueOutcome outcome);
LPCWSTR OutcomeName(FileOutcome outcome);
LPCWSTR OutcomeName(FolderOutcome outcome);
