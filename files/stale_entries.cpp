#include "files/stale_entries.h"

#include "base/folder_walk.h"
#include "base/whole_copy.h"

namespace {

// The backup's walk, seen without copying: only what its copy would remove.
class StaleVisitor : public MirrorVisitor {
public:
    explicit StaleVisitor(const std::function<void(const StaleEntry&)>& visit) : visit_(visit) {}
    bool IsBackup() const override { return true; }
    bool PrepareFolder(const HeldFolder*, const WIN32_FIND_DATAW* existing, LPCWSTR, LPCWSTR path) override {
        if (existing) visit_(StaleEntry{path, IsFolderEntry(*existing), IsLinkEntry(*existing), StaleReason::KindDiffers});
        return false;
    }
    void File(const MirrorFile& file) override {
        if (file.existing == nullptr) return;
        if (file.copy.verdict == CopyVerdict::DestinationFolder || file.copy.verdict == CopyVerdict::DestinationLink) {
            bool link = IsLinkEntry(*file.existing);
            visit_(StaleEntry{file.to, IsFolderEntry(*file.existing), link, link ? StaleReason::Link : StaleReason::KindDiffers});
        }
    }
    void Stale(const HeldFolder&, const WIN32_FIND_DATAW& entry, LPCWSTR path, StaleReason why) override {
        visit_(StaleEntry{path, IsFolderEntry(entry), IsLinkEntry(entry), why});
    }

private:
    const std::function<void(const StaleEntry&)>& visit_;
};

void RemovePartFilesBelow(const HeldFolder& folder) {
    ForEachFolderEntry(folder.path, [&](const WIN32_FIND_DATAW& entry, LPCWSTR) {
        if (IsLinkEntry(entry)) return;
        if (!IsFolderEntry(entry)) {
            if (IsPartFileName(entry.cFileName)) RemoveInFolder(folder, entry.cFileName, false);
            return;
        }
        HeldFolder below;
        if (HoldSubFolder(folder, entry.cFileName, below) == OpenResult::Opened) RemovePartFilesBelow(below);
    });
}

}  // namespace

void ForEachStaleEntry(LPCWSTR systemRoot, LPCWSTR workspaceRoot, const NameFilter& filter,
                       const std::function<void(const StaleEntry&)>& visit) {
    StaleVisitor stale(visit);
    WalkMirror(systemRoot, workspaceRoot, L"", filter, stale);
}

void ForEachPartFile(LPCWSTR folder, const std::function<void(LPCWSTR)>& visit) {
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        if (IsLinkEntry(entry)) return;
        if (IsFolderEntry(entry)) {
            ForEachPartFile(path, visit);
        } else if (IsPartFileName(entry.cFileName)) {
            visit(path);
        }
    });
}

void RemoveWorkspacePartFiles(LPCWSTR workspace) {
    HeldFolder top;
    if (HoldTopFolder(workspace, top) != OpenResult::Opened) return;
    ForEachFolderEntry(top.path, [&](const WIN32_FIND_DATAW& entry, LPCWSTR) {
        if (!IsLinkEntry(entry) && !IsFolderEntry(entry) && IsPartFileName(entry.cFileName)) {
            RemoveInFolder(top, entry.cFileName, false);
        }
    });
}

void RemoveSystemPartFiles() {
    for (const DataSet& set : kDataSets) {
        HeldSetRoot root;
        if (HoldSystemRoot(set, false, root) == OpenResult::Opened) RemovePartFilesBelow(root.Root());
    }
    HeldFolder folder;
    PathBuffer part;
    if (HoldMvdMngIniFolder(folder) == OpenResult::Opened && FormatPartName(folder, kMvdMngIniName, part)) {
        RemoveInFolder(folder, part, false);
    }
}
