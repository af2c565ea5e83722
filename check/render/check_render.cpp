#include "check/render/check_render.h"

#include "check/json/json.h"
#include "check/render/sentences.h"

namespace {

LPCWSTR KindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::Missing: return L"missing";
    case EntryKind::File: return L"plain file";
    case EntryKind::Folder: return L"folder";
    case EntryKind::Link: return L"link (unsafe)";
    }
    return L"?";
}

std::wstring Num(uint64_t value) { return std::to_wstring(value); }

std::vector<std::wstring> Sentences(const Findings& findings) {
    std::vector<std::wstring> lines;
    for (const auto& finding : findings) lines.push_back(Sentence(finding));
    return lines;
}

void Lines(const wchar_t* label, const Findings& findings, std::wstring& out) {
    for (const auto& finding : findings) out += label + Sentence(finding) + L"\n";
}

std::wstring ListLine(const ListCheck& list) {
    std::wstring line = list.section + L": ";
    line += list.skipped ? L"skipped (no \"num\" record)" : Num(static_cast<uint64_t>(list.pairs)) + L" pairs";
    if (list.unreached) line += L", " + Num(list.unreached) + L" records never reached by a restore";
    return line;
}

void RenderContentsText(const WorkspaceReport& ws, std::wstring& out) {
    out += std::wstring(L"  permissions: ") + TrustName(ws.trust) + L"\n";
    const SettingsScan& settings = ws.settings;
    out += L"  settings file Movendo.ini: " + std::wstring(EncodingText(settings.encoding));
    if (settings.encoding != SettingsEncoding::Missing) out += L", " + Num(settings.bytes) + L" bytes, " + Num(settings.records) + L" records";
    out += L"\n  catalogue rows (values with a record / values):";
    for (const auto& row : ws.catalogue.rows) out += L" C" + Num(static_cast<uint64_t>(row.label)) + L" " + Num(row.present) + L"/" + Num(row.expected);
    out += L"\n";
    for (const auto& list : ws.catalogue.lists) out += L"  list " + ListLine(list) + L"\n";
    out += L"  hive files: " + Num(ws.catalogue.hivesWhole) + L"/" + Num(ws.catalogue.hives.size()) + L" whole";
    for (const auto& hive : ws.catalogue.hives) {
        out += L", " + hive.fileName + L" " + (hive.Present() ? Num(hive.file.size) + L" bytes" : std::wstring(L"missing"));
    }
    out += L"\n";
    for (const auto& folder : ws.folders) {
        out += L"  " + folder.first + L": " +
               (folder.second.present ? Num(folder.second.files.size()) + L" files, " + Num(folder.second.bytes) + L" bytes" : std::wstring(L"missing")) +
               L"\n";
    }
    out += L"  MvdMng.ini: " + (ws.mvdMngKind == EntryKind::File ? Num(ws.mvdMngSize) + L" bytes" : std::wstring(KindName(ws.mvdMngKind))) + L"\n";
}

void RenderWorkspaceText(const WorkspaceReport& ws, std::wstring& out) {
    out += ws.name + L": ";
    if (!ws.Found()) {
        out += L"not found on any drive\n";
        return;
    }
    out += ws.path + L" (" + KindName(ws.kind) + L")\n";
    if (ws.kind == EntryKind::Folder) RenderContentsText(ws, out);
    Lines(L"  problem: ", ws.problems, out);
    Lines(L"  note: ", ws.notes, out);
    Lines(L"  UNSAFE: ", ws.unsafe, out);
}

std::wstring ValueLine(const ValueChange& value) {
    std::wstring line = L"  [" + value.section + L"] " + value.name + L": " + OutcomeName(value.outcome);
    if (value.outcome == ValueOutcome::Different || value.outcome == ValueOutcome::NotRestored) {
        line += L" (now \"" + value.live + L"\", saved \"" + value.saved + L"\")";
    } else {
        line += L", will be set to \"" + value.saved + L"\"";
    }
    for (const auto& detail : value.details) line += L" [" + ValueDetailText(detail, value) + L"]";
    return line + L"\n";
}

// One line per changed value; values of a key that does not exist yet share one line.
void RenderValueChanges(const std::vector<ValueChange>& values, std::wstring& out) {
    for (size_t i = 0; i < values.size();) {
        const ValueChange& value = values[i];
        size_t run = 1;
        while (value.outcome == ValueOutcome::MissingKey && i + run < values.size() &&
               values[i + run].outcome == ValueOutcome::MissingKey && values[i + run].section == value.section) {
            ++run;
        }
        out += run > 1 ? L"  [" + value.section + L"]: missing key, created with " + Num(run) + L" values\n" : ValueLine(value);
        i += run;
    }
}

void RenderPreviewText(const PreviewReport& preview, std::wstring& out) {
    out += L"\nWhat Movendo.exe /set would change on this machine:\n";
    out += L"  registry values unchanged: " + Num(preview.unchanged) + L"\n";
    RenderValueChanges(preview.values, out);
    for (const auto& snapshot : preview.snapshots) out += L"  key " + SnapshotLine(snapshot) + L"\n";
    for (const auto& file : preview.files) out += L"  file " + file.path + L": " + OutcomeName(file) + L"\n";
    for (const auto& folder : preview.folders) {
        out += L"  folder " + folder.path + L" (" + folder.valueName + L"): " + OutcomeName(folder.outcome) + L"\n";
    }
    for (const auto& deletion : preview.deletions) out += L"  delete " + DeletionLine(deletion) + L"\n";
}

void RenderLossesText(const Findings& losses, std::wstring& out) {
    out += L"\nSaved data that /set would delete without writing it back: " + (losses.empty() ? std::wstring(L"none") : Num(losses.size())) + L"\n";
    Lines(L"  LOSS: ", losses, out);
}

void RenderVerifyText(const VerifyReport& verify, std::wstring& out) {
    out += L"\nAgainst this machine: " + Num(verify.values) + L" values, " + Num(verify.keys) + L" saved keys and " + Num(verify.files) +
           L" files compared, " + Num(verify.gaps.size()) + L" gaps\n";
    Lines(L"  GAP: ", verify.gaps, out);
    Lines(L"  note: ", verify.notes, out);
}

std::wstring SessionName(const Accounts& accounts) {
    return accounts.sessionKnown ? L"session " + Num(accounts.session) : std::wstring(L"its session");
}

std::wstring AccountLine(const Accounts& accounts) {
    return L"Account: HKEY_CURRENT_USER and the local application data of " + (accounts.runner.empty() ? L"(unknown)" : accounts.runner) +
           L" (this check runs in " + SessionName(accounts) + L", whose user is " + (accounts.interactive.empty() ? L"none" : accounts.interactive) +
           L")\n";
}

// Every workspace on every drive, and which of them the program takes.
void RenderPlacesText(const WorkspacePlaces& places, std::wstring& out) {
    if (places.all.empty()) return;
    out += L"Workspaces on the drives:\n";
    for (size_t i = 0; i < places.all.size(); ++i) {
        const DriveWorkspace& place = places.all[i];
        out += L"  " + place.path + L": " +
               (places.taken[i]       ? L"the one Movendo.exe /get and /set take"
                : place.resolves ? L"not taken (another drive's comes first)"
                                      : L"not used (its drive's paths do not resolve)") +
               L"\n";
    }
    Lines(L"  problem: ", places.problems, out);
}


Json Obj(std::initializer_list<std::pair<const wchar_t*, Json>> members) {
    Json json = Json::Object();
    for (const auto& member : members) json.Set(member.first, member.second);
    return json;
}

Json PlacesJson(const WorkspacePlaces& places) {
    Json all = Json::Array();
    for (size_t i = 0; i < places.all.size(); ++i) {
        const DriveWorkspace& place = places.all[i];
        all.Push(Obj({{L"path", place.path}, {L"taken", places.taken[i]}, {L"resolves", place.resolves}}));
    }
    return Obj({{L"all", all}, {L"problems", Json::Strings(Sentences(places.problems))}});
}

Json WorkspaceJson(const WorkspaceReport& ws) {
    Json rows = Json::Array(), lists = Json::Array(), hives = Json::Array(), folders = Json::Array();
    for (const auto& row : ws.catalogue.rows) {
        rows.Push(Obj({{L"row", L"C" + Num(static_cast<uint64_t>(row.label))}, {L"values", row.expected}, {L"records", row.present},
                       {L"missing", Json::Strings(row.missing)}}));
    }
    for (const auto& list : ws.catalogue.lists) {
        lists.Push(Obj({{L"section", list.section}, {L"skipped", list.skipped}, {L"pairs", list.pairs}, {L"unreached", list.unreached}}));
    }
    for (const auto& hive : ws.catalogue.hives) {
        hives.Push(Obj({{L"file", hive.fileName}, {L"present", hive.Present()}, {L"whole", hive.file.whole}, {L"bytes", hive.file.size},
                        {L"detail", HiveDetailText(HiveDetail(hive.file.format, hive.file.damage), Num(hive.file.declared), Num(hive.file.size))}}));
    }
    for (const auto& folder : ws.folders) {
        folders.Push(Obj({{L"name", folder.first}, {L"present", folder.second.present}, {L"files", folder.second.files.size()}, {L"bytes", folder.second.bytes}}));
    }
    Json json = Obj({{L"found", ws.Found()}, {L"path", ws.path}, {L"kind", KindName(ws.kind)}});
    if (ws.IsFolder()) json.Set(L"trust", TrustName(ws.trust));
    json.Set(L"settings", Obj({{L"encoding", EncodingText(ws.settings.encoding)}, {L"bytes", ws.settings.bytes}, {L"records", ws.settings.records}}));
    json.Set(L"rows", rows);
    json.Set(L"lists", lists);
    json.Set(L"hives", hives);
    json.Set(L"folders", folders);
    json.Set(L"MvdMng.ini", Obj({{L"present", ws.mvdMngKind == EntryKind::File}, {L"bytes", ws.mvdMngSize}}));
    json.Set(L"problems", Json::Strings(Sentences(ws.problems)));
    json.Set(L"notes", Json::Strings(Sentences(ws.notes)));
    json.Set(L"unsafe", Json::Strings(Sentences(ws.unsafe)));
    return json;
}

Json PreviewJson(const PreviewReport& preview) {
    Json values = Json::Array(), snapshots = Json::Array(), files = Json::Array(), folders = Json::Array(), deletions = Json::Array();
    for (const auto& value : preview.values) {
        values.Push(Obj({{L"section", value.section}, {L"name", value.name}, {L"outcome", OutcomeName(value.outcome)}, {L"live", value.live},
                         {L"saved", value.saved}}));
    }
    for (const auto& snapshot : preview.snapshots) snapshots.Push(SnapshotLine(snapshot));
    for (const auto& file : preview.files) files.Push(Obj({{L"path", file.path}, {L"outcome", OutcomeName(file)}, {L"bytes", file.size}}));
    for (const auto& folder : preview.folders) {
        folders.Push(Obj({{L"value", folder.valueName}, {L"path", folder.path}, {L"outcome", OutcomeName(folder.outcome)}}));
    }
    for (const auto& deletion : preview.deletions) deletions.Push(DeletionLine(deletion));
    return Obj({{L"unchanged", preview.unchanged}, {L"values", values}, {L"snapshots", snapshots}, {L"files", files}, {L"folders", folders},
                {L"deletions", deletions}});
}

std::wstring Ascii(const std::string& text) { return std::wstring(text.begin(), text.end()) + L"\n"; }

std::wstring SummaryLine(const CheckReport& report, int exitCode) {
    size_t problems = report.primary.problems.size() + report.second.problems.size() + report.places.problems.size();
    size_t unsafe = report.primary.unsafe.size() + report.second.unsafe.size();
    std::wstring gaps = report.verify ? L", " + Num(report.verifyReport.gaps.size()) + L" gaps against this machine" : std::wstring();
    switch (exitCode) {
    case 0:
        return report.verify ? L"Summary: both workspaces complete, identical and equal to this machine (exit 0)"
                             : L"Summary: both workspaces complete and identical (exit 0)";
    case 2: return L"Summary: no workspace found (exit 2)";
    case 4:
        return L"Summary: /set would delete " + Num(report.losses.size()) +
               L" saved items without writing them back: do what each LOSS line says first (exit 4)";
    default:
        return L"Summary: " + Num(problems) + L" problems, " + Num(report.differences.size()) + L" differences, " + Num(unsafe) +
               L" unsafe entries" + gaps + (report.primary.Found() && report.second.Found() ? L"" : L", one workspace missing") +
               L" (exit " + Num(static_cast<uint64_t>(exitCode)) + L")";
    }
}

std::wstring ConfirmSummary(const ConfirmReport& report, int exitCode) {
    return L"Summary: restored " + Num(report.restored) + L" of " + Num(report.planned) + L", differing " +
           Num(report.planned - report.restored) + L", not compared " + Num(report.notCompared) + L" (exit " +
           Num(static_cast<uint64_t>(exitCode)) + L")";
}

}  // namespace

std::wstring RenderText(const CheckReport& report, int exitCode) {
    std::wstring out = AccountLine(report.accounts);
    RenderPlacesText(report.places, out);
    RenderWorkspaceText(report.primary, out);
    RenderWorkspaceText(report.second, out);
    if (report.primary.kind == EntryKind::Folder && report.second.kind == EntryKind::Folder) {
        out += L"Differences between mvtemp and mvtempbk: " + (report.differences.empty() ? std::wstring(L"none") : Num(report.differences.size())) + L"\n";
        Lines(L"  ", report.differences, out);
    }
    if (report.verify) RenderVerifyText(report.verifyReport, out);
    if (report.preview) {
        RenderPreviewText(report.previewReport, out);
        RenderLossesText(report.losses, out);
    }
    return out + SummaryLine(report, exitCode) + L"\n";
}

std::wstring RenderJson(const CheckReport& report, int exitCode) {
    Json json = Obj({{L"exitCode", exitCode},
                     {L"account", Obj({{L"runner", report.accounts.runner}, {L"interactive", report.accounts.interactive},
                                       {L"session", SessionName(report.accounts)}})},
                     {L"drives", PlacesJson(report.places)},
                     {L"workspaces", Obj({{L"mvtemp", WorkspaceJson(report.primary)}, {L"mvtempbk", WorkspaceJson(report.second)}})},
                     {L"differences", Json::Strings(Sentences(report.differences))}});
    if (report.verify) {
        const VerifyReport& verify = report.verifyReport;
        json.Set(L"verify", Obj({{L"values", verify.values}, {L"keys", verify.keys}, {L"files", verify.files},
                                 {L"gaps", Json::Strings(Sentences(verify.gaps))}, {L"notes", Json::Strings(Sentences(verify.notes))}}));
    }
    if (report.preview) {
        json.Set(L"preview", PreviewJson(report.previewReport));
        json.Set(L"losses", Json::Strings(Sentences(report.losses)));
        json.Set(L"plan", RestorePlanJson(report.plan));
    }
    json.Set(L"summary", SummaryLine(report, exitCode));
    return Ascii(json.Dump());
}

std::wstring RenderConfirmText(const std::wstring& plan, const ConfirmReport& report, int exitCode) {
    std::wstring out = L"This machine against the restore plan " + plan + L":\n";
    for (const auto& failure : report.failures) {
        out += std::wstring(L"  NOT RESTORED: ") + ConfirmItemName(failure.item) + L" " + failure.what + L": " + ConfirmWhyText(failure) + L"\n";
    }
    return out + ConfirmSummary(report, exitCode) + L"\n";
}

std::wstring RenderConfirmJson(const std::wstring& plan, const ConfirmReport& report, int exitCode) {
    Json failures = Json::Array();
    for (const auto& failure : report.failures) {
        failures.Push(Obj({{L"item", ConfirmItemName(failure.item)}, {L"what", failure.what}, {L"why", ConfirmWhyText(failure)}}));
    }
    Json confirm = Obj({{L"plan", plan},
                        {L"planned", report.planned},
                        {L"restored", report.restored},
                        {L"differing", report.planned - report.restored},
                        {L"notCompared", report.notCompared},
                        {L"failures", failures}});
    return Ascii(Obj({{L"exitCode", exitCode}, {L"confirm", confirm}, {L"summary", ConfirmSummary(report, exitCode)}}).Dump());
}

std::wstring RenderPlanProblem(const std::wstring& plan, const PlanReading& reading) {
    std::wstring what = L"The check failed: the plan " + plan;
    const std::wstring& item = reading.item;
    switch (reading.problem) {
    case PlanProblem::None: break;
    case PlanProblem::Missing: return what + L" does not exist\n";
    case PlanProblem::Unreadable: return what + L" cannot be read\n";
    case PlanProblem::TooLarge: return what + L" is too large (more than " + Num(kPlanSizeBound >> 20) + L" MB) to be a restore plan\n";
    case PlanProblem::BadEncoding: return what + L" is neither UTF-8 nor UTF-16LE (an odd length, or a malformed sequence)\n";
    case PlanProblem::NotJson: return what + L" is not a JSON document (it stops being one at character " + item + L")\n";
    case PlanProblem::TooDeep: return what + L" is nested deeper than " + Num(kJsonMaxDepth) + L" levels: not a restore plan\n";
    case PlanProblem::TooManyValues: return what + L" is too large: it holds more than " + Num(kJsonMaxValues) + L" values\n";
    case PlanProblem::NotAPlan:
        return what + L" is not a restore plan (the output of MovendoCheck /preview /json, format " + kRestorePlanFormat + L" " +
               Num(kRestorePlanVersion) + L")\n";
    case PlanProblem::NoMember: return what + L" is not a restore plan: " + item + L" is missing\n";
    case PlanProblem::UnknownMember: return what + L" is not a restore plan: " + item + L" is not a member of it\n";
    case PlanProblem::WrongType: return what + L" is not a restore plan: " + item + L" is not of its type\n";
    case PlanProblem::OutOfRange: return what + L" is not a restore plan: " + item + L" is out of its range\n";
    }
    return what + L"\n";
}

std::wstring RenderNotElevated() {
    return L"MovendoCheck must be run from an elevated console (Run as administrator): the workspaces and the keys are\n"
           L"readable only by administrators, so an unelevated check would judge a good backup as damaged. Nothing was checked.\n";
}
