#include "check/workspace_report.h"

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
        report.problems.push_back(std::wstring(path) + L" is a part file of a copy that a run ended before completing "
                                  L"(not saved data; the next /get removes it)");
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
    // Only the machine tells whether a hive file should be there (/verify): one per existing key.
    for (const auto& hive : report.catalogue.hives) {
        if (!hive.Present()) {
            report.notes.push_back(L"hive file " + hive.fileName + L" missing (saved only where its key exists: /verify tells)");
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
    // Links among the other entries of the workspace's top level (those inside a set's folder are
    // named with the set).
    for (const auto& link : ScanTopLevel(root).links) {
        bool known = false;
        for (const DataSet& set : kDataSets) known = known || _wcsicmp(link.c_str(), set.workspaceFolder) == 0;
        if (!known && _wcsicmp(link.c_str(), kMvdMngIniName) != 0) report.unsafe.push_back(root + L"\\" + link + L" is a link");
    }
    SetPartFilesApart(report);
}

}  // namespace

LPCWSTR TrustName(WorkspaceTrust trust) {
    switch (trust) {
    case WorkspaceTrust::Trusted: return L"only administrators can change it";
    case WorkspaceTrust::OthersCanWrite: return L"others can change it";
    case WorkspaceTrust::ForeignOwner: return L"its owner is someone else";
    case WorkspaceTrust::NoPermissions: return L"its drive keeps no permissions (FAT, exFAT): anyone can change it";
    case WorkspaceTrust::Unreadable: return L"its permissions cannot be read";
    }
    return L"?";
}

namespace {

// A workspace that /set will not use, with what the technician does about it.
void NoteTrust(WorkspaceReport& report) {
    report.trust = JudgeWorkspaceTrust(report.path.c_str());
    if (MayUseWorkspace(report.trust)) return;
    std::wstring what = report.trust == WorkspaceTrust::OthersCanWrite
                            ? L"; Movendo.exe /get secures it before it writes again"
                            : L"";
    report.problems.push_back(std::wstring(L"the workspace: ") + TrustName(report.trust) + L", so /set will neither read nor delete it" +
                              what + L"; as an administrator, check what it holds, then give it the protected permissions (icacls " +
                              report.path + L" /setowner *S-1-5-32-544 /T, then icacls " + report.path +
                              L" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F /T) or delete it");
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
    case EntryKind::Folder:
        NoteTrust(report);
        InspectContents(report);
        break;
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
