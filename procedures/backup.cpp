// "/get" for one workspace: locate or create it, stop the suite, copy the data files, then save
// the whole catalogue; its records go through a draft of the settings file.
#include "base/links.h"
#include "base/trust.h"
#include "files/data_sets.h"
#include "files/stale_entries.h"
#include "procedures/catalogue_walk.h"
#include "procedures/procedures.h"
#include "procedures/transfer.h"
#include "quiesce/stop_sequence.h"
#include "registry/settings_draft.h"

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
    SettingsDraft draft(env);
    SaveCarrier carrier{env, draft.Begun()};
    for (size_t i = 0; i < kCatalogueRows; ++i) WalkCatalogueRow(carrier, kCatalogue[i]);
    draft.Commit();
}
