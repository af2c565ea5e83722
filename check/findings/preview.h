// What "/set" would change on this machine, worked out read-only from the two workspaces and the
// live registry and folders. The restore runs from "mvtemp" and then from "mvtempbk", so where
// both hold something, the second one's is what would remain.
#pragma once

#include <string>
#include <vector>

#include "check/findings/finding.h"
#include "check/findings/workspace_report.h"
#include "registry/snapshot_keys.h"

enum class ValueOutcome { Same, Different, MissingKey, MissingValue, Unreadable, NotRestored };

// What else the technician must know of a write.
enum class ValueDetail { RecordReadsAs, NowMultiString, NowExpandString };

struct ValueChange {
    std::wstring section;  // the settings-file section, naming root and key
    std::wstring name;
    ValueOutcome outcome = ValueOutcome::Same;
    std::wstring live;
    std::wstring saved;
    std::wstring recordText;  // a number record's own text
    bool isString = false;
    std::vector<ValueDetail> details;
};

enum class FileOutcome { Create, Replace, ReplaceSame, NotRestored };

// What /set deletes at its end: the data files the suite rebuilds, part files in the suite's trees
// (no data set carries them), and the workspaces.
enum class DeletionKind { RebuiltFile, PartFile, Workspace };

struct Deletion {
    std::wstring path;
    DeletionKind kind;
};

// A key snapshot: left as it is, or replaced whole by the hive file of a workspace.
enum class SnapshotOutcome { NotSaved, KeyMissing, KeyUnreadable, Replaced };

struct SnapshotChange {
    std::wstring key;  // the section name of the key
    std::wstring file;
    std::wstring workspace;  // of the hive file that remains loaded
    SnapshotOutcome outcome;
};

// Why a saved file does not land, by the program's own copy walk and judgement of the file.
enum class FileBlock {
    None,
    FolderMissing,        // a folder on the way is missing and /set makes only one level
    FolderNotAFolder,     // a file or a link stands where a saved folder goes
    DestinationFolder,    // a folder stands where the saved file goes
    DestinationLink,      // a link stands there
    DestinationSecondName,  // the installed file has a second name (a hard link)
    DestinationHeld,      // a program holds the installed file open
    Unreadable,           // the saved copy, or the installed file, cannot be opened
    NameUnreachable,      // a name ending in a dot or a blank
    TooLong,              // a path that does not fit
};

struct FileChange {
    std::wstring path;  // on this machine
    std::wstring copy;  // the workspace's copy that /set copies there
    FileOutcome outcome = FileOutcome::Create;
    FileBlock block = FileBlock::None;  // of a file not restored
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
    const HiveFile* content;  // as the inspection read it
};

struct PreviewReport {
    std::vector<ReplayedWrite> writes;  // every value the two runs write, merged, in first-written order
    std::vector<PlannedHive> hives;     // the keys replaced whole
    std::vector<std::wstring> deletedPaths;  // what /set deletes last: the rebuilt data files, the workspaces

    std::vector<ValueChange> values;  // every value a restore writes that differs, and the unrestored ones
    size_t unchanged = 0;
    std::vector<SnapshotChange> snapshots;
    std::vector<FileChange> files;
    std::vector<FolderChange> folders;
    std::vector<Deletion> deletions;  // what exists now and /set deletes
    Findings fileLosses;  // saved files that cannot land, by workspace and set
};

// Whether the key of a snapshot exists when a restore run loads the snapshots: the machine's key,
// or one that the writes of this run or an earlier one create (they all come before the snapshots).
KeyPresence KeyAtSnapshotLoad(size_t snapshot, const std::vector<const WorkspaceReport*>& runs);

PreviewReport PreviewRestore(const WorkspaceReport& primary, const WorkspaceReport& second);


