#include "check/verify.h"

#include "base/file_read.h"
#include "check/live_registry.h"
#include "files/data_sets.h"
#include "base/links.h"
#include "platform/handles.h"
#include "procedures/catalogue_walk.h"
#include "registry/record_text.h"
#include "registry/snapshot_table.h"

namespace {

// Walks the catalogue as a backup does, over the live registry: a value counts as carried when
// the backup could write its record, which is what steers the enumerated lists.
class LiveCarrier {
public:
    LiveCarrier(const WorkspaceReport& ws, VerifyReport& out) : ws_(ws), out_(out) {}

    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        DWORD value = 0;
        LiveRead read = ReadLiveNumber(root, subKey, name, value);
        if (read == LiveRead::TooLong) Gap(root, subKey, name, L"its data are longer than the 4 bytes of a number record");
        if (read == LiveRead::OtherType) Gap(root, subKey, name, L"it is not a REG_DWORD of 4 bytes, so a backup saves no record of it");
        if (read != LiveRead::Read) return false;
        Compare(root, subKey, name, false, std::to_wstring(static_cast<int32_t>(value)));
        return true;
    }

    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        WCHAR text[MAX_PATH];
        LiveRead read = ReadLiveText(root, subKey, name, text);
        if (read == LiveRead::TooLong) Gap(root, subKey, name, L"its text is longer than the 259 characters of a record");
        if (read == LiveRead::LineBreak) Gap(root, subKey, name, L"its text holds a line break, which no record can hold");
        if (read != LiveRead::Read) return false;
        if (text[0] == 0) {
            ++out_.values;
            Gap(root, subKey, name, L"its text is empty, and a restore does not write an empty record back");
            return true;
        }
        Compare(root, subKey, name, true, text);
        return true;
    }

    void Snapshot(LPCWSTR fileName, LPCWSTR subKey) {
        if (!LiveKeyExists(HKEY_LOCAL_MACHINE, subKey)) return;
        for (const auto& hive : ws_.catalogue.hives) {
            if (hive.fileName != fileName) continue;
            std::wstring what = std::wstring(ws_.name) + L": hive file " + fileName + L" of HKEY_LOCAL_MACHINE\\" + subKey;
            if (!hive.verdict.whole) {
                out_.gaps.push_back(what + L": " + hive.verdict.detail);
            } else if (hive.verdict.format == HiveFormat::TextRegistry) {
                out_.notes.push_back(what + L": " + hive.verdict.detail);
            }
        }
    }

    size_t compared = 0;        // live values with a record expected
    size_t missingRecords = 0;  // of them without one
    std::vector<std::wstring> recordGaps;

private:
    void Gap(HKEY root, LPCWSTR subKey, LPCWSTR name, const std::wstring& why) {
        out_.gaps.push_back(std::wstring(ws_.name) + L": [" + SectionOf(root, subKey) + L"] " + name + L": " + why);
    }

    void Compare(HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString, const std::wstring& live) {
        ++out_.values;
        ++compared;
        std::wstring saved;
        std::wstring where = std::wstring(ws_.name) + L": [" + SectionOf(root, subKey) + L"] " + name;
        if (!ReadRestoredRecord(ws_.settingsFile, root, subKey, name, isString, saved)) {
            ++missingRecords;
            recordGaps.push_back(where + L": not saved (now \"" + live + L"\")");
        } else if (saved != live) {
            recordGaps.push_back(where + L": differs (now \"" + live + L"\", saved \"" + saved + L"\")");
        }
    }

    const WorkspaceReport& ws_;
    VerifyReport& out_;
};

void VerifyValues(const WorkspaceReport& ws, VerifyReport& out) {
    SettingsEncoding encoding = ws.settings.encoding;
    if (encoding != SettingsEncoding::Missing && encoding != SettingsEncoding::TooLarge && !ws.settings.Usable()) {
        out.gaps.push_back(std::wstring(ws.name) + L": the settings file " + ws.settingsFile + L" is not a usable settings file (" +
                           EncodingName(ws.settings.encoding) + L")");
    }
    LiveCarrier carrier(ws, out);
    for (size_t i = 0; i < kCatalogueRows; ++i) WalkCatalogueRow(carrier, kCatalogue[i]);
    // A settings file that holds none of them is one gap, not hundreds.
    if (carrier.compared > 1 && carrier.missingRecords == carrier.compared) {
        out.gaps.push_back(std::wstring(ws.name) + L": the settings file " + ws.settingsFile + L" holds none of the " +
                           std::to_wstring(carrier.compared) + L" values this machine has");
        return;
    }
    out.gaps.insert(out.gaps.end(), carrier.recordGaps.begin(), carrier.recordGaps.end());
}

std::wstring MatchGap(const FileComparison& comparison) {
    switch (comparison.match) {
    case FileMatch::Same: return std::wstring();
    case FileMatch::Differs: return L"its copy differs in content";
    case FileMatch::SourceUnreadable: return L"unreadable or locked, so a backup cannot copy it";
    case FileMatch::CopyMissing: return L"not in the workspace";
    case FileMatch::CopyUnreadable: return L"its copy cannot be read";
    case FileMatch::SizeDiffers:
        return L"its copy has " + std::to_wstring(comparison.copySize) + L" of its " +
               std::to_wstring(comparison.sourceSize) + L" bytes";
    }
    return L"?";
}

void CompareCopy(LPCWSTR from, LPCWSTR to, const WorkspaceReport& ws, VerifyReport& out) {
    ++out.files;
    std::wstring why = MatchGap(CompareFileContents(from, to));
    if (!why.empty()) out.gaps.push_back(std::wstring(ws.name) + L": " + from + L": " + why);
}

// One data set walked as the backup's copy walks it: the same filter, the same path buffers, no
// link followed.
class DataSetWalk {
public:
    DataSetWalk(const WorkspaceReport& ws, const NameFilter& filter, VerifyReport& out) : ws_(ws), filter_(filter), out_(out) {}

    void Level(LPCWSTR systemRoot, LPCWSTR workspaceRoot, LPCWSTR subPath) {
        PathBuffer source, copy, pattern;
        if (!FormatPath(source, L"%ls%ls", systemRoot, subPath) || !FormatPath(copy, L"%ls%ls", workspaceRoot, subPath) ||
            !FormatPath(pattern, L"%ls\\*", source)) {
            Gap(std::wstring(systemRoot) + subPath, L"a folder whose path is too long to be copied");
            return;
        }
        WIN32_FIND_DATAW entry;
        FindHandle search(FindFirstFileW(pattern, &entry));
        if (!search.Valid()) return;
        do {
            Entry(systemRoot, workspaceRoot, subPath, source, copy, entry);
        } while (FindNextFileW(search.Get(), &entry));
    }

private:
    void Entry(LPCWSTR systemRoot, LPCWSTR workspaceRoot, LPCWSTR subPath, LPCWSTR source, LPCWSTR copy,
               const WIN32_FIND_DATAW& entry) {
        std::wstring path = std::wstring(source) + L"\\" + entry.cFileName;
        if (IsLinkEntry(entry)) {
            Gap(path, L"a link, which a backup does not follow");
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsDotEntry(entry.cFileName)) return;
            PathBuffer sub;
            if (!FormatPath(sub, L"%ls\\%ls", subPath, entry.cFileName)) {
                Gap(path, L"a folder whose path is too long to be copied");
                return;
            }
            Level(systemRoot, workspaceRoot, sub);
        } else if (PassesFilter(filter_, entry.cFileName)) {
            PathBuffer from, to;
            if (!FormatPath(from, L"%ls\\%ls", source, entry.cFileName) || !FormatPath(to, L"%ls\\%ls", copy, entry.cFileName)) {
                Gap(path, L"its path is too long to be copied");
                return;
            }
            CompareCopy(from, to, ws_, out_);
        }
    }

    void Gap(const std::wstring& path, LPCWSTR why) { out_.gaps.push_back(std::wstring(ws_.name) + L": " + path + L": " + why); }

    const WorkspaceReport& ws_;
    const NameFilter& filter_;
    VerifyReport& out_;
};

void VerifyFiles(const WorkspaceReport& ws, VerifyReport& out) {
    for (const DataSet& set : kDataSets) {
        PathBuffer systemRoot, workspaceRoot;
        if (!LocateSystemRoot(set, systemRoot) || !LocateWorkspaceRoot(set, ws.path.c_str(), workspaceRoot)) continue;
        DataSetWalk(ws, set.filter, out).Level(systemRoot, workspaceRoot, L"");
    }
    PathBuffer system, copy;
    if (!FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) ||
        !FormatPath(copy, L"%ls\\%ls", ws.path.c_str(), kMvdMngIniName) || KindOfEntry(system) == EntryKind::Missing) {
        return;
    }
    if (IsLink(system)) {
        out.gaps.push_back(std::wstring(ws.name) + L": " + system + L": a link, which a backup does not copy");
        return;
    }
    CompareCopy(system, copy, ws, out);
}

}  // namespace

VerifyReport VerifyWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second) {
    VerifyReport report;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (!ws->IsFolder()) {
            report.gaps.push_back(std::wstring(ws->name) + L": " + (ws->Found() ? L"not a folder" : L"not found on any drive"));
            continue;
        }
        VerifyValues(*ws, report);
        VerifyFiles(*ws, report);
    }
    return report;
}
