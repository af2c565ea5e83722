#include "check/findings/verify.h"

#include <map>
#include <set>

#include "base/file_read.h"
#include "base/links.h"
#include "check/facts/live_keys.h"
#include "check/facts/progress.h"
#include "check/facts/live_registry.h"
#include "check/findings/key_compare.h"
#include "check/findings/virtual_store.h"
#include "files/data_sets.h"
#include "files/mirror.h"
#include "files/stale_entries.h"
#include "procedures/catalogue_walk.h"
#include "registry/record_text.h"
#include "registry/snapshot_keys.h"
#include "registry/snapshot_table.h"

namespace {

// The bytes /set writes for a text: its characters and the terminator, as REG_SZ.
std::string WrittenBytes(const std::wstring& text) {
    std::wstring terminated = text + L'\0';
    return std::string(reinterpret_cast<const char*>(terminated.c_str()), terminated.size() * sizeof(WCHAR));
}

// The backup's reads of the live values, each made once for both workspaces.
class LiveReads {
public:
    struct Read {
        LiveRead read;
        DWORD type;
        DWORD number;
        std::wstring text;
    };
    const Read& Number(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        return Find(root, subKey, name, [&](Read& at) { at.read = ReadLiveNumber(root, subKey, name, at.number); });
    }
    const Read& Text(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        return Find(root, subKey, name, [&](Read& at) {
            WCHAR text[MAX_PATH];
            at.read = ReadLiveText(root, subKey, name, text, &at.type);
            if (at.read == LiveRead::Read) at.text = text;
        });
    }

private:
    template <class Make>
    const Read& Find(HKEY root, LPCWSTR subKey, LPCWSTR name, Make make) {
        auto inserted = reads_.emplace(RecordKey(root, subKey, name), Read{LiveRead::Missing, REG_NONE, 0, std::wstring()});
        if (inserted.second) make(inserted.first->second);
        return inserted.first->second;
    }
    std::map<std::wstring, Read> reads_;
};

// Walks the catalogue as a backup does, over the live registry: a value counts as carried when
// the backup could write its record, which is what steers the enumerated lists. Each record is
// the one the workspace's inspection read once; the records no live value accounts for are left.
class LiveCarrier {
public:
    LiveCarrier(const WorkspaceReport& ws, VerifyReport& out, LiveReads& live) : ws_(ws), out_(out), live_(live) {
        for (const auto& write : AllRecords(ws.records)) records_[RecordKey(write.root, write.subKey, write.name)] = write;
    }

    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        const LiveReads::Read& live = live_.Number(root, subKey, name);
        Account(root, subKey, name, live.read, false);
        if (live.read != LiveRead::Read) return false;
        Compare(root, subKey, name, NumberText(live.number));
        return true;
    }

    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) {
        const LiveReads::Read& live = live_.Text(root, subKey, name);
        Account(root, subKey, name, live.read, true);
        if (live.read != LiveRead::Read) return false;
        DWORD type = live.type;
        LPCWSTR text = live.text.c_str();
        if (type == REG_MULTI_SZ) Gap(Say::MultiString, root, subKey, name);
        else if (type != REG_SZ) Gap(Say::OtherStringType, root, subKey, name, {}, static_cast<int>(type));
        else NameBytesLost(root, subKey, name, text);
        if (text[0] == 0 && Record(root, subKey, name) == nullptr) {
            ++out_.values;
            out_.notes.push_back({Say::EmptyText, Where(root, subKey, name)});
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
            recordGaps.push_back({Say::RecordForeign, Where(write.root, write.subKey.c_str(), write.name.c_str(), {write.recordText})});
        }
    }

    size_t compared = 0;        // live values with a record expected
    size_t missingRecords = 0;  // of them without one
    Findings recordGaps;

private:
    // The workspace, the section and the value name, then what else the finding names.
    std::vector<std::wstring> Where(HKEY root, LPCWSTR subKey, LPCWSTR name, std::vector<std::wstring> more = {}) const {
        std::vector<std::wstring> names = {ws_.name, SectionOf(root, subKey), name};
        names.insert(names.end(), more.begin(), more.end());
        return names;
    }
    void Gap(Say what, HKEY root, LPCWSTR subKey, LPCWSTR name, std::vector<std::wstring> more = {}, int detail = 0) {
        out_.gaps.push_back({what, Where(root, subKey, name, more), detail});
    }

    // A REG_SZ whose data are not what /set writes back for its text: an odd length, a NUL before
    // the end (the text is cut at it), no terminator, or anything after it.
    void NameBytesLost(HKEY root, LPCWSTR subKey, LPCWSTR name, LPCWSTR text) {
        LiveValue live = ReadLiveValue(root, subKey, name);
        std::string data(live.data.begin(), live.data.end());
        if (live.state == LiveState::Present && data != WrittenBytes(text)) {
            Gap(Say::TextNotByteForByte, root, subKey, name, {std::to_wstring(data.size()), std::to_wstring(WrittenBytes(text).size())});
        }
    }

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
        case LiveRead::Unreadable: return Gap(Say::ValueUnreadable, root, subKey, name);
        case LiveRead::TooLong: return Gap(isString ? Say::TextTooLong : Say::NumberTooLong, root, subKey, name);
        case LiveRead::OtherType: return Gap(Say::NotANumber, root, subKey, name);
        case LiveRead::LineBreak: return Gap(Say::TextWithLineBreak, root, subKey, name);
        }
    }

    void Compare(HKEY root, LPCWSTR subKey, LPCWSTR name, const std::wstring& live) {
        TickProgress();
        ++out_.values;
        ++compared;
        const ReplayedWrite* saved = Record(root, subKey, name);
        if (saved == nullptr) {
            ++missingRecords;
            recordGaps.push_back({Say::ValueNotSaved, Where(root, subKey, name, {live})});
        } else if (saved->ReadsAsAnotherNumber()) {
            recordGaps.push_back({Say::RecordReadsAsAnotherNumber, Where(root, subKey, name, {saved->recordText, saved->text, live})});
        } else if (saved->text != live) {
            recordGaps.push_back({Say::ValueDiffersFromRecord, Where(root, subKey, name, {live, saved->text})});
        }
    }

    const WorkspaceReport& ws_;
    VerifyReport& out_;
    LiveReads& live_;
    std::map<std::wstring, ReplayedWrite> records_;
    std::set<std::wstring> accounted_;
};

void VerifyValues(const WorkspaceReport& ws, VerifyReport& out, LiveReads& live) {
    SettingsEncoding encoding = ws.settings.encoding;
    if (encoding != SettingsEncoding::Missing && encoding != SettingsEncoding::TooLarge && !ws.settings.Usable()) {
        out.gaps.push_back({Say::SettingsNotUsable, {ws.name, ws.settingsFile}, static_cast<int>(encoding)});
    }
    LiveCarrier carrier(ws, out, live);
    for (size_t i = 0; i < kCatalogueRows; ++i) WalkCatalogueRow(carrier, kCatalogue[i]);
    carrier.NameForeignRecords();
    // A settings file that holds none of them is one gap, not hundreds.
    if (carrier.compared > 1 && carrier.missingRecords == carrier.compared) {
        out.gaps.push_back({Say::SettingsHoldsNone, {ws.name, ws.settingsFile, std::to_wstring(carrier.compared)}});
        return;
    }
    out.gaps.insert(out.gaps.end(), carrier.recordGaps.begin(), carrier.recordGaps.end());
}

// Each difference of a saved key from the live one, named with the key.
void CompareWithLive(const std::vector<std::wstring>& what, const HiveCheck& hive, LPCWSTR subKey, VerifyReport& out) {
    LiveKey live = ReadLiveKey(HKEY_LOCAL_MACHINE, subKey);
    if (live.partly) out.gaps.push_back({Say::HiveKeyPartlyRead, what});
    for (const auto& difference : CompareKeys(hive.file.tree, live.tree)) {
        std::vector<std::wstring> names = what;
        names.insert(names.end(), {difference.key, difference.value});
        out.gaps.push_back({Say::HiveKeyDiffers, names, static_cast<int>(difference.change),
                            {{difference.live.type, difference.live.data}, {difference.saved.type, difference.saved.data}}});
    }
}

// A hive file is expected exactly where its key exists, holding what the key holds.
void VerifyHives(const WorkspaceReport& ws, VerifyReport& out) {
    for (size_t i = 0; i < kSnapshotCount && i < ws.catalogue.hives.size(); ++i) {
        const HiveCheck& hive = ws.catalogue.hives[i];
        std::vector<std::wstring> what = {ws.name, hive.fileName, kSnapshotTable[i].subKey};
        switch (ProbeSnapshotKey(kSnapshotTable[i].subKey)) {
        case KeyPresence::Missing:
            if (hive.Present()) out.gaps.push_back({Say::HiveWithoutKey, what});
            break;
        case KeyPresence::Unreadable: out.gaps.push_back({Say::HiveKeyUnreadable, what}); break;
        case KeyPresence::Present:
            if (!hive.Present()) {
                out.gaps.push_back({Say::HiveMissingForKey, what});
            } else if (!hive.file.whole) {
                out.gaps.push_back(HiveDamageFinding(Say::HiveDamaged, what, hive.file));
            } else {
                ++out.keys;
                CompareWithLive(what, hive, kSnapshotTable[i].subKey, out);
            }
            break;
        }
    }
}

Say MatchGap(FileMatch match) {
    switch (match) {
    case FileMatch::Same: break;
    case FileMatch::Differs: return Say::CopyDiffers;
    case FileMatch::SourceUnreadable: return Say::CopySourceUnreadable;
    case FileMatch::CopyMissing: return Say::CopyMissing;
    case FileMatch::CopyUnreadable: return Say::CopyUnreadable;
    case FileMatch::SizeDiffers: return Say::CopySizeDiffers;
    }
    return Say::CopyDiffers;
}

void CompareCopy(LPCWSTR from, LPCWSTR to, const WorkspaceReport& ws, VerifyReport& out) {
    TickProgress();
    ++out.files;
    FileComparison comparison = CompareFileContents(from, to);
    if (comparison.match == FileMatch::Same) return;
    out.gaps.push_back({MatchGap(comparison.match), {ws.name, from, std::to_wstring(comparison.copySize), std::to_wstring(comparison.sourceSize)}});
}

Say SkipGap(MirrorSkip why) {
    switch (why) {
    case MirrorSkip::Link: return Say::CopyLink;
    case MirrorSkip::TooLong: return Say::CopyTooLong;
    case MirrorSkip::NameUnreachable: return Say::CopyNameUnreachable;
    case MirrorSkip::Unreadable: break;
    }
    return Say::CopyFolderUnreadable;
}

// Links and part files are named with the workspace; every other stale entry is a gap here.
bool StaleGap(StaleReason reason, Say& what) {
    switch (reason) {
    case StaleReason::Gone: what = Say::StaleGone; return true;
    case StaleReason::Filtered: what = Say::StaleFiltered; return true;
    case StaleReason::KindDiffers: what = Say::StaleKindDiffers; return true;
    case StaleReason::PartFile:
    case StaleReason::Link: break;
    }
    return false;
}

// The backup's own copy walk, comparing where it copies and naming what its copy would remove:
// the same filter, the same judgement of each file, the same entries passed over, in one walk.
class CopyComparison : public MirrorVisitor {
public:
    CopyComparison(const WorkspaceReport& ws, VerifyReport& out) : ws_(ws), out_(out) {}
    bool IsBackup() const override { return true; }
    bool PrepareFolder(const HeldFolder*, const WIN32_FIND_DATAW* existing, LPCWSTR, LPCWSTR path) override {
        if (existing) Stale(StaleReason::KindDiffers, path);
        return false;
    }
    void File(const MirrorFile& file) override {
        if (file.copy.verdict == CopyVerdict::SourceHardLink) return out_.gaps.push_back({Say::CopyHardLink, {ws_.name, file.from}});
        if (file.existing && file.copy.verdict == CopyVerdict::DestinationFolder) Stale(StaleReason::KindDiffers, file.to);
        CompareCopy(file.from, file.to, ws_, out_);
    }
    void Skipped(LPCWSTR path, MirrorSkip why) override { out_.gaps.push_back({SkipGap(why), {ws_.name, path}}); }
    void Stale(const HeldFolder&, const WIN32_FIND_DATAW&, LPCWSTR path, StaleReason why) override { Stale(why, path); }

private:
    void Stale(StaleReason why, LPCWSTR path) {
        Say what;
        if (StaleGap(why, what)) out_.gaps.push_back({what, {ws_.name, path}});
    }
    const WorkspaceReport& ws_;
    VerifyReport& out_;
};

void VerifyDataSet(const WorkspaceReport& ws, const DataSet& set, VerifyReport& out) {
    PathBuffer systemRoot, workspaceRoot;
    if (!LocateWorkspaceRoot(set, ws.path.c_str(), workspaceRoot)) return;
    if (!LocateSystemRoot(set, systemRoot)) {
        out.gaps.push_back({Say::SetUnreachable, {ws.name, set.workspaceFolder}});
        return;
    }
    CopyComparison comparison(ws, out);
    WalkMirror(systemRoot, workspaceRoot, L"", set.filter, comparison);
}

void VerifyMvdMng(const WorkspaceReport& ws, VerifyReport& out) {
    PathBuffer system, copy;
    if (!FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) || !FormatPath(copy, L"%ls\\%ls", ws.path.c_str(), kMvdMngIniName)) {
        return;
    }
    if (KindOfEntry(std::wstring(system)) == EntryKind::Missing) {
        if (ws.mvdMngKind == EntryKind::File) out.gaps.push_back({Say::MvdMngGone, {ws.name, copy, system}});
        return;
    }
    if (IsLink(system)) {
        out.gaps.push_back({Say::MvdMngLink, {ws.name, system}});
        return;
    }
    CompareCopy(system, copy, ws, out);
}

// The program reads HKEY_CURRENT_USER and the local application data of the account it runs as:
// when the user of the session it runs in is another account, the rows and the data set of those
// are that account's, not the suite user's.
void VerifyAccount(const Accounts& accounts, VerifyReport& out) {
    if (accounts.interactive.empty() || accounts.runner.empty() || _wcsicmp(accounts.interactive.c_str(), accounts.runner.c_str()) == 0) return;
    std::wstring rows, sets;
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        if (kCatalogue[i].root == HKEY_CURRENT_USER) rows += (rows.empty() ? L"C" : L", C") + std::to_wstring(kCatalogue[i].label);
    }
    for (const DataSet& set : kDataSets) {
        if (set.csidl == CSIDL_LOCAL_APPDATA) sets += (sets.empty() ? L"" : L", ") + std::wstring(set.workspaceFolder);
    }
    out.gaps.push_back({Say::OtherAccount, {accounts.runner, accounts.interactive, rows, sets, L"session " + std::to_wstring(accounts.session)}});
}

// A file of the suite that /get passes over by its name alone is named here, as /preview names it:
// a name ending in ".mvpart" is a part file to the program, never carried and removed by /set.
void VerifyPartFiles(VerifyReport& out) {
    auto gap = [&](LPCWSTR path) { out.gaps.push_back({Say::SuitePartFile, {path}}); };
    for (const DataSet& set : kDataSets) {
        PathBuffer root;
        if (LocateSystemRoot(set, root)) ForEachPartFile(root, gap);
    }
    PathBuffer system, part;
    if (FormatPath(system, L"%ls%ls", kMvdMngIniFolder, kMvdMngIniName) && FormatPartPath(system, part) && KindOfEntry(std::wstring(part)) == EntryKind::File) {
        gap(part);
    }
}

}  // namespace

VerifyReport VerifyWorkspaces(const WorkspaceReport& primary, const WorkspaceReport& second, const Accounts& accounts) {
    VerifyReport report;
    VerifyAccount(accounts, report);
    VerifyPartFiles(report);
    CheckVirtualStore(report.gaps, report.notes);
    LiveReads live;
    for (const WorkspaceReport* ws : {&primary, &second}) {
        if (!ws->IsFolder()) {
            report.gaps.push_back({ws->Found() ? Say::NotAFolder : Say::NotFound, {ws->name}});
            continue;
        }
        VerifyValues(*ws, report, live);
        VerifyHives(*ws, report);
        for (const DataSet& set : kDataSets) VerifyDataSet(*ws, set, report);
        VerifyMvdMng(*ws, report);
    }
    return report;
}
