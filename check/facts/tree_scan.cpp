#include "check/facts/tree_scan.h"

#include "base/path_buffer.h"
#include "base/links.h"
#include "platform/handles.h"

namespace {

uint64_t SizeOf(const WIN32_FIND_DATAW& data) {
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void ScanLevel(LPCWSTR folder, const std::wstring& relative, TreeScan& scan, bool deep) {
    PathBuffer pattern;
    if (!FormatPath(pattern, L"%ls\\*", folder)) {
        scan.tooLong.push_back(relative);
        return;
    }
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(pattern, &data));
    if (!find.Valid()) return;
    do {
        if (IsDotEntry(data.cFileName)) continue;
        std::wstring childRelative = relative.empty() ? data.cFileName : relative + L"\\" + data.cFileName;
        PathBuffer child;
        if (!FormatPath(child, L"%ls\\%ls", folder, data.cFileName)) {
            scan.tooLong.push_back(childRelative);
            continue;
        }
        if (IsLinkEntry(data)) {
            scan.links.push_back(childRelative);
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (deep) ScanLevel(child, childRelative, scan, deep);
        } else {
            scan.files[childRelative] = SizeOf(data);
            scan.bytes += SizeOf(data);
        }
    } while (FindNextFileW(find.Get(), &data));
}

}  // namespace

EntryKind KindOfEntry(const std::wstring& path, uint64_t* size) {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(path.c_str(), &data));
    if (!find.Valid()) return EntryKind::Missing;
    if (size) *size = SizeOf(data);
    if (IsLinkEntry(data)) return EntryKind::Link;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File;
}

EntryKind JudgeEntry(const std::wstring& path, uint64_t* size) {
    EntryKind kind = KindOfEntry(path, size);
    return kind != EntryKind::Missing && IsLink(path.c_str()) ? EntryKind::Link : kind;
}

TreeScan ScanTree(const std::wstring& folder) {
    TreeScan scan;
    EntryKind kind = KindOfEntry(folder);
    scan.present = kind == EntryKind::Folder || kind == EntryKind::Link;
    scan.isLink = kind == EntryKind::Link;
    if (kind == EntryKind::Folder) ScanLevel(folder.c_str(), std::wstring(), scan, true);
    return scan;
}

TreeScan ScanTopLevel(const std::wstring& folder) {
    TreeScan scan;
    scan.present = KindOfEntry(folder) == EntryKind::Folder;
    if (scan.present) ScanLevel(folder.c_str(), std::wstring(), scan, false);
    return scan;
}
