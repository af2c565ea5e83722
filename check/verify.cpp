#include "check/verify.h"

#include <map>
#include <set>

#include "base/file_read.h"
#include "base/links.h"
#include "check/live_registry.h"
#include "files/data_sets.h"
#include "files/mirror.h"
#include "files/stale_entries.h"
#include "procedures/catalogue_walk.h"
#include "registry/record_text.h"
#include "registry/snapshot_keys.h"
#include "registry/snapshot_table.h"

namespace {

const wchar_t kBringsBack[] = L"/set would bring back what this machine no longer has";

LPCWSTR TypeName(DWORD type) {
    switch (type) {
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_DWORD: return L"REG_DWORD";
    case REG_BINARY: return L"REG_BINARY";
    case REG_NONE: return L"REG_NONE";
    }
    return L"a type other than REG_SZ";
}

// Walks the catalogue as a backup does, over the live registry: a value counts as carried when
// the backup could write its record, which is what steers the enumerated lists. Each record is
// the one the workspace's inspection read once; the records no live value accounts for are left.
class LiveCarrier {
public:
    LiveCarrier(const WorkspaceReport& ws, VerifyReport& out) : ws_(ws), out_(out) {
        for (const auto& write : AllRecords(ws.records)) records_[RecordKey(write.root, write.subKey, write.name)] = write;
    }

    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        DWORD value = 0;
        LiveRead read = ReadLiveNumber(root, subKey, name, value);
        Account(root, subKey, name, read, false);
        if (read != LiveRead::Read) return false;
        Compare(root, subKey, name, NumberText(value));
        return true;
    }

    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        WCHAR text[MAX_PATH];
        DWORD type = REG_NONE;
        LiveRead read = ReadLiveText(root, subKey, name, text, &type);
        Account(root, subKey, name, read, true);
        if (read != LiveRead::Read) return false;
        if (type == REG_MULTI_SZ) Gap(root, subKey, name, L"a REG_MULTI_SZ value, which /set writes back as REG_SZ holding its first string only");
        else if (type != REG_SZ) Gap(root, subKey, name, std::wstring(L"a ") + TypeName(type) + L" value, which /set writes back as REG_SZ");
        if (text[0] == 0 && Record(root, subKey, name) == nullptr) {
            ++out_.values;
            out_.notes.push_back(Where(root, subKey, name) + L": its text is empty, so no record is saved: /set leaves the installed value");
            return true;
        }
        Compare(root, subKey, name, text);
        return true;
    }

    void Snapshot(LPCWSTR, LPCWSTR) {}

    // The records that no value of this machine accounts for.
    void NameForeignRecords() {
        for (const auto& record : records_) {
            if (accounted_.count(record.first)) continue;
            const ReplayedWrite& write = record.second;
            recordGaps.push_back(Where(write.root, write.subKey.c_str(), write.name.c_str()) + L": saved \"" + write.recordText +
                                 L"\", but this machine has no such value: " + kBringsBack);
        }
    }

    size_t compared = 0;        // live values with a record expected
    size_t missingRecords = 0;  // of them without one
    std::vector<std::wstring> recordGaps;

private:
    std::wstring Where(HKEY root, LPCWSTR subKey, LPCWSTR name) const {
        return ws_.name + L": [" + SectionOf(root, subKey) + L"] " + name;
    }
    void Gap(HKEY root, LPCWSTR subKey, LPCWSTR name, const std::wstring& why) { out_.gaps.push_back(Where(root, subKey, name) + L": " + why); }

    const ReplayedWrite* Record(HKEY root, LPCWSTR subKey, LPCWSTR name) const {
        auto it = records_.find(RecordKey(root, subKey, name));
        return it == records_.end() ? nullptr : &it->second;
    }

    // Every value the machine has accounts for its record; the reads that save none are named.
    void Account(HKEY root, LPCWSTR subKey, LPCWSTR name, LiveRead read, bool isString) {
        if (read != LiveRead::Missing) accounted_.insert(RecordKey(root, subKey, name));
        switch (read) {
        case LiveRead::Read:
        case LiveRead::Missing: return;
        case LiveRead::Unreadable: return Gap(root, subKey, name, L"it exists but cannot be read, so a backup saves no record of it");
        case LiveRead::TooLong:
            return Gap(root, subKey, name, isString ? L"its text is longer than the 259 characters of a record"
                                                    : L"its data are longer than the 4 bytes of a number record");
        case LiveRead::OtherType: return Gap(root, subKey, name, L"it is not a REG_DWORD of 4 bytes, so a backup saves no record of it");
        case LiveRead::LineBreak: return Gap(root, subKey, name, L"its text holds a line break, which no record can hold");
        }
    }

    void Compare(HKEY root, LPCWSTR subKey, LPCWSTR name, const std::wstring& live) {
        ++out_.values;
        ++compared;
        const ReplayedWrite* saved = Record(root, subKey, name);
        std::wstring where = Where(root, subKey, name);
        if (saved == nullptr) {
            ++missingRecords;
            recordGaps.push_back(where + L": not saved (now \"" + live + L"\")");
        } else if (saved->ReadsAsAnotherNumber()) {
            recordGaps.push_back(where + L": its record \"" + saved->recordText + L"\" is read by /set as " + saved->text + L" (now \"" + live + L"\")");
        } else if (saved->text != live) {
            recordGaps.push_back(where + L": differs (now \"" + live + L"\", saved \"" + saved->text + L"\")");
        }
    }

    const WorkspaceReport& ws_;
    VerifyReport& out_;
    std::map<std::wstring, ReplayedWrite> records_;
    std::set<std::wstring> accounted_;
};

void VerifyValues(const WorkspaceReport& ws, VerifyReport& out) {
    SettingsEncoding encoding = ws.settings.encoding;
    if (encoding != SettingsEncoding::Missing && encoding != SettingsEncoding::TooLarge && !ws.settings.Usable()) {
        out.gaps.push_back(ws.name + L": the settings file " + ws.settingsFile + L" is not a usable settings file (" +
                           EncodingName(ws.settings.encoding) + L")");
    }
    LiveCarrier carrier(ws, out);
    for (size_t i = 0; i < kCatalogueRows; ++i) WalkCatalogueRow(carrier, kCatalogue[i]);
    carrier.NameForeignRecords();
    // A settings file that holds none of them is one gap, not hundreds.
    if (carrier.compared > 1 && carrier.missingRecords == carrier.compared) {
        out.gaps.push_back(ws.name + L": the settings file " + ws.settingsFile + L" holds none of the " +
                           std::to_wstring(carrier.compared) + L" values this machine has");
        return;
    }
    out.gaps.insert(out.gaps.end(), carrier.recordGaps.begin(), carrier.recordGaps.end());
}

// A hive file is expected exactly where its key exists.
void VerifyHives(const WorkspaceReport& ws, VerifyReport& out) {
    for (size_t i = 0; i < kSnapshotCount && i < ws.catalogue.hives.size(); ++i) {
        const HiveCheck& hive = ws.catalogue.hives[i];
        std::wstring what = ws.name + L": hive file " + hive.fileName + L" of HKEY_LOCAL_MACHINE\\" + kSnapshotTable[i].subKey;
        switch (ProbeSnapshotKey(kSnapshotTable[i].subKey)) {
        case KeyPresence::Missing:
            if (hive.Present()) out.gaps.push_back(what + L": the key does not exist on this machine: " + kBringsBack);
            break;
        case KeyPresence::Unreadable: out.gaps.push_back(what + L": the key exists but cannot be opened, so a backup cannot save it"); break;
        case KeyPresence::Present:
            if (!hive.verdict.whole) {
                out.gaps.push_back(what + L": " + (hive.Present() ? hive.verdict.detail : std::wstring(L"missing, though the key exists")));
            } else if (hive.verdict.format == HiveFormat::TextRegistry) {
                out.notes.push_back(what + L": " + hive.verdict.detail);
            }
            break;
        }
    }
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
    if (!why.empty()) out.gaps.push_back(ws.name + L": " + from + L": " + why);
}

// The backup's own copy walk, comparing where it copies: the same filter, the same path buffers,
// the same entries passed over.
class CopyComparison : public MirrorVisitor {
public:
    CopyComparison(const WorkspaceReport& ws, VerifyReport& out) : ws_(ws), out_(out) {}
    void File(const MirrorFile& file) override {
        if (file.copy.verdict == CopyVerdict::SourceHardLink) {
            out_.gaps.push_back(ws_.name + L": " + file.from + L": not carried: a hard link");
            return;
        }
        CompareCopy(file.from, file.to, ws_, out_);
    }
    void Skipped(LPCWSTR path, MirrorSkip why) override {
        LPCWSTR reason = why == MirrorSkip::Link              ? L"a link, which a backup does not follow"
                         : why == MirrorSkip::TooLong         ? L"its path is too long to be copied"
                         : why == MirrorSkip::NameUnreachable ? L"a name ending in a dot or a blank, which no path can name"
                                                              : L"a folder that cannot be opened";
        out_.gaps.push_back(ws_.name + L": " + path + L": " + reason);
    }

private:
    const WorkspaceReport& ws_;
    VerifyReport& out_;
};

LPCWSTR StaleWhy(StaleReason reason) {
    switch (reason) {
    case StaleReason::Gone: return L"this machine has no such entry";
    case StaleReason::Filtered: return L"a file of a name the backup does not carry";
    case StaleReason::KindDiffers: return L"a file where this machine has a folder, or a folder where it has a file";
    case StaleReason::PartFile:
    case StaleReason::Link: break;
    }
    return nullptr;
}

// Links and part files are named with the workspace; every other stale entry is a gap here.
void VerifyDataSet(const WorkspaceReport& ws, const DataSet& set, VerifyReport& out) {
    PathBuffer systemRoot, workspaceRoot;
    if (!LocateWorkspaceRoot(set, ws.path.c_str(), workspaceRoot)) return;
    if (!LocateSystemRoot(set, systemRoot)) {
        out.gaps.push_back(ws.name + L": " + set.workspaceFolder + L": the set's folder on this machine cannot be reached "
                           L"(a folder on the way is a link, or its path is too long), so a backup copies nothing of it");
        return;
    }
    CopyComparison comparison(ws, out);
    WalkMirror(systemRoot, workspaceRoot, L"", set.filter, comparison);
    ForEachStaleEntry(systemRoot, workspaceRoot, set.filter, [&](const StaleEntry& entry) {
        LPCWSTR why = StaleWhy(entry.reason);
        if (why) out.gaps.push_back(ws.name + L": " + entry.path + L": " + why + L": " + kBringsBack);
    });
}

void VerifyMvdMng(const WorkspaceReport& ws, VerifyReport& out) {
    PathBuffer system, copy;
    if (!FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) || !FormatPath(copy, L"%ls\\%ls", ws.path.c_str(), kMvdMngIniName)) {
        return;
    }
    if (KindOfEntry(std::wstring(system)) == EntryKind::Missing) {
        if (ws.mvdMngKind == EntryKind::File) out.gaps.push_back(ws.name + L": " + std::wstring(copy) + L": this machine has no " + std::wstring(system) + L": " + kBringsBack);
        return;
    }
    if (IsLink(system)) {
        out.gaps.push_back(ws.name + L": " + std::wstring(system) + L": a link, which a backup does not copy");
        return;
    }
    CompareCopy(system, copy, ws, out);
}

}  // namespace

VerifyReport VerifyWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second) {
    VerifyReport report;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (!ws->IsFolder()) {
            report.gaps.push_back(ws->name + L": " + (ws->Found() ? L"not a folder" : L"not found on any drive"));
            continue;
        }
        VerifyValues(*ws, report);
        VerifyHives(*ws, report);
        for (const DataSet& set : kDataSets) VerifyDataSet(*ws, set, report);
        VerifyMvdMng(*ws, report);
    }
    return report;
}
