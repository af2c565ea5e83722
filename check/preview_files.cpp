#include "check/preview_files.h"

#include <cwctype>
#include <map>
#include <set>

#include "files/cleanup.h"
#include "files/data_sets.h"
#include "check/catalogue_check.h"
#include "check/live_registry.h"
#include "check/restore_replay.h"
#include "procedures/save_paths.h"

#include "files/mirror.h"
#include "base/links.h"

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

FileChange PlanFile(const std::wstring& from, const std::wstring& to, bool lands) {
    FileChange change;
    change.path = to;
    change.copy = from;
    KindOfEntry(from, &change.size);
    uint64_t liveSize = 0;
    if (!lands) {
        change.outcome = FileOutcome::NotRestored;
    } else if (KindOfEntry(to, &liveSize) == EntryKind::File) {
        change.outcome = liveSize == change.size ? FileOutcome::ReplaceSame : FileOutcome::Replace;
    } else {
        change.outcome = FileOutcome::Create;
    }
    return change;
}

// The restore's own copy walk from the workspace, making nothing: a level lands where its folder
// exists, or where the copy makes it (one level, inside a folder that exists or that the walk
// makes); a level whose folder is a link or a file takes none of its files. Every level is
// looked into, so that the files which cannot land are named too.
class RestorePlan : public MirrorVisitor {
public:
    RestorePlan(std::map<std::wstring, FileChange>& plan, LPCWSTR root) : plan_(plan) {
        EntryKind kind = KindOfEntry(root);
        if (kind == EntryKind::Folder || (kind == EntryKind::Missing && FolderExists(ParentOf(root)))) made_.insert(UpperCase(root));
    }
    bool PrepareFolder(const HeldFolder*, const WIN32_FIND_DATAW* existing, LPCWSTR, LPCWSTR path) override {
        if (existing == nullptr && made_.count(UpperCase(ParentOf(path)))) made_.insert(UpperCase(path));
        return false;
    }
    void File(const MirrorFile& file) override {
        bool lands = file.destination ? CopyLands(file.copy.verdict) : made_.count(UpperCase(ParentOf(file.to))) != 0;
        Add(PlanFile(file.from, file.to, lands));
    }
    void Skipped(LPCWSTR path, MirrorSkip why) override {
        if (why != MirrorSkip::Link) Add(PlanFile(path, path, false));
    }
    size_t notRestored = 0;

private:
    void Add(const FileChange& change) {
        notRestored += change.outcome == FileOutcome::NotRestored;
        plan_[UpperCase(change.path)] = change;
    }
    std::map<std::wstring, FileChange>& plan_;
    std::set<std::wstring> made_;
};

void PlanWorkspaceFiles(const WorkspaceReport& ws, std::map<std::wstring, FileChange>& plan, PreviewReport& preview) {
    for (const DataSet& set : kDataSets) {
        PathBuffer systemRoot, workspaceRoot;
        if (!LocateWorkspaceRoot(set, ws.path.c_str(), workspaceRoot)) continue;
        if (!LocateSystemRoot(set, systemRoot)) {
            TreeScan scan = ScanTree(workspaceRoot);
            if (!scan.files.empty()) {
                preview.fileLosses.push_back(ws.name + L": " + std::to_wstring(scan.files.size()) + L" files of " + set.workspaceFolder +
                                             L": the set's folder on this machine cannot be reached (a folder on the way is a link, "
                                             L"or its path is too long), so /set copies nothing of it: replace the link by a folder first");
            }
            continue;
        }
        RestorePlan walk(plan, systemRoot);
        WalkMirror(workspaceRoot, systemRoot, L"", set.filter, walk);
        if (walk.notRestored) {
            preview.fileLosses.push_back(ws.name + L": " + std::to_wstring(walk.notRestored) + L" files of " + set.workspaceFolder +
                                         L" for " + systemRoot + L" cannot land (a folder on the way is missing, a link or a file): "
                                         L"create folder " + ParentOf(systemRoot) + L" first");
        }
    }
    if (ws.mvdMngKind == EntryKind::File) {
        FileChange change = PlanFile(ws.path + L"\\" + kMvdMngIniName, std::wstring(kMvdMngIniFolder) + kMvdMngIniName, true);
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

}  // namespace

void AddDataFiles(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    std::map<std::wstring, FileChange> plan;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (ws->UsedByRestore()) PlanWorkspaceFiles(*ws, plan, preview);
    }
    for (const auto& entry : plan) preview.files.push_back(entry.second);
    PathBuffer suiteRoot;
    if (LocateSystemRoot(kDataSets[kSuiteData], suiteRoot)) {
        for (LPCWSTR name : kRebuiltDataFiles) {
            std::wstring path = std::wstring(suiteRoot) + L"\\" + name;
            preview.deletedPaths.push_back(path);
            if (KindOfEntry(path) == EntryKind::File) preview.deletions.push_back(path);
        }
    }
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (!ws->Found() || (ws->IsFolder() && !ws->UsedByRestore())) continue;  // an untrusted one stays
        preview.deletedPaths.push_back(ws->path);
        preview.deletions.push_back(ws->path + L" (the workspace, with everything in it)");
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
