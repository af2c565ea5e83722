#include "check/check.h"

#include <exception>

#include "base/run_lock.h"
#include "check/facts/account.h"
#include "check/facts/progress.h"
#include "check/findings/restore_losses.h"
#include "check/plan/confirm.h"
#include "check/render/check_render.h"

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

std::wstring CheckUsage() {
    return L"MovendoCheck [/verify] [/preview] [/json]\n"
           L"MovendoCheck /confirm PLAN [/json]\n"
           L"  Checks the workspaces mvtemp and mvtempbk that Movendo.exe /get leaves, without changing anything.\n"
           L"  /verify   also holds them against this machine (run it before drive C: is wiped): every value,\n"
           L"            file and key the backup carries must equal what the machine has now\n"
           L"  /preview  also shows what Movendo.exe /set would change on this machine, and what it would\n"
           L"            delete without writing it back; with /json the document holds the restore plan\n"
           L"  /confirm  after /set: holds this machine against PLAN, the saved output of /preview /json:\n"
           L"            every value, key (value by value), file, recording folder and deletion it plans must have landed\n"
           L"  /json     prints one JSON document instead of text\n"
           L"Exit codes:\n"
           L"  0  both workspaces found, consistent and without unsafe entries (with /verify: and equal\n"
           L"     to this machine; with /confirm: every planned item landed)\n"
           L"  1  found, with differences, missing parts, unsafe entries or a workspace the program does not take\n"
           L"     (with /verify: or gaps against this machine; with /confirm: an item did not land, each one named)\n"
           L"  2  no workspace found\n"
           L"  3  the check itself failed, an argument was not understood, or PLAN is missing or not a plan\n"
           L"  4  with /preview: /set would delete saved data that it cannot write back (before 1)\n"
           L"  A run of Movendo.exe in progress, or a console that is not elevated, ends the check at once with exit 3.\n"
           L"The sequence: Movendo.exe /get; MovendoCheck /verify (wipe C: only on exit 0); reinstall;\n"
           L"  MovendoCheck /preview /json > D:\\plan.json (restore only on exit 0); Movendo.exe /set;\n"
           L"  MovendoCheck /confirm D:\\plan.json.\n";
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

}  // namespace

CheckResult RunCheck(const CheckOptions& options) {
    CheckResult result;
    if (options.help || !options.unknown.empty()) {
        result.output = options.unknown.empty() ? CheckUsage() : L"Unknown argument: " + options.unknown + L"\n" + CheckUsage();
        result.exitCode = options.help && options.unknown.empty() ? kCheckConsistent : kCheckFailed;
        return result;
    }
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
