#include "check/restore_losses.h"

#include "check/preview.h"
#include "check/preview_files.h"
#include "files/data_sets.h"
#include "registry/snapshot_table.h"

namespace {

// A run loads a hive file only where its key exists by then: the machine's, or one that this run's
// or an earlier run's value writes create.
void AddHiveLosses(const WorkspaceReport& ws, const std::vector<const WorkspaceReport*>& runs, std::vector<std::wstring>& losses) {
    for (size_t i = 0; i < kSnapshotCount && i < ws.catalogue.hives.size(); ++i) {
        if (!ws.catalogue.hives[i].Present()) continue;
        KeyPresence key = KeyAtSnapshotLoad(i, runs);
        if (key == KeyPresence::Present) continue;
        losses.push_back(ws.name + L": hive file " + kSnapshotTable[i].fileName + L": its key HKEY_LOCAL_MACHINE\\" +
                         kSnapshotTable[i].subKey +
                         (key == KeyPresence::Missing ? L" does not exist, so /set does not restore it: install the suite first"
                                                      : L" cannot be opened, so /set does not restore it"));
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

std::vector<std::wstring> FindRestoreLosses(const WorkspaceReport& primary, const WorkspaceReport& second,
                                           const PreviewReport& preview) {
    std::vector<std::wstring> losses;
    std::vector<const WorkspaceReport*> runs;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        runs.push_back(ws);
        for (const auto& unsafe : ws->unsafe) {
            losses.push_back(std::wstring(ws->name) + L": " + unsafe +
                             L": /set does not carry it: replace it by a real folder or file and run Movendo.exe /get again first");
        }
        if (!ws->UsedByRestore()) continue;
        AddHiveLosses(*ws, runs, losses);
        AddSettingsLoss(*ws, losses);
    }
    losses.insert(losses.end(), preview.fileLosses.begin(), preview.fileLosses.end());
    return losses;
}
