// A finding: what the inspector judged, as data. Its kind says what was found; its names are what
// it names (a workspace, a path, a value, a number), in the order its sentence takes them; detail
// is the code of what it refers to (an encoding, a trust verdict, a hive file's damage). Every
// sentence and every piece of advice is the renderer's (render/sentences.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class Say {
    // One workspace.
    WorkspacePlainFile, WorkspaceLink, WorkspaceUntrusted, WorkspaceWithoutPermissions, EntryIsLink, PartFile,
    SettingsMissing, SettingsUnusable, SectionRepeated, HiveMissing, HiveNotWhole, SetFolderMissing, PathTooLongToRestore,
    PartFileOnMachine,
    // The workspaces on every drive.
    WorkspaceNotTaken, WorkspaceOnUnresolvedDrive,
    // The two workspaces.
    RecordOnlyIn, RecordDiffers, FileOnlyIn, FileSizeDiffers,
    // /verify: the workspaces against this machine.
    NotAFolder, NotFound, SettingsNotUsable, SettingsHoldsNone, ValueNotSaved, RecordReadsAsAnotherNumber, ValueDiffersFromRecord,
    RecordForeign, EmptyText, ValueUnreadable, TextTooLong, NumberTooLong, NotANumber, TextWithLineBreak, MultiString,
    OtherStringType, TextNotByteForByte, HiveWithoutKey, HiveKeyUnreadable, HiveDamaged, HiveMissingForKey, HiveKeyDiffers,
    HiveKeyPartlyRead, SetUnreachable, CopyLink, CopyTooLong, CopyHardLink, CopyNameUnreachable, CopyFolderUnreadable, CopyDiffers, CopySourceUnreadable, CopyMissing,
    CopyUnreadable, CopySizeDiffers, StaleGone, StaleFiltered, StaleKindDiffers, MvdMngGone, MvdMngLink, OtherAccount,
    NewestNotTaken, SuitePartFile, VirtualValueDiffers, VirtualValueOnlyThere, VirtualFileDiffers, VirtualFileOnlyThere,
    VirtualUnreadable, VirtualEqual,
    // /preview: what /set would lose.
    LossUnsafe, LossHiveKeyMissing, LossHiveKeyUnreadable, LossSettings, LossSetUnreachable, LossFilesCannotLand,
    LossFolderNotAFolder, LossDestinationFolder, LossDestinationLink, LossDestinationSecondName, LossDestinationHeld,
    LossFileUnreadable, LossNameUnreachable, LossPathTooLong,
};

struct Finding {
    typedef std::vector<std::pair<uint32_t, std::string>> Data;
    Finding(Say kind, std::vector<std::wstring> named, int code = 0, Data typed = Data())
        : what(kind), names(std::move(named)), detail(code), data(std::move(typed)) {}

    Say what;
    std::vector<std::wstring> names;
    int detail = 0;
    // Registry data it names, as (type, raw bytes): a saved value and the live one.
    Data data;
};

typedef std::vector<Finding> Findings;
