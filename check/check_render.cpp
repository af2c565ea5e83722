#include "check/check_render.h"

#include "check/json_text.h"
#include "check/restore_plan.h"

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

std::wstring ListLine(const ListCheck& list) {
    std::wstring line = list.section + L": ";
    line += list.skipped ? L"skipped (no \"num\" record)" : Num(list.pairs) + L" pairs";
    if (list.unreached) line += L", " + Num(list.unreached) + L" records never reached by a restore";
    return line;
}

void RenderWorkspaceText(const WorkspaceReport& ws, std::wstring& out) {
    out += std::wstring(ws.name) + L": ";
    if (!ws.Found()) {
        out += L"not found on any drive\n";
        return;
    }
    out += ws.path + L" (" + KindName(ws.kind) + L")\n";
    if (ws.kind == EntryKind::Folder) {
        out += std::wstring(L"  permissions: ") + TrustName(ws.trust) + L"\n";
        const SettingsScan& settings = ws.settings;
        out += L"  settings file Movendo.ini: " + std::wstring(EncodingName(settings.encoding));
        if (settings.encoding != SettingsEncoding::Missing) {
            out += L", " + Num(settings.bytes) + L" bytes, " + Num(settings.records) + L" records";
        }
        out += L"\n  catalogue rows (values with a record / values):";
        for (const auto& row : ws.catalogue.rows) out += L" C" + Num(row.label) + L" " + Num(row.present) + L"/" + Num(row.expected);
        out += L"\n";
        for (const auto& list : ws.catalogue.lists) out += L"  list " + ListLine(list) + L"\n";
        out += L"  hive files: " + Num(ws.catalogue.hivesWhole) + L"/" + Num(ws.catalogue.hives.size()) + L" whole";
        for (const auto& hive : ws.catalogue.hives) {
            out += L", " + hive.fileName + L" " + (hive.Present() ? Num(hive.verdict.size) + L" bytes" : std::wstring(L"missing"));
        }
        out += L"\n";
        for (const auto& folder : ws.folders) {
            out += L"  " + folder.first + L": " +
                   (folder.second.present ? Num(folder.second.files.size()) + L" files, " + Num(folder.second.bytes) + L" bytes"
                                          : std::wstring(L"missing")) + L"\n";
        }
        out += L"  MvdMng.ini: " + (ws.mvdMngKind == EntryKind::File ? Num(ws.mvdMngSize) + L" bytes" : std::wstring(KindName(ws.mvdMngKind))) + L"\n";
    }
    for (const auto& problem : ws.problems) out += L"  problem: " + problem + L"\n";
    for (const auto& note : ws.notes) out += L"  note: " + note + L"\n";
    for (const auto& unsafe : ws.unsafe) out += L"  UNSAFE: " + unsafe + L"\n";
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
        if (run > 1) {
            out += L"  [" + value.section + L"]: missing key, created with " + Num(run) + L" values\n";
            i += run;
            continue;
        }
        out += L"  [" + value.section + L"] " + value.name + L": " + OutcomeName(value.outcome);
        if (value.outcome == ValueOutcome::Different || value.outcome == ValueOutcome::NotRestored) {
            out += L" (now \"" + value.live + L"\", saved \"" + value.saved + L"\")";
        } else {
            out += L", will be set to \"" + value.saved + L"\"";
        }
        for (const auto& detail : value.details) out += L" [" + detail + L"]";
        out += L"\n";
        ++i;
    }
}

void RenderPreviewText(const PreviewReport& preview, std::wstring& out) {
    out += L"\nWhat Movendo.exe /set would change on this machine:\n";
    out += L"  registry values unchanged: " + Num(preview.unchanged) + L"\n";
    RenderValueChanges(preview.values, out);
    for (const auto& snapshot : preview.snapshots) out += L"  key " + snapshot + L"\n";
    for (const auto& file : preview.files) out += L"  file " + file.path + L": " + OutcomeName(file.outcome) + L"\n";
    for (const auto& folder : preview.folders) {
        out += L"  folder " + folder.path + L" (" + folder.valueName + L"): " + OutcomeName(folder.outcome) + L"\n";
    }
    for (const auto& deletion : preview.deletions) out += L"  delete " + deletion + L"\n";
}

void RenderLossesText(const std::vector<std::wstring>& losses, std::wstring& out) {
    out += L"\nSaved data that /set would delete without writing it back: " +
           (losses.empty() ? std::wstring(L"none") : Num(losses.size())) + L"\n";
    for (const auto& loss : losses) out += L"  LOSS: " + loss + L"\n";
}

void RenderVerifyText(const VerifyReport& verify, std::wstring& out) {
    out += L"\nAgainst this machine: " + Num(verify.values) + L" values and " + Num(verify.files) +
           L" files compared, " + Num(verify.gaps.size()) + L" gaps\n";
    for (const auto& gap : verify.gaps) out += L"  GAP: " + gap + L"\n";
    for (const auto& note : verify.notes) out += L"  note: " + note + L"\n";
}

Json WorkspaceJson(const WorkspaceReport& ws) {
    Json json;
    json["found"] = ws.Found();
    json["path"] = Utf8(ws.path);
    json["kind"] = Utf8(KindName(ws.kind));
    if (ws.IsFolder()) json["trust"] = Utf8(TrustName(ws.trust));
    json["settings"] = {{"encoding", Utf8(EncodingName(ws.settings.encoding))}, {"bytes", ws.settings.bytes}, {"records", ws.settings.records}};
    Json& rows = json["rows"] = Json::array();
    for (const auto& row : ws.catalogue.rows) {
        rows.push_back({{"row", "C" + std::to_string(row.label)}, {"values", row.expected}, {"records", row.present}, {"missing", JsonStrings(row.missing)}});
    }
    Json& lists = json["lists"] = Json::array();
    for (const auto& list : ws.catalogue.lists) {
        lists.push_back({{"section", Utf8(list.section)}, {"skipped", list.skipped}, {"pairs", list.pairs}, {"unreached", list.unreached}});
    }
    Json& hives = json["hives"] = Json::array();
    for (const auto& hive : ws.catalogue.hives) {
        hives.push_back({{"file", Utf8(hive.fileName)}, {"present", hive.Present()}, {"whole", hive.verdict.whole},
                         {"bytes", hive.verdict.size}, {"detail", Utf8(hive.verdict.detail)}});
    }
    Json& folders = json["folders"] = Json::array();
    for (const auto& folder : ws.folders) {
        folders.push_back({{"name", Utf8(folder.first)}, {"present", folder.second.present}, {"files", folder.second.files.size()},
                           {"bytes", folder.second.bytes}});
    }
    json["MvdMng.ini"] = {{"present", ws.mvdMngKind == EntryKind::File}, {"bytes", ws.mvdMngSize}};
    json["problems"] = JsonStrings(ws.problems);
    json["unsafe"] = JsonStrings(ws.unsafe);
    return json;
}

Json PreviewJson(const PreviewReport& preview) {
    Json json;
    json["unchanged"] = preview.unchanged;
    Json& values = json["values"] = Json::array();
    for (const auto& value : preview.values) {
        values.push_back({{"section", Utf8(value.section)}, {"name", Utf8(value.name)}, {"outcome", Utf8(OutcomeName(value.outcome))},
                          {"live", Utf8(value.live)}, {"saved", Utf8(value.saved)}});
    }
    json["snapshots"] = JsonStrings(preview.snapshots);
    Json& files = json["files"] = Json::array();
    for (const auto& file : preview.files) {
        files.push_back({{"path", Utf8(file.path)}, {"outcome", Utf8(OutcomeName(file.outcome))}, {"bytes", file.size}});
    }
    Json& folders = json["folders"] = Json::array();
    for (const auto& folder : preview.folders) {
        folders.push_back({{"value", Utf8(folder.valueName)}, {"path", Utf8(folder.path)}, {"outcome", Utf8(OutcomeName(folder.outcome))}});
    }
    json["deletions"] = JsonStrings(preview.deletions);
    return json;
}

}  // namespace

std::wstring SummaryLine(const CheckReport& report, int exitCode) {
    size_t problems = report.primary.problems.size() + report.second.problems.size();
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
        return L"Summary: " + Num(problems) + L" problems, " + Num(report.differences.size()) + L" differences, " +
               Num(unsafe) + L" unsafe entries" + gaps +
               (report.primary.Found() && report.second.Found() ? L"" : L", one workspace missing") + L" (exit " +
               Num(exitCode) + L")";
    }
}

std::wstring RenderText(const CheckReport& report, int exitCode) {
    std::wstring out;
    RenderWorkspaceText(report.primary, out);
    RenderWorkspaceText(report.second, out);
    if (report.primary.kind == EntryKind::Folder && report.second.kind == EntryKind::Folder) {
        out += L"Differences between mvtemp and mvtempbk: " + (report.differences.empty() ? std::wstring(L"none") : Num(report.differences.size())) + L"\n";
        for (const auto& difference : report.differences) out += L"  " + difference + L"\n";
    }
    if (report.verify) RenderVerifyText(report.verifyReport, out);
    if (report.preview) {
        RenderPreviewText(report.previewReport, out);
        RenderLossesText(report.losses, out);
    }
    out += SummaryLine(report, exitCode) + L"\n";
    return out;
}

std::wstring RenderJson(const CheckReport& report, int exitCode) {
    Json json;
    json["exitCode"] = exitCode;
    json["workspaces"] = {{"mvtemp", WorkspaceJson(report.primary)}, {"mvtempbk", WorkspaceJson(report.second)}};
    json["differences"] = JsonStrings(report.differences);
    if (report.verify) {
        json["verify"] = {{"values", report.verifyReport.values}, {"files", report.verifyReport.files},
                          {"gaps", JsonStrings(report.verifyReport.gaps)}, {"notes", JsonStrings(report.verifyReport.notes)}};
    }
    if (report.preview) {
        json["preview"] = PreviewJson(report.previewReport);
        json["losses"] = JsonStrings(report.losses);
        json["plan"] = RestorePlanJson(report.previewReport);
    }
    json["summary"] = Utf8(SummaryLine(report, exitCode));
    return JsonText(json);
}

namespace {

std::wstring ConfirmSummary(const ConfirmReport& report, int exitCode) {
    return L"Summary: restored " + Num(report.restored) + L" of " + Num(report.planned) + L", differing " +
           Num(report.planned - report.restored) + L", not compared " + Num(report.notCompared) + L" (exit " + Num(exitCode) + L")";
}

}  // namespace

std::wstring RenderConfirmText(const std::wstring& plan, const ConfirmReport& report, int exitCode) {
    std::wstring out = L"This machine against the restore plan " + plan + L":\n";
    for (const auto& failure : report.failures) {
        out += L"  NOT RESTORED: " + FromUtf8(failure["item"]) + L" " + JsonWide(failure, "what") + L": " + JsonWide(failure, "why") + L"\n";
    }
    for (const auto& note : report.notes) out += L"  note: " + note + L"\n";
    return out + ConfirmSummary(report, exitCode) + L"\n";
}

std::wstring RenderConfirmJson(const std::wstring& plan, const ConfirmReport& report, int exitCode) {
    Json json;
    json["exitCode"] = exitCode;
    json["confirm"] = {{"plan", Utf8(plan)},
                       {"planned", report.planned},
                       {"restored", report.restored},
                       {"differing", report.planned - report.restored},
                       {"notCompared", report.notCompared},
                       {"failures", report.failures},
                       {"notes", JsonStrings(report.notes)}};
    json["summary"] = Utf8(ConfirmSummary(report, exitCode));
    return JsonText(json);
}
