// The saved data that "/set" would delete with the workspaces without having written it back,
// each with what to do before running it: a hive file whose key does not exist, data files whose
// destination cannot be made, entries that are links, a settings file that cannot be read.
#pragma once

#include <string>
#include <vector>

#include "check/findings/finding.h"
#include "check/findings/preview.h"

Findings FindRestoreLosses(const WorkspaceReport& primary, const WorkspaceReport& second,
                                           const PreviewReport& preview);
