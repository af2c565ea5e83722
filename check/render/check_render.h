// Rendering a check as text for support staff, or as one JSON document for scripts: every
// sentence comes from render/sentences.h.
#pragma once

#include <string>
#include <vector>

#include "check/facts/account.h"
#include "check/findings/preview.h"
#include "check/findings/verify.h"
#include "check/findings/workspace_places.h"
#include "check/findings/workspace_report.h"
#include "check/plan/confirm.h"
#include "check/plan/restore_plan.h"

struct CheckReport {
    Accounts accounts;
    WorkspaceReport primary;
    WorkspaceReport second;
    WorkspacePlaces places;  // every workspace on every drive
    Findings differences;
    bool preview = false;
    PreviewReport previewReport;
    Findings losses;  // of the preview: saved data /set would delete unrestored
    RestorePlan plan;
    bool verify = false;
    VerifyReport verifyReport;
};

std::wstring RenderText(const CheckReport& report, int exitCode);
std::wstring RenderJson(const CheckReport& report, int exitCode);

// The verdict of "/confirm": every item that did not land and one summary line.
std::wstring RenderConfirmText(const std::wstring& plan, const ConfirmReport& report, int exitCode);
std::wstring RenderConfirmJson(const std::wstring& plan, const ConfirmReport& report, int exitCode);
// Why the check could not run: a plan that cannot be read, a console that is not elevated.
std::wstring RenderPlanProblem(const std::wstring& plan, const PlanReading& reading);
std::wstring RenderNotElevated();
