#include "check/check.h"

#include <exception>

#include "base/run_lock.h"
#include "check/facts/account.h"
#include "check/facts/progress.h"
#include "check/findings/restore_losses.h"
#include "check/plan/confirm.h"
#include "check/render/check_render.h"
#include "check/usage/usage_text.h"

CheckOptions ParseCheckArguments(const std::vector<std::wstring>& arguments) {
    CheckOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (_wcsicmp(argument.c_str(), L"/confirm") == 0 && i + 1 < arguments.size() && !options.confirm) {
            options.confirm = true;
            options.plan = arguments[++i];
        } else if (_wcsicmp(argument.c_str(), L"/preview") == 0) {
            options.preview = true;
        } else if (_wcsicmp(argument.c_str(), L"/verify") == 0) {
            options.verify = true;
        } else if (_wcsicmp(argument.c_str(), L"/json") == 0) {
            options.json = true;
        } else if (argument == L"/?" || _wcsicmp(argument.c_str(), L"/help") == 0) {
            options.help = true;
        } else if (options.unknown.empty()) {
            options.unknown = argument;
        }
    }
    if (options.confirm && (options.preview || options.verify) && options.unknown.empty()) options.unknown = L"/confirm with /verify or /preview";
    return options;
}

namespace {

int ExitCodeOf(const CheckReport& report) {
    if (!report.primary.Found() && !report.second.Found()) return kCheckNoWorkspace;
    if (report.preview && !report.losses.empty()) return kCheckWouldLose;
    if (report.verify && !report.verifyReport.gaps.empty()) return kCheckIssues;
    if (!report.places.problems.empty()) return kCheckIssues;
    bool clean = report.primary.Found() && report.second.Found() && report.differences.empty();
    for (const WorkspaceReport* workspace : {&report.primary, &report.second}) {
        clean = clean && workspace->problems.empty() && workspace->unsafe.empty();
    }
    return clean ? kCheckConsistent : kCheckIssues;
}

// /verify holds the newest workspace of each name against the machine, and names the one /set
// would take instead when that is another.
VerifyReport VerifyNewest(const CheckReport& report) {
    WorkspaceReport newest[2];
    const WorkspaceReport* held[2] = {&report.primary, &report.second};
    for (size_t i = 0; i < 2; ++i) {
        int at = report.places.newer[i];
        if (at < 0) continue;
        newest[i] = InspectWorkspaceAt(held[i]->which, report.places.all[static_cast<size_t>(at)].path);
        held[i] = &newest[i];
    }
    VerifyReport verify = VerifyWorkspaces(*held[0], *held[1], report.accounts);
    for (size_t i = 0; i < 2; ++i) {
        if (held[i] == &newest[i]) verify.gaps.push_back({Say::NewestNotTaken, {newest[i].name, newest[i].path, i ? report.second.path : report.primary.path}});
    }
    return verify;
}

CheckResult RunConfirm(const std::wstring& plan, bool json) {
    CheckResult result;
    PlanReading reading = ReadPlanFile(plan);
    if (reading.problem != PlanProblem::None) {
        result.output = RenderPlanProblem(plan, reading);
        return result;
    }
    ConfirmReport report = ConfirmPlan(reading.plan);
    result.exitCode = report.failures.empty() ? kCheckConsistent : kCheckIssues;
    result.output = json ? RenderConfirmJson(plan, report, result.exitCode) : RenderConfirmText(plan, report, result.exitCode);
    return result;
}

// Every report names the program's version once: a JSON document as its first member, a text
// as its first line.
std::wstring WithVersion(const std::wstring& output) {
    if (output.compare(0, 1, L"{") == 0) return L"{\"program\":\"" + CheckVersionLine() + L"\"," + output.substr(1);
    return CheckVersionLine() + L"\n" + output;
}

// The judgement itself, once the check may run.
CheckResult Judge(const CheckOptions& options) {
    CheckResult result;
    try {
        if (options.confirm) return RunConfirm(options.plan, options.json);
        CheckReport report;
        report.accounts = ReadAccounts();
        report.preview = options.preview;
        report.primary = InspectWorkspace(Workspace::Primary);
        report.second = InspectWorkspace(Workspace::Second);
        report.places = JudgeWorkspacePlaces(FindEveryWorkspace(), report.primary, report.second);
        if (report.primary.kind == EntryKind::Folder && report.second.kind == EntryKind::Folder) {
            report.differences = CompareWorkspaces(report.primary, report.second);
        }
        report.verify = options.verify;
        if (options.verify) report.verifyReport = VerifyNewest(report);
        if (options.preview) {
            report.previewReport = PreviewRestore(report.primary, report.second);
            report.losses = FindRestoreLosses(report.primary, report.second, report.previewReport);
            if (options.json) report.plan = BuildRestorePlan(report.previewReport);
        }
        result.exitCode = ExitCodeOf(report);
        result.output = options.json ? RenderJson(report, result.exitCode) : RenderText(report, result.exitCode);
    } catch (const std::exception& error) {
        std::string what = error.what();
        result.output = L"The check failed: " + std::wstring(what.begin(), what.end()) + L"\n";
        result.exitCode = kCheckFailed;
    }
    return result;
}

// The check once it may run: elevated, and no run of the program in progress.
CheckResult Inspect(const CheckOptions& options) {
    CheckResult result;
    if (!RunsElevated()) {
        result.output = RenderNotElevated();
        result.exitCode = kCheckFailed;
        return result;
    }
    if (RunLockHeld()) {
        result.output = L"a Movendo.exe run is in progress; check again when it has ended\n";
        result.exitCode = kCheckFailed;
        return result;
    }
    StartProgress(!options.json);
    result = Judge(options);
    EndProgress();
    return result;
}

}  // namespace

CheckResult RunCheck(const CheckOptions& options) {
    CheckResult result;
    if (options.help || !options.unknown.empty()) {
        result.output = options.unknown.empty() ? CheckUsage() : L"Unknown argument: " + options.unknown + L"\n" + CheckUsage();
        result.exitCode = options.help && options.unknown.empty() ? kCheckConsistent : kCheckFailed;
        return result;
    }
    result = Inspect(options);
    result.output = WithVersion(result.output);
    return result;
}
