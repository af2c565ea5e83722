// "/confirm PLAN": the machine after /set held against the restore plan that "/preview /json"
// printed before it (check/plan/restore_plan.h). Each planned value, key, file, folder and
// deletion must have landed: a value of the planned type and data (texts compared code unit for
// code unit), a key holding exactly the planned subkeys and values, a file of the planned size and
// hash. Read-only.
#pragma once

#include <string>
#include <vector>

#include "check/findings/key_compare.h"
#include "check/plan/restore_plan.h"

enum class ConfirmItem { Value, Key, File, Folder, Deleted };

enum class ConfirmWhy {
    MissingKey, MissingValue, Unreadable, ValueDiffers,  // a value (and a key: missing, unreadable)
    KeyDiffers,                                          // a key that is not what was planned
    FileMissing, FileUnreadable, FileSizeDiffers, FileContentDiffers,
    FolderMissing, StillThere,
    WorkspaceKept,  // a workspace that /set kept: it holds what did not land
};

struct ConfirmFailure {
    ConfirmItem item;
    std::wstring what;  // the value ("[section] name"), key, path
    ConfirmWhy why;
    std::vector<std::wstring> names;  // what the reason names: the live and planned data, sizes, counts
    std::vector<KeyDifference> differences;  // of a key
};

struct ConfirmReport {
    size_t planned = 0;      // items compared
    size_t restored = 0;     // of them as planned
    size_t notCompared = 0;  // keys whose live content could be read only in part
    std::vector<ConfirmFailure> failures;
};

ConfirmReport ConfirmPlan(const RestorePlan& plan);
