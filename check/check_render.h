// Rendering a check as text for support staff, or as one JSON document for scripts.
#pragma once

#include <string>
#include <vector>

#include "check/confirm.h"
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

// The verdict of "/confirm": every item that did not land, the notes, and one summary line.
std::wstring RenderConfirmText(const std::wstring& plan, const ConfirmReport& report, int exitCode);
std::wstring RenderConfirmJson(const std::wstring& plan, const ConfirmReport& report, int exitCode);
