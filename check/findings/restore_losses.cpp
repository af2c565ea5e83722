#include "check/findings/restore_losses.h"

#include "check/findings/preview.h"
#include "check/findings/preview_files.h"
#include "files/data_sets.h"
#include "registry/snapshot_table.h"

namespace {

// A run loads a hive file only where its key exists by then: the machine's, or one that this run's
// or an earlier run's value writes create.
void AddHiveLosses(const WorkspaceReport& ws, const std::vector<const WorkspaceReport*>& runs, Findings& losses) {
    for (size_t i = 0; i < kSnapshotCount && i < ws.catalogue.hives.size(); ++i) {
        if (!ws.catalogue.hives[i].Present()) continue;
        KeyPresence key = KeyAtSnapshotLoad(i, runs);
        if (key == KeyPresence::Present) continue;
        losses.push_back({key == KeyPresence::Missing ? Say::LossHiveKeyMissing : Say::LossHiveKeyUnreadable,
                          {ws.name, kSnapshotTable[i].fileName, kSnapshotTable[i].subKey}});
    }
}

void AddSettingsLoss(const WorkspaceReport& ws, Findings& losses) {
    const SettingsScan& settings = ws.settings;
    if (settings.encoding == SettingsEncoding::Missing) return;
    // A file too large to scan is judged by what the profile functions read from it alone.
    bool scanned = settings.encoding != SettingsEncoding::TooLarge;
    bool readsNothing = AllRecords(ws.records).empty() && (settings.records > 0 || !scanned);
    if ((scanned && !settings.Usable()) || readsNothing) {
        losses.push_back({Say::LossSettings, {ws.name, ws.settingsFile}});
    }
}

}  // namespace

Findings FindRestoreLosses(const WorkspaceReport& primary, const WorkspaceReport& second, const PreviewReport& preview) {
    Findings losses;
    std::vector<const WorkspaceReport*> runs;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        runs.push_back(ws);
        // The unsafe entry's own finding, inside the loss: its kind as the detail, its names after the workspace's.
        for (const auto& unsafe : ws->unsafe) {
            std::vector<std::wstring> names = {ws->name};
            names.insert(names.end(), unsafe.names.begin(), unsafe.names.end());
            losses.push_back({Say::LossUnsafe, names, static_cast<int>(unsafe.what)});
        }
        if (!ws->UsedByRestore()) continue;
        AddHiveLosses(*ws, runs, losses);
        AddSettingsLoss(*ws, losses);
    }
    losses.insert(losses.end(), preview.fileLosses.begin(), preview.fileLosses.end());
    return losses;
}
