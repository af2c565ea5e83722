// The two procedures of a run: the backup into one workspace and the restore from one.
#pragma once

#include "base/environment.h"

void BackupEnvironment(CEnvironment& env, Workspace workspace);
void RestoreEnvironment(CEnvironment& env, Workspace workspace);
