// "/set" for one workspace: locate it (never create it), stop the suite, write the catalogue back
// in the restore order, copy the data files back, make the recording folders, delete the two
// data files the suite rebuilds, and delete the workspace once everything it carried has landed.
#include "files/cleanup.h"
#include "files/data_sets.h"
#include "files/stale_entries.h"
#include "base/links.h"
#include "base/trust.h"
#include "base/whole_copy.h"
#include "procedures/catalogue_walk.h"
#include "procedures/procedures.h"
#include "procedures/transfer.h"
#include "quiesce/stop_sequence.h"

void RestoreEnvironment(CEnvironment& env, Workspace workspace) {
    if (!env.FindTempDirectory(workspace)) return;
    // A workspace that is a link is not read from: it is only removed, as a link.
    if (IsLink(env.m_strTempDirectory.c_str())) {
        env.DeleteDirectoryTree(env.m_strTempDirectory.c_str());
        return;
    }
    // A workspace that someone else owns or others could change is neither read nor deleted.
    if (!MayUseWorkspace(JudgeWorkspaceTrust(env.m_strTempDirectory.c_str()))) return;
    StopSuite(env);
    RemoveSystemPartFiles();
    env.m_bRestoreIncomplete = false;
    // A settings file that is a link is not read: it could name any file of the machine. Its
    // records then do not land.
    bool readable = !IsLink(env.m_strIniFile.c_str());
    if (!readable) env.m_bRestoreIncomplete = true;
    RestoreCarrier carrier{env, readable};
    WalkRestoreOrder(carrier);
    env.CopyParlunetLocalDataFromWorkspace(L"");
    env.CopyParlunetCommonDataFromWorkspace(L"");
    env.CopySuiteDataFromWorkspace(L"");
    env.CopyMvdMngIniFromWorkspace();
    env.CreateSavePathFolders();
    DeleteHddAndVideoFolderFiles();
    // What did not land stays saved, whole, for the next /set once its cause is mended.
    if (!env.m_bRestoreIncomplete) env.DeleteDirectoryTree(env.m_strTempDirectory.c_str());
}
