#include "check/findings/preview_files.h"

#include <cwctype>
#include <map>
#include <set>

#include "check/facts/progress.h"
#include "files/cleanup.h"
#include "files/data_sets.h"
#include "check/findings/catalogue_check.h"
#include "check/facts/live_registry.h"
#include "check/facts/restore_replay.h"
#include "procedures/save_paths.h"

#include "files/mirror.h"
#include "files/stale_entries.h"
#include "base/links.h"
#include "base/whole_copy.h"

std::wstring ParentOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool FolderExists(std::wstring path) {
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// Whether a copy from the workspace's file to the machine's path lands, and how: by the program's
// own verdict on that copy (JudgeFileCopy), or, where the destination folder does not exist yet,
// by whether the walk would make it.
FileChange PlanFile(const std::wstring& from, const std::wstring& to, FileBlock block) {
    TickProgress();
    FileChange change;
    change.path = to;
    change.copy = from;
    change.block = block;
    KindOfEntry(from, &change.size);
    uint64_t liveSize = 0;
    if (block != FileBlock::None) {
        change.outcome = FileOutcome::NotRestored;
    } else if (KindOfEntry(to, &liveSize) == EntryKind::File) {
        change.outcome = liveSize == change.size ? FileOutcome::ReplaceSame : FileOutcome::Replace;
    }
    return change;
}

FileBlock BlockOf(CopyVerdict verdict) {
    switch (verdict) {
    case CopyVerdict::Copy:
    case CopyVerdict::Unchanged: return FileBlock::None;
    case CopyVerdict::DestinationFolder: return FileBlock::DestinationFolder;
    case CopyVerdict::DestinationLink: return FileBlock::DestinationLink;
    case CopyVerdict::DestinationHardLink: return FileBlock::DestinationSecondName;
    case CopyVerdict::DestinationHeld: return FileBlock::DestinationHeld;
    case CopyVerdict::NoPartName: return FileBlock::TooLong;
    case CopyVerdict::SourceUnreadable:
    case CopyVerdict::SourceRedirected:
    case CopyVerdict::SourceHardLink:
    case CopyVerdict::DestinationUnreadable: break;
    }
    return FileBlock::Unreadable;
}

FileBlock BlockOf(MirrorSkip why) {
    return why == MirrorSkip::NameUnreachable ? FileBlock::NameUnreachable
           : why == MirrorSkip::TooLong       ? FileBlock::TooLong
                                              : FileBlock::Unreadable;
}

// The restore's own copy walk from the workspace, making nothing: a level lands where its folder
// exists, or where the copy makes it (one level, inside a folder that exists or that the walk
// makes); a level whose folder is a link or a file takes none of its files. Every level is
// looked into, so that the files which cannot land are named too, each with why.
class RestorePlan : public MirrorVisitor {
public:
    RestorePlan(std::map<std::wstring, FileChange>& plan, LPCWSTR root) : plan_(plan) {
        EntryKind kind = KindOfEntry(root);
        if (kind == EntryKind::Folder || (kind == EntryKind::Missing && FolderExists(ParentOf(root)))) {
            folders_[UpperCase(root)] = Level{};
        }
    }
    bool PrepareFolder(const HeldFolder*, const WIN32_FIND_DATAW* existing, LPCWSTR, LPCWSTR path) override {
        Level above = FolderLevel(ParentOf(path));
        folders_[UpperCase(path)] = above.block != FileBlock::None ? above
                                    : existing                   ? Level{FileBlock::FolderNotAFolder, path}
                                                                 : Level{};
        return false;
    }
    void File(const MirrorFile& file) override {
        if (file.destination) return Add(PlanFile(file.from, file.to, BlockOf(file.copy.verdict)), file.to);
        Level level = FolderLevel(ParentOf(file.to));
        Add(PlanFile(file.from, file.to, level.block), level.origin.empty() ? file.to : level.origin);
    }
    void Skipped(LPCWSTR path, MirrorSkip why) override {
        if (why != MirrorSkip::Link) Add(PlanFile(path, path, BlockOf(why)), path);
    }
    // The files that do not land, by why: how many, and where the first of them is stopped.
    std::map<FileBlock, std::pair<size_t, std::wstring>> blocked;

private:
    // A destination folder below the root that exists or /set makes (None), or why not, and where
    // that begins (the entry of the other kind).
    struct Level {
        FileBlock block = FileBlock::None;
        std::wstring origin;
    };
    Level FolderLevel(const std::wstring& folder) const {
        auto found = folders_.find(UpperCase(folder));
        return found == folders_.end() ? Level{FileBlock::FolderMissing, std::wstring()} : found->second;
    }
    void Add(const FileChange& change, const std::wstring& where) {
        if (change.block != FileBlock::None) {
            auto& block = blocked[change.block];
            if (block.first++ == 0) block.second = where;
        }
        plan_[UpperCase(change.path)] = change;
    }
    std::map<std::wstring, FileChange>& plan_;
    std::map<std::wstring, Level> folders_;
};

Say LossOf(FileBlock block) {
    switch (block) {
    case FileBlock::None:
    case FileBlock::FolderMissing: break;
    case FileBlock::FolderNotAFolder: return Say::LossFolderNotAFolder;
    case FileBlock::DestinationFolder: return Say::LossDestinationFolder;
    case FileBlock::DestinationLink: return Say::LossDestinationLink;
    case FileBlock::DestinationSecondName: return Say::LossDestinationSecondName;
    case FileBlock::DestinationHeld: return Say::LossDestinationHeld;
    case FileBlock::Unreadable: return Say::LossFileUnreadable;
    case FileBlock::NameUnreachable: return Say::LossNameUnreachable;
    case FileBlock::TooLong: return Say::LossPathTooLong;
    }
    return Say::LossFilesCannotLand;
}

void PlanWorkspaceFiles(const WorkspaceReport& ws, std::map<std::wstring, FileChange>& plan, PreviewReport& preview) {
    for (const DataSet& set : kDataSets) {
        PathBuffer systemRoot, workspaceRoot;
        if (!LocateWorkspaceRoot(set, ws.path.c_str(), workspaceRoot)) continue;
        if (!LocateSystemRoot(set, systemRoot)) {
            TreeScan scan = ScanTree(workspaceRoot);
            if (!scan.files.empty()) {
                preview.fileLosses.push_back({Say::LossSetUnreachable, {ws.name, std::to_wstring(scan.files.size()), set.workspaceFolder}});
            }
            continue;
        }
        RestorePlan walk(plan, systemRoot);
        WalkMirror(workspaceRoot, systemRoot, L"", set.filter, walk);
        for (const auto& blocked : walk.blocked) {
            const std::wstring count = std::to_wstring(blocked.second.first), first = blocked.second.second;
            preview.fileLosses.push_back(
                {LossOf(blocked.first), {ws.name, count, set.workspaceFolder, systemRoot, ParentOf(systemRoot), first}});
        }
    }
    if (ws.mvdMngKind == EntryKind::File) {
        FileChange change = PlanFile(ws.path + L"\\" + kMvdMngIniName, std::wstring(kMvdMngIniFolder) + kMvdMngIniName, FileBlock::None);
        plan[UpperCase(change.path)] = change;
    }
}

// The value a save path has after one restore run: the run's record when it writes one, else
// what the registry held before the run.
struct SavePathState {
    bool present = false;
    std::wstring path;
};

void ApplyRun(const WorkspaceReport& ws, std::vector<SavePathState>& state) {
    if (!ws.UsedByRestore()) return;
    for (const auto& write : InRestoreOrder(ws.records)) {
        for (size_t i = 0; i < kSavePathValueCount; ++i) {
            const SavePathValue& value = kSavePathValues[i];
            if (write.root == HKEY_LOCAL_MACHINE && _wcsicmp(write.subKey.c_str(), value.subKey) == 0 &&
                _wcsicmp(write.name.c_str(), value.valueName) == 0) {
                state[i].present = true;
                state[i].path = write.text;
            }
        }
    }
}

FolderOutcome PlanFolder(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    if (path.empty()) return FolderOutcome::NoPath;
    if (!IsLocalDrivePath(path.c_str())) return FolderOutcome::NotLocal;
    if (KindOfEntry(path) != EntryKind::Missing) return FolderOutcome::Exists;
    return FolderExists(ParentOf(path)) ? FolderOutcome::Create : FolderOutcome::ParentMissing;
}

// A restore run first removes the part files in the suite's three data folders and beside
// C:\MvdMng.ini: a file of the suite whose name ends in ".mvpart" is deleted, never carried.
void AddPartFileDeletions(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    if (!primary.UsedByRestore() && !second.UsedByRestore()) return;
    auto add = [&](LPCWSTR path) {
        preview.deletedPaths.push_back(path);
        preview.deletions.push_back({path, DeletionKind::PartFile});
    };
    for (const DataSet& set : kDataSets) {
        PathBuffer root;
        if (LocateSystemRoot(set, root)) ForEachPartFile(root, add);
    }
    PathBuffer system, part;
    if (FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) && FormatPartPath(system, part) && !IsLink(part) &&
        KindOfEntry(part) == EntryKind::File) {
        add(part);
    }
}

}  // namespace

void AddDataFiles(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    std::map<std::wstring, FileChange> plan;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (ws->UsedByRestore()) PlanWorkspaceFiles(*ws, plan, preview);
    }
    for (const auto& entry : plan) preview.files.push_back(entry.second);
    AddPartFileDeletions(primary, second, preview);
    PathBuffer suiteRoot;
    if (LocateSystemRoot(kDataSets[kSuiteData], suiteRoot)) {
        for (LPCWSTR name : kRebuiltDataFiles) {
            std::wstring path = std::wstring(suiteRoot) + L"\\" + name;
            preview.deletedPaths.push_back(path);
            if (KindOfEntry(path) == EntryKind::File) preview.deletions.push_back({path, DeletionKind::RebuiltFile});
        }
    }
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (!ws->Found() || (ws->IsFolder() && !ws->UsedByRestore())) continue;  // an untrusted one stays
        preview.deletedPaths.push_back(ws->path);
        preview.deletions.push_back({ws->path, DeletionKind::Workspace});
    }
}

void AddSavePathFolders(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    std::vector<SavePathState> state(kSavePathValueCount);
    for (size_t i = 0; i < kSavePathValueCount; ++i) {
        LiveValue live = ReadLiveValue(HKEY_LOCAL_MACHINE, kSavePathValues[i].subKey, kSavePathValues[i].valueName);
        state[i].present = live.state == LiveState::Present;
        state[i].path = live.AsText();
    }
    std::map<std::wstring, bool> seen;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (!ws->UsedByRestore()) continue;
        ApplyRun(*ws, state);
        for (size_t i = 0; i < kSavePathValueCount; ++i) {
            if (!state[i].present || seen[UpperCase(state[i].path)]) continue;
            seen[UpperCase(state[i].path)] = true;
            preview.folders.push_back({kSavePathValues[i].valueName, state[i].path, PlanFolder(state[i].path)});
        }
    }
}
