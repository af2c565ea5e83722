#include "check/findings/workspace_report.h"

#include <map>
#include <set>

#include "base/environment.h"
#include "base/whole_copy.h"
#include "base/workspace.h"
#include "files/data_sets.h"
#include "files/stale_entries.h"

namespace {

// The workspace's folder name, as the program forms its path on any drive (such as "A:\mvtemp").
std::wstring NameOf(Workspace which) {
    PathBuffer path;
    FormatWorkspacePath(which, 0, path);
    return static_cast<LPCWSTR>(path) + 3;
}

// A part file is what a run left when it ended before completing; it is no saved data.
void SetPartFilesApart(WorkspaceReport& report) {
    ForEachPartFile(report.path.c_str(), [&](LPCWSTR path) {
        report.partFiles.push_back(path);
        report.problems.push_back({Say::PartFile, {path}});
    });
    for (auto& folder : report.folders) {
        for (auto it = folder.second.files.begin(); it != folder.second.files.end();) {
            if (!IsPartFileName(it->first.c_str())) {
                ++it;
                continue;
            }
            folder.second.bytes -= it->second;
            it = folder.second.files.erase(it);
        }
    }
}

void NoteUnsafe(WorkspaceReport& report, const std::wstring& where, const std::vector<std::wstring>& links) {
    for (const auto& link : links) report.unsafe.push_back({Say::EntryIsLink, {where + L"\\" + link}});
}

void InspectContents(WorkspaceReport& report) {
    const std::wstring& root = report.path;
    report.settings = ScanSettingsFile(report.settingsFile);
    report.records = ReplayRows(report.settingsFile);
    if (report.settings.encoding == SettingsEncoding::Missing) {
        report.problems.push_back({Say::SettingsMissing, {}});
    } else if (!report.settings.Usable()) {
        report.problems.push_back({Say::SettingsUnusable, {}, static_cast<int>(report.settings.encoding)});
    }
    for (const auto& duplicate : report.settings.duplicateSections) report.problems.push_back({Say::SectionRepeated, {duplicate}});
    report.catalogue = CheckCatalogue(report.settings, report.records, root);
    // Only the machine tells whether a hive file should be there (/verify): one per existing key.
    for (const auto& hive : report.catalogue.hives) {
        if (!hive.Present()) {
            report.notes.push_back({Say::HiveMissing, {hive.fileName}});
        } else if (!hive.file.whole) {
            report.problems.push_back(HiveDamageFinding(Say::HiveNotWhole, {hive.fileName}, hive.file));
        }
    }
    for (const DataSet& set : kDataSets) {
        TreeScan scan = ScanTree(root + L"\\" + set.workspaceFolder);
        std::wstring folder = root + L"\\" + set.workspaceFolder;
        if (!scan.present) report.problems.push_back({Say::SetFolderMissing, {set.workspaceFolder}});
        if (scan.isLink) report.unsafe.push_back({Say::EntryIsLink, {folder}});
        NoteUnsafe(report, folder, scan.links);
        for (const auto& path : scan.tooLong) report.problems.push_back({Say::PathTooLongToRestore, {folder + L"\\" + path}});
        report.folders.emplace_back(set.workspaceFolder, scan);
    }
    report.mvdMngKind = JudgeEntry(root + L"\\" + kMvdMngIniName, &report.mvdMngSize);
    if (report.mvdMngKind == EntryKind::Link) report.unsafe.push_back({Say::EntryIsLink, {root + L"\\" + kMvdMngIniName}});
    // Links among the other entries of the workspace's top level (those inside a set's folder are
    // named with the set).
    for (const auto& link : ScanTopLevel(root).links) {
        bool known = false;
        for (const DataSet& set : kDataSets) known = known || _wcsicmp(link.c_str(), set.workspaceFolder) == 0;
        if (!known && _wcsicmp(link.c_str(), kMvdMngIniName) != 0) report.unsafe.push_back({Say::EntryIsLink, {root + L"\\" + link}});
    }
    SetPartFilesApart(report);
}

}  // namespace

namespace {

// A workspace that /set will not use, with what the technician does about it; one on a drive
// without permissions, which stays in the technician's custody.
void NoteTrust(WorkspaceReport& report) {
    report.trust = JudgeWorkspaceTrust(report.path.c_str());
    if (report.trust == WorkspaceTrust::NoPermissions) report.notes.push_back({Say::WorkspaceWithoutPermissions, {report.path}});
    if (!MayUseWorkspace(report.trust)) report.problems.push_back({Say::WorkspaceUntrusted, {report.path}, static_cast<int>(report.trust)});
}

}  // namespace

namespace {

WorkspaceReport Inspect(Workspace which, const std::wstring& path, const std::wstring& settingsFile) {
    WorkspaceReport report;
    report.which = which;
    report.name = NameOf(which);
    if (path.empty()) return report;
    report.path = path;
    report.settingsFile = settingsFile;
    report.kind = JudgeEntry(report.path);
    switch (report.kind) {
    case EntryKind::Missing: report.path.clear(); break;
    case EntryKind::File: report.problems.push_back({Say::WorkspacePlainFile, {}}); break;
    case EntryKind::Link: report.unsafe.push_back({Say::WorkspaceLink, {report.path}}); break;
    case EntryKind::Folder:
        NoteTrust(report);
        InspectContents(report);
        break;
    }
    return report;
}

}  // namespace

// The workspace is located by the program's own rule, which also names its settings file.
WorkspaceReport InspectWorkspace(Workspace which) {
    CEnvironment env;
    if (!env.FindTempDirectory(which)) return Inspect(which, std::wstring(), std::wstring());
    return Inspect(which, env.m_strTempDirectory, env.m_strIniFile);
}

WorkspaceReport InspectWorkspaceAt(Workspace which, const std::wstring& path) { return Inspect(which, path, SettingsFilePath(path)); }

namespace {

std::wstring Text(const std::wstring& text) { return text; }
std::wstring Text(uint64_t number) { return std::to_wstring(number); }

// Every record of the catalogue as a restore reads it, by "[section] key".
std::map<std::wstring, std::wstring> RecordsOf(const WorkspaceReport& report) {
    std::map<std::wstring, std::wstring> records;
    for (const auto& write : AllRecords(report.records)) {
        records[L"[" + SectionOf(write.root, write.subKey.c_str()) + L"] " + write.name] = write.text;
    }
    return records;
}

template <class Map>
void CompareMaps(const Map& a, const Map& b, Say onlyIn, Say differs, Findings& out) {
    for (const auto& entry : a) {
        auto other = b.find(entry.first);
        if (other == b.end()) {
            out.push_back({onlyIn, {entry.first, L"mvtemp"}});
        } else if (other->second != entry.second) {
            out.push_back({differs, {entry.first, Text(entry.second), Text(other->second)}});
        }
    }
    for (const auto& entry : b) {
        if (a.find(entry.first) == a.end()) out.push_back({onlyIn, {entry.first, L"mvtempbk"}});
    }
}

std::map<std::wstring, uint64_t> FilesOf(const WorkspaceReport& report) {
    std::map<std::wstring, uint64_t> files;
    for (const auto& folder : report.folders) {
        for (const auto& file : folder.second.files) files[folder.first + L"\\" + file.first] = file.second;
    }
    for (const auto& hive : report.catalogue.hives) {
        if (hive.Present()) files[hive.fileName] = hive.file.size;
    }
    if (report.mvdMngKind == EntryKind::File) files[kMvdMngIniName] = report.mvdMngSize;
    return files;
}

}  // namespace

Findings CompareWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second) {
    Findings differences;
    CompareMaps(RecordsOf(primary), RecordsOf(second), Say::RecordOnlyIn, Say::RecordDiffers, differences);
    CompareMaps(FilesOf(primary), FilesOf(second), Say::FileOnlyIn, Say::FileSizeDiffers, differences);
    return differences;
}
