#include "check/check_render.h"

#include "check/json_writer.h"

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

void RenderWorkspaceJson(const WorkspaceReport& ws, JsonWriter& json) {
    json.BeginObject(ws.which == Workspace::Primary ? "mvtemp" : "mvtempbk");
    json.Bool("found", ws.Found()).String("path", ws.path).String("kind", KindName(ws.kind));
    json.BeginObject("settings")
        .String("encoding", EncodingName(ws.settings.encoding))
        .Number("bytes", ws.settings.bytes)
        .Number("records", ws.settings.records)
        .EndObject();
    json.BeginArray("rows");
    for (const auto& row : ws.catalogue.rows) {
        json.BeginObject().String("row", L"C" + Num(row.label)).Number("values", row.expected).Number("records", row.present);
        json.BeginArray("missing");
        for (const auto& name : row.missing) json.String(name);
        json.EndArray().EndObject();
    }
    json.EndArray().BeginArray("lists");
    for (const auto& list : ws.catalogue.lists) {
        json.BeginObject().String("section", list.section).Bool("skipped", list.skipped).Number("pairs", list.pairs)
            .Number("unreached", list.unreached).EndObject();
    }
    json.EndArray().BeginArray("hives");
    for (const auto& hive : ws.catalogue.hives) {
        json.BeginObject().String("file", hive.fileName).Bool("present", hive.Present()).Bool("whole", hive.verdict.whole)
            .Number("bytes", hive.verdict.size).String("detail", hive.verdict.detail).EndObject();
    }
    json.EndArray().BeginArray("folders");
    for (const auto& folder : ws.folders) {
        json.BeginObject().String("name", folder.first).Bool("present", folder.second.present)
            .Number("files", folder.second.files.size()).Number("bytes", folder.second.bytes).EndObject();
    }
    json.EndArray();
    json.BeginObject("MvdMng.ini").Bool("present", ws.mvdMngKind == EntryKind::File).Number("bytes", ws.mvdMngSize).EndObject();
    json.BeginArray("problems");
    for (const auto& problem : ws.problems) json.String(problem);
    json.EndArray().BeginArray("unsafe");
    for (const auto& unsafe : ws.unsafe) json.String(unsafe);
    json.EndArray().EndObject();
}

void RenderPreviewJson(const PreviewReport& preview, JsonWriter& json) {
    json.BeginObject("preview").Number("unchanged", preview.unchanged).BeginArray("values");
    for (const auto& value : preview.values) {
        json.BeginObject().String("section", value.section).String("name", value.name)
            .String("outcome", OutcomeName(value.outcome)).String("live", value.live).String("saved", value.saved).EndObject();
    }
    json.EndArray().BeginArray("snapshots");
    for (const auto& snapshot : preview.snapshots) json.String(snapshot);
    json.EndArray().BeginArray("files");
    for (const auto& file : preview.files) {
        json.BeginObject().String("path", file.path).String("outcome", OutcomeName(file.outcome)).Number("bytes", file.size).EndObject();
    }
    json.EndArray().BeginArray("folders");
    for (const auto& folder : preview.folders) {
        json.BeginObject().String("value", folder.valueName).String("path", folder.path)
            .String("outcome", OutcomeName(folder.outcome)).EndObject();
    }
    json.EndArray().BeginArray("deletions");
    for (const auto& deletion : preview.deletions) json.String(deletion);
    json.EndArray().EndObject();
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
    JsonWriter json;
    json.BeginObject().Number("exitCode", static_cast<uint64_t>(exitCode));
    json.BeginObject("workspaces");
    RenderWorkspaceJson(report.primary, json);
    RenderWorkspaceJson(report.second, json);
    json.EndObject().BeginArray("differences");
    for (const auto& difference : report.differences) json.String(difference);
    json.EndArray();
    if (report.verify) {
        json.BeginObject("verify").Number("values", report.verifyReport.values).Number("files", report.verifyReport.files);
        json.BeginArray("gaps");
        for (const auto& gap : report.verifyReport.gaps) json.String(gap);
        json.EndArray().BeginArray("notes");
        for (const auto& note : report.verifyReport.notes) json.String(note);
        json.EndArray().EndObject();
    }
    if (report.preview) {
        RenderPreviewJson(report.previewReport, json);
        json.BeginArray("losses");
        for (const auto& loss : report.losses) json.String(loss);
        json.EndArray();
    }
    json.String("summary", SummaryLine(report, exitCode)).EndObject();
    return json.Text() + L"\n";
}
