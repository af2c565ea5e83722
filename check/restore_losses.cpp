#include "check/restore_losses.h"

#include "check/live_registry.h"
#include "check/preview_files.h"
#include "files/data_sets.h"
#include "registry/snapshot_table.h"

namespace {

void AddHiveLosses(const WorkspaceReport& ws, std::vector<std::wstring>& losses) {
    for (size_t i = 0; i < kSnapshotCount && i < ws.catalogue.hives.size(); ++i) {
        if (!ws.catalogue.hives[i].Present() || LiveKeyExists(HKEY_LOCAL_MACHINE, kSnapshotTable[i].subKey)) continue;
        losses.push_back(std::wstring(ws.name) + L": hive file " + kSnapshotTable[i].fileName +
                         L": its key HKEY_LOCAL_MACHINE\\" + kSnapshotTable[i].subKey +
                         L" does not exist, so /set does not restore it: install the suite first");
    }
}

void AddFileLosses(const WorkspaceReport& ws, std::vector<std::wstring>& losses) {
    for (size_t i = 0; i < kDataSetCount && i < ws.folders.size(); ++i) {
        const auto& files = ws.folders[i].second.files;
        PathBuffer systemRoot;
        if (files.empty() || !LocateSystemRoot(kDataSets[i], systemRoot) || SetRootReachable(systemRoot)) continue;
        losses.push_back(std::wstring(ws.name) + L": " + std::to_wstring(files.size()) + L" files of " +
                         kDataSets[i].workspaceFolder + L" for " + systemRoot + L": the folder " + ParentOf(systemRoot) +
                         L" is missing: create folder " + ParentOf(systemRoot) + L" first");
    }
}

void AddSettingsLoss(const WorkspaceReport& ws, std::vector<std::wstring>& losses) {
    const SettingsScan& settings = ws.settings;
    if (settings.encoding == SettingsEncoding::Missing) return;
    // A file too large to scan is judged by what the profile functions read from it alone.
    bool scanned = settings.encoding != SettingsEncoding::TooLarge;
    bool readsNothing = AllRecords(ws.records).empty() && (settings.records > 0 || !scanned);
    if ((scanned && !settings.Usable()) || readsNothing) {
        losses.push_back(std::wstring(ws.name) + L": the settings file " + ws.settingsFile +
                         L" cannot be read by /set: run Movendo.exe /get again first");
    }
}

}  // namespace

std::vector<std::wstring> FindRestoreLosses(const WorkspaceReport& primary, const WorkspaceReport& second) {
    std::vector<std::wstring> losses;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        for (const auto& unsafe : ws->unsafe) {
            losses.push_back(std::wstring(ws->name) + L": " + unsafe +
                             L": /set does not carry it: replace it by a real folder or file and run Movendo.exe /get again first");
        }
        if (!ws->IsFolder()) continue;
        AddHiveLosses(*ws, losses);
        AddFileLosses(*ws, losses);
        AddSettingsLoss(*ws, losses);
    }
    return losses;
}
