#include "check/workspace_report.h"

#include <map>
#include <set>

#include "base/environment.h"
#include "files/data_sets.h"

namespace {

LPCWSTR NameOf(Workspace which) { return which == Workspace::Primary ? L"mvtemp" : L"mvtempbk"; }


void NoteUnsafe(WorkspaceReport& report, const std::wstring& where, const std::vector<std::wstring>& links) {
    for (const auto& link : links) report.unsafe.push_back(where + L"\\" + link + L" is a link");
}

void InspectContents(WorkspaceReport& report) {
    const std::wstring& root = report.path;
    report.settings = ScanSettingsFile(report.settingsFile);
    report.records = ReplayRows(report.settingsFile);
    if (report.settings.encoding == SettingsEncoding::Missing) {
        report.problems.push_back(L"settings file Movendo.ini missing");
    } else if (!report.settings.Usable()) {
        report.problems.push_back(std::wstring(L"settings file Movendo.ini is not a usable settings file (") +
                                  EncodingName(report.settings.encoding) + L")");
    }
    for (const auto& duplicate : report.settings.duplicateSections) {
        report.problems.push_back(L"settings file repeats the section [" + duplicate + L"]: a restore reads only the first");
    }
    report.catalogue = CheckCatalogue(report.settings, report.records, root);
    for (const auto& hive : report.catalogue.hives) {
        if (!hive.Present()) {
            report.problems.push_back(L"hive file " + hive.fileName + L" missing");
        } else if (!hive.verdict.whole) {
            report.problems.push_back(L"hive file " + hive.fileName + L" is not whole: " + hive.verdict.detail);
        }
    }
    for (const DataSet& set : kDataSets) {
        TreeScan scan = ScanTree(root + L"\\" + set.workspaceFolder);
        if (!scan.present) report.problems.push_back(std::wstring(L"folder ") + set.workspaceFolder + L" missing");
        if (scan.isLink) report.unsafe.push_back(root + L"\\" + set.workspaceFolder + L" is a link");
        NoteUnsafe(report, root + L"\\" + set.workspaceFolder, scan.links);
        for (const auto& path : scan.tooLong) {
            report.problems.push_back(root + L"\\" + set.workspaceFolder + L"\\" + path + L" has a path too long to restore");
        }
        report.folders.emplace_back(set.workspaceFolder, scan);
    }
    report.mvdMngKind = KindOfEntry(root + L"\\" + kMvdMngIniName, &report.mvdMngSize);
    if (report.mvdMngKind == EntryKind::Link) report.unsafe.push_back(root + L"\\" + kMvdMngIniName + L" is a link");
    // Links among the other entries of the workspace's top level.
    TreeScan top = ScanTree(root);
    for (const auto& link : top.links) {
        bool known = false;
        for (const DataSet& set : kDataSets) known = known || _wcsicmp(link.c_str(), set.workspaceFolder) == 0;
        if (!known && _wcsicmp(link.c_str(), kMvdMngIniName) != 0) report.unsafe.push_back(root + L"\\" + link + L" is a link");
    }
}

}  // namespace

// The workspace is located by the program's own rule, which also names its settings file.
WorkspaceReport InspectWorkspace(Workspace which) {
    WorkspaceReport report;
    report.which = which;
    report.name = NameOf(which);
    CEnvironment env;
    if (!env.FindTempDirectory(which)) return report;
    report.path = env.m_strTempDirectory;
    report.settingsFile = env.m_strIniFile;
    report.kind = KindOfEntry(report.path);
    switch (report.kind) {
    case EntryKind::Missing: report.path.clear(); break;
    case EntryKind::File: report.problems.push_back(L"the workspace is a plain file, not a folder"); break;
    case EntryKind::Link: report.unsafe.push_back(report.path + L" is a link, not a folder: a restore would not use it safely"); break;
    case EntryKind::Folder: InspectContents(report); break;
    }
    return report;
}

namespace {

// Every record of the catalogue as a restore reads it, by "[section] key".
std::map<std::wstring, std::wstring> RecordsOf(const WorkspaceReport& report) {
    std::map<std::wstring, std::wstring> records;
    for (const auto& write : AllRecords(report.records)) {
        records[L"[" + SectionOf(write.root, write.subKey.c_str()) + L"] " + write.name] = write.text;
    }
    return records;
}

template <class Map, class Describe>
void CompareMaps(const Map& a, const Map& b, const std::wstring& what, Describe describe, std::vector<std::wstring>& out) {
    for (const auto& entry : a) {
        auto other = b.find(entry.first);
        if (other == b.end()) {
            out.push_back(what + L" " + entry.first + L" only in mvtemp");
        } else if (other->second != entry.second) {
            out.push_back(what + L" " + entry.first + L" differs: " + describe(entry.second) + L" in mvtemp, " +
                          describe(other->second) + L" in mvtempbk");
        }
    }
    for (const auto& entry : b) {
        if (a.find(entry.first) == a.end()) out.push_back(what + L" " + entry.first + L" only in mvtempbk");
    }
}

std::map<std::wstring, uint64_t> FilesOf(const WorkspaceReport& report) {
    std::map<std::wstring, uint64_t> files;
    for (const auto& folder : report.folders) {
        for (const auto& file : folder.second.files) files[folder.first + L"\\" + file.first] = file.second;
    }
    for (const auto& hive : report.catalogue.hives) {
        if (hive.Present()) files[hive.fileName] = hive.verdict.size;
    }
    if (report.mvdMngKind == EntryKind::File) files[kMvdMngIniName] = report.mvdMngSize;
    return files;
}

}  // namespace

std::vector<std::wstring> CompareWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second) {
    std::vector<std::wstring> differences;
    auto text = [](const std::wstring& value) { return L"\"" + value + L"\""; };
    auto bytes = [](uint64_t size) { return std::to_wstring(size) + L" bytes"; };
    CompareMaps(RecordsOf(primary), RecordsOf(second), L"record", text, differences);
    CompareMaps(FilesOf(primary), FilesOf(second), L"file", bytes, differences);
    return differences;
}
