#include "check/preview_files.h"

#include <cwctype>
#include <map>

#include "files/cleanup.h"
#include "files/data_sets.h"
#include "check/catalogue_check.h"
#include "check/live_registry.h"
#include "check/restore_replay.h"
#include "procedures/save_paths.h"

namespace {

std::wstring FileNameOf(const std::wstring& relative) {
    size_t cut = relative.find_last_of(L'\\');
    return cut == std::wstring::npos ? relative : relative.substr(cut + 1);
}

}  // namespace

std::wstring ParentOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool FolderExists(std::wstring path) {
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SetRootReachable(const std::wstring& systemRoot) { return FolderExists(systemRoot) || FolderExists(ParentOf(systemRoot)); }

namespace {

// The restore makes one folder level for a set's root; without its parent nothing of the set lands.
FileChange PlanFile(const std::wstring& systemRoot, bool rootReachable, const std::wstring& relative, uint64_t size) {
    FileChange change;
    change.path = systemRoot + L"\\" + relative;
    change.size = size;
    uint64_t liveSize = 0;
    if (!rootReachable || change.path.size() >= MAX_PATH) {
        change.outcome = FileOutcome::NotRestored;
    } else if (KindOfEntry(change.path, &liveSize) == EntryKind::File) {
        change.outcome = liveSize == size ? FileOutcome::ReplaceSame : FileOutcome::Replace;
    } else {
        change.outcome = FileOutcome::Create;
    }
    return change;
}

void PlanWorkspaceFiles(const WorkspaceReport& ws, std::map<std::wstring, FileChange>& plan) {
    for (size_t i = 0; i < kDataSetCount && i < ws.folders.size(); ++i) {
        const DataSet& set = kDataSets[i];
        PathBuffer systemRoot;
        if (!LocateSystemRoot(set, systemRoot)) continue;
        bool reachable = SetRootReachable(systemRoot);
        for (const auto& file : ws.folders[i].second.files) {
            if (!PassesFilter(set.filter, FileNameOf(file.first).c_str())) continue;
            FileChange change = PlanFile(systemRoot, reachable, file.first, file.second);
            plan[UpperCase(change.path)] = change;
        }
    }
    if (ws.mvdMngKind == EntryKind::File) {
        FileChange change = PlanFile(std::wstring(kMvdMngIniFolder).substr(0, 2), true, kMvdMngIniName, ws.mvdMngSize);
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
    if (ws.kind != EntryKind::Folder) return;
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
    if (KindOfEntry(path) != EntryKind::Missing) return FolderOutcome::Exists;
    return FolderExists(ParentOf(path)) ? FolderOutcome::Create : FolderOutcome::ParentMissing;
}

}  // namespace

void AddDataFiles(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    std::map<std::wstring, FileChange> plan;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (ws->kind == EntryKind::Folder) PlanWorkspaceFiles(*ws, plan);
    }
    for (const auto& entry : plan) preview.files.push_back(entry.second);
    PathBuffer suiteRoot;
    if (LocateSystemRoot(kDataSets[kSuiteData], suiteRoot)) {
        for (LPCWSTR name : kRebuiltDataFiles) {
            std::wstring path = std::wstring(suiteRoot) + L"\\" + name;
            if (KindOfEntry(path) == EntryKind::File) preview.deletions.push_back(path);
        }
    }
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (ws->Found()) preview.deletions.push_back(ws->path + L" (the workspace, with everything in it)");
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
        if (ws->kind != EntryKind::Folder) continue;
        ApplyRun(*ws, state);
        for (size_t i = 0; i < kSavePathValueCount; ++i) {
            if (!state[i].present || seen[UpperCase(state[i].path)]) continue;
            seen[UpperCase(state[i].path)] = true;
            preview.folders.push_back({kSavePathValues[i].valueName, state[i].path, PlanFolder(state[i].path)});
        }
    }
}
