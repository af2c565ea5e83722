#include "base/links.h"

#include <cwchar>

#include "base/path_buffer.h"
#include "platform/handles.h"

namespace {

// Reparse tags whose data name another entry (symbolic links, junctions) have this bit.
constexpr DWORD kNameSurrogateTag = 0x20000000;

bool IsSeparator(WCHAR ch) { return ch == L'\\' || ch == L'/'; }

// True for a reparse tag that names another entry, or that is not reported.
bool IsLinkTag(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (tag == 0 || (tag & kNameSurrogateTag) != 0);
}

}  // namespace

bool OpenEntry(LPCWSTR path, DWORD access, DWORD share, OpenedEntry& entry) {
    entry.handle.Reset();
    HANDLE opened = CreateFileW(path, access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    *entry.handle.Receive() = opened;
    FILE_ATTRIBUTE_TAG_INFO info;
    if (!entry.handle.Valid() || !GetFileInformationByHandleEx(entry.handle.Get(), FileAttributeTagInfo, &info, sizeof info)) {
        entry.handle.Reset();
        return false;
    }
    entry.attributes = info.FileAttributes;
    entry.link = IsLinkTag(info.FileAttributes, info.ReparseTag);
    return true;
}

// Only a reparse point can be a link; its tag is read from its own listing. One whose tag cannot
// be read, or reads as none, cannot be trusted and counts as a link.
bool IsListedLink(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    WIN32_FIND_DATAW entry;
    FindHandle listing(FindFirstFileW(path, &entry));
    return !listing.Valid() || IsLinkEntry(entry);
}

bool IsLink(LPCWSTR path) {
    if (IsListedLink(path)) return true;
    OpenedEntry opened;
    return OpenEntry(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, opened) && opened.link;
}

bool PassesThroughLink(LPCWSTR path, size_t from) {
    size_t length = std::wcslen(path);
    if (length >= MAX_PATH) return true;  // cannot be checked, so cannot be trusted
    PathBuffer prefix;
    for (size_t end = from + 1; end <= length; ++end) {
        bool boundary = end == length || IsSeparator(path[end]);
        if (!boundary || IsSeparator(path[end - 1])) continue;
        std::wmemcpy(prefix, path, end);
        prefix[end] = 0;
        if (IsLink(prefix)) return true;
    }
    return false;
}

bool IsLinkEntry(const WIN32_FIND_DATAW& entry) { return IsLinkTag(entry.dwFileAttributes, entry.dwReserved0); }

bool IsDotEntry(LPCWSTR name) { return _wcsicmp(name, L".") == 0 || _wcsicmp(name, L"..") == 0; }
