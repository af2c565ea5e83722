#include "check/plan/confirm.h"

#include "base/file_read.h"
#include "base/workspace.h"
#include "check/facts/live_keys.h"
#include "check/facts/live_registry.h"
#include "check/facts/progress.h"
#include "check/facts/restore_replay.h"
#include "check/facts/tree_scan.h"
#include "check/findings/preview_files.h"
#include "registry/section_name.h"

namespace {

bool IsWorkspacePath(const std::wstring& path) {
    if (path.size() < 3 || path[1] != L':') return false;
    int drive = (path[0] & ~0x20) - L'A';
    if (drive < 0 || drive >= 26) return false;
    for (Workspace which : {Workspace::Primary, Workspace::Second}) {
        PathBuffer workspace;
        FormatWorkspacePath(which, drive, workspace);
        if (_wcsicmp(workspace, path.c_str()) == 0) return true;
    }
    return false;
}

class Confirmation {
public:
    explicit Confirmation(ConfirmReport& report) : report_(report) {}

    void Value(const PlannedValue& value) {
        HKEY root = nullptr;
        PathBuffer subKey;
        ParseSectionName(value.section.c_str(), root, subKey);
        std::wstring planned = value.isString ? value.text : NumberText(value.number);
        LiveValue live = ReadLiveValue(root, static_cast<LPCWSTR>(subKey), value.name);
        std::wstring what = L"[" + value.section + L"] " + value.name;
        switch (live.state) {
        case LiveState::MissingKey: return Check(ConfirmItem::Value, what, false, ConfirmWhy::MissingKey);
        case LiveState::MissingValue: return Check(ConfirmItem::Value, what, false, ConfirmWhy::MissingValue);
        case LiveState::Unreadable: return Check(ConfirmItem::Value, what, false, ConfirmWhy::Unreadable);
        case LiveState::Present: break;
        }
        DWORD type = value.isString ? REG_SZ : REG_DWORD;
        bool same = live.type == type && (value.isString || live.data.size() == 4) && live.AsText() == planned;
        Check(ConfirmItem::Value, what, same, ConfirmWhy::ValueDiffers,
              {std::to_wstring(live.type), live.AsText(), std::to_wstring(type), planned});
    }

    void Key(const PlannedKey& key) {
        HKEY root = nullptr;
        PathBuffer subKey;
        ParseSectionName(key.key.c_str(), root, subKey);
        LiveKey live = ReadLiveKey(root, subKey);
        if (live.state != LiveKeyState::Read) {
            return Check(ConfirmItem::Key, key.key, false, live.state == LiveKeyState::Missing ? ConfirmWhy::MissingKey : ConfirmWhy::Unreadable);
        }
        report_.notCompared += live.partly;
        std::vector<KeyDifference> differences = CompareKeys(key.content, live.tree);
        KeyChangeCounts counts = CountChanges(differences);
        Check(ConfirmItem::Key, key.key, differences.empty(), ConfirmWhy::KeyDiffers,
              {std::to_wstring(counts.differing), std::to_wstring(counts.values), std::to_wstring(counts.keys), key.file});
        if (!differences.empty()) report_.failures.back().differences = std::move(differences);
    }

    void File(const PlannedFile& file) {
        FileHash hash = HashWholeFile(file.path);
        ConfirmWhy why = hash.status == FileReadStatus::Missing ? ConfirmWhy::FileMissing
                         : hash.status != FileReadStatus::Read  ? ConfirmWhy::FileUnreadable
                         : hash.size != file.bytes              ? ConfirmWhy::FileSizeDiffers
                                                                : ConfirmWhy::FileContentDiffers;
        bool same = hash.status == FileReadStatus::Read && hash.size == file.bytes && HashText(hash.fnv1a64) == file.hash;
        Check(ConfirmItem::File, file.path, same, why, {std::to_wstring(hash.size), std::to_wstring(file.bytes)});
    }

    void Folder(const PlannedFolder& folder) {
        Check(ConfirmItem::Folder, folder.path + L" (" + folder.value + L")", FolderExists(folder.path), ConfirmWhy::FolderMissing);
    }

    // A workspace that is still there was kept by /set for what did not land.
    void Deleted(const std::wstring& path) {
        EntryKind kind = KindOfEntry(path);
        Check(ConfirmItem::Deleted, path, kind == EntryKind::Missing,
              kind == EntryKind::Folder && IsWorkspacePath(path) ? ConfirmWhy::WorkspaceKept : ConfirmWhy::StillThere);
    }

private:
    void Check(ConfirmItem item, const std::wstring& what, bool landed, ConfirmWhy why, std::vector<std::wstring> names = {}) {
        TickProgress();
        ++report_.planned;
        if (landed) {
            ++report_.restored;
        } else {
            report_.failures.push_back({item, what, why, std::move(names), {}});
        }
    }
    ConfirmReport& report_;
};

}  // namespace

ConfirmReport ConfirmPlan(const RestorePlan& plan) {
    ConfirmReport report;
    Confirmation confirmation(report);
    for (const auto& value : plan.values) confirmation.Value(value);
    for (const auto& key : plan.keys) confirmation.Key(key);
    for (const auto& file : plan.files) confirmation.File(file);
    for (const auto& folder : plan.folders) confirmation.Folder(folder);
    for (const auto& path : plan.deleted) confirmation.Deleted(path);
    return report;
}
