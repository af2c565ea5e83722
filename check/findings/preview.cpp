#include "check/findings/preview.h"

#include <cwctype>
#include <map>

#include "check/facts/progress.h"
#include "check/findings/catalogue_check.h"
#include "check/facts/live_registry.h"
#include "check/findings/preview_files.h"
#include "check/facts/restore_replay.h"
#include "registry/snapshot_table.h"

namespace {

// What the two restores would write, the second overriding the first, in first-written order.
std::vector<ReplayedWrite> MergedWrites(const WorkspaceReport& primary, const WorkspaceReport& second) {
    std::vector<ReplayedWrite> merged;
    std::map<std::wstring, size_t> index;
    for (const WorkspaceReport* report : {&primary, &second}) {
        if (!report->UsedByRestore()) continue;
        for (auto& write : InRestoreOrder(report->records)) {
            std::wstring key = UpperCase(SectionOf(write.root, write.subKey.c_str()) + L"|" + write.name);
            auto it = index.find(key);
            if (it == index.end()) {
                index[key] = merged.size();
                merged.push_back(write);
            } else {
                merged[it->second] = write;
            }
        }
    }
    return merged;
}

void NameTypeChange(const LiveValue& live, ValueChange& change) {
    if (live.type == REG_MULTI_SZ) change.details.push_back(ValueDetail::NowMultiString);
    if (live.type == REG_EXPAND_SZ) change.details.push_back(ValueDetail::NowExpandString);
}

bool SameAsLive(const ReplayedWrite& write, const LiveValue& live) {
    if (write.isString) return live.type == REG_SZ && live.AsText() == write.text;
    return live.type == REG_DWORD && live.data.size() == 4 && live.AsText() == write.text;
}

ValueChange CompareWithLive(const ReplayedWrite& write) {
    TickProgress();
    ValueChange change;
    change.section = SectionOf(write.root, write.subKey.c_str());
    change.name = write.name;
    change.saved = write.text;
    change.isString = write.isString;
    change.recordText = write.recordText;
    if (write.ReadsAsAnotherNumber()) change.details.push_back(ValueDetail::RecordReadsAs);
    LiveValue live = ReadLiveValue(write.root, write.subKey, write.name);
    change.live = live.state == LiveState::Present ? live.AsText() : std::wstring();
    switch (live.state) {
    case LiveState::MissingKey: change.outcome = ValueOutcome::MissingKey; break;
    case LiveState::Unreadable: change.outcome = ValueOutcome::Unreadable; break;
    // A value the machine lacks says nothing of where the record came from: a reinstall makes the
    // suite's keys without most of their values, and restoring those is what /set is for.
    case LiveState::MissingValue: change.outcome = ValueOutcome::MissingValue; break;
    case LiveState::Present:
        change.outcome = SameAsLive(write, live) ? ValueOutcome::Same : ValueOutcome::Different;
        if (write.isString) NameTypeChange(live, change);
        break;
    }
    return change;
}

// The saved values that a restore never writes back, beside what the machine holds.
void AddUnrestoredValues(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        if (row.restored) continue;
        ForEachValueName(row, [&](LPCWSTR name) {
            std::wstring section = SectionOf(row.root, row.subKey);
            ValueChange change;
            change.section = section;
            change.name = name;
            change.outcome = ValueOutcome::NotRestored;
            for (const WorkspaceReport* report : {&primary, &second}) {
                if (report->UsedByRestore()) ReadRestoredRecord(report->settingsFile, row.root, row.subKey, name, row.kind == RowKind::String, change.saved);
            }
            LiveValue live = ReadLiveValue(row.root, row.subKey, name);
            change.live = live.state == LiveState::Present ? live.AsText() : std::wstring();
            preview.values.push_back(change);
        });
    }
}

bool HiveIn(const WorkspaceReport& report, size_t row) {
    return report.UsedByRestore() && report.catalogue.hives.size() > row && report.catalogue.hives[row].Present();
}

void AddSnapshots(const WorkspaceReport& primary, const WorkspaceReport& second, PreviewReport& preview) {
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        std::wstring key = SectionOf(HKEY_LOCAL_MACHINE, kSnapshotTable[i].subKey);
        std::wstring file = kSnapshotTable[i].fileName;
        // The last run that loads a hive file decides what the key holds.
        const WorkspaceReport* last = HiveIn(second, i) ? &second : &primary;
        std::vector<const WorkspaceReport*> runs = {&primary};
        if (last == &second) runs.push_back(&second);
        if (!HiveIn(primary, i) && !HiveIn(second, i)) {
            preview.snapshots.push_back({key, file, std::wstring(), SnapshotOutcome::NotSaved});
            continue;
        }
        switch (KeyAtSnapshotLoad(i, runs)) {
        case KeyPresence::Missing: preview.snapshots.push_back({key, file, last->name, SnapshotOutcome::KeyMissing}); break;
        case KeyPresence::Unreadable: preview.snapshots.push_back({key, file, last->name, SnapshotOutcome::KeyUnreadable}); break;
        case KeyPresence::Present:
            preview.snapshots.push_back({key, file, last->name, SnapshotOutcome::Replaced});
            preview.hives.push_back({key, last->path + L"\\" + file, &last->catalogue.hives[i].file});
            break;
        }
    }
}

}  // namespace

KeyPresence KeyAtSnapshotLoad(size_t snapshot, const std::vector<const WorkspaceReport*>& runs) {
    LPCWSTR snapshotKey = kSnapshotTable[snapshot].subKey;
    KeyPresence live = ProbeSnapshotKey(snapshotKey);
    if (live != KeyPresence::Missing) return live;
    for (size_t r = 0; r < runs.size(); ++r) {
        if (!runs[r]->UsedByRestore()) continue;
        // The last run counts only the rows it writes before its snapshots.
        for (size_t i = 0; i < kRestoreOrderCount; ++i) {
            const CatalogueRow& row = CatalogueRowByLabel(kRestoreOrder[i]);
            if (row.kind == RowKind::Snapshots && r + 1 == runs.size()) break;
            for (const auto& write : runs[r]->records[static_cast<size_t>(&row - kCatalogue)]) {
                if (WriteCreatesSnapshotKey(snapshotKey, write.root, write.subKey.c_str())) return KeyPresence::Present;
            }
        }
    }
    return KeyPresence::Missing;
}

PreviewReport PreviewRestore(const WorkspaceReport& primary, const WorkspaceReport& second) {
    PreviewReport preview;
    preview.writes = MergedWrites(primary, second);
    for (const auto& write : preview.writes) {
        ValueChange change = CompareWithLive(write);
        if (change.outcome == ValueOutcome::Same) {
            ++preview.unchanged;
        } else {
            preview.values.push_back(change);
        }
    }
    AddUnrestoredValues(primary, second, preview);
    AddSnapshots(primary, second, preview);
    AddDataFiles(primary, second, preview);
    AddSavePathFolders(primary, second, preview);
    return preview;
}
