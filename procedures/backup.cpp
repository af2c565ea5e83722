// "/get" for one workspace: locate or create it, stop the suite, copy the data files, then save
// the whole catalogue; its records go through a draft of the settings file, unless the settings
// file holds them already.
#include "base/links.h"
#include "base/whole_copy.h"
#include "base/trust.h"
#include "files/stale_entries.h"
#include "procedures/catalogue_walk.h"
#include "procedures/procedures.h"
#include "procedures/transfer.h"
#include "quiesce/stop_sequence.h"
#include "registry/settings_draft.h"

namespace {

// True when the workspace's settings file holds exactly the records a save would write now.
bool SettingsFileCurrent(const CEnvironment& env) {
    LPCWSTR file = env.m_strIniFile.c_str();
    if (FileMissing(file) || IsLink(file)) return false;
    CurrentCarrier held{env.m_strIniFile};
    for (size_t i = 0; i < kCatalogueRows && held.current; ++i) WalkCatalogueRow(held, kCatalogue[i]);
    return held.current;
}

// The records go through a draft of the settings file, unless the file holds them already: then
// only the whole keys are saved anew.
void SaveCatalogue(CEnvironment& env) {
    bool current = SettingsFileCurrent(env);
    SettingsDraft draft(env, !current);
    SaveCarrier carrier{env, draft.Begun()};
    for (size_t i = 0; i < kCatalogueRows; ++i) WalkCatalogueRow(carrier, kCatalogue[i]);
    draft.Commit();
}

}  // namespace

void BackupEnvironment(CEnvironment& env, Workspace workspace) {
    if (!env.FindTempDirectory(workspace) && !env.CreateTempDirectory(workspace)) return;
    // A workspace that is a link would send the saved settings wherever it points.
    if (IsLink(env.m_strTempDirectory.c_str())) return;
    // One that someone else owns is not used; one that others could write is made private first.
    if (!PrepareWorkspaceForBackup(env.m_strTempDirectory.c_str())) return;
    StopSuite(env);
    RemoveWorkspacePartFiles(env.m_strTempDirectory.c_str());
    env.CopyMvdMngIniToWorkspace();
    env.CopySuiteDataToWorkspace(L"");
    env.CopyParlunetCommonDataToWorkspace(L"");
    env.CopyParlunetLocalDataToWorkspace(L"");
    SaveCatalogue(env);
}
