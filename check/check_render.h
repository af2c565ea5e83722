// Rendering a check as text for support staff, or as one JSON document for scripts.
#pragma once

#include <string>
#include <vector>

#include "check/preview.h"
#include "check/verify.h"
#include "check/workspace_report.h"

struct CheckReport {
    WorkspaceReport primary;
    WorkspaceReport second;
    std::vector<std::wstring> differences;
    bool preview = false;
    PreviewReport previewReport;
    std::vector<std::wstring> losses;  // of the preview: saved data /set would delete unrestored
    bool verify = false;
    VerifyReport verifyReport;
};

std::wstring RenderText(const CheckReport& report, int exitCode);
std::wstring RenderJson(const CheckReport& report, int exitCode);
std::wstring SummaryLine(const CheckReport& report, int exitCode);
