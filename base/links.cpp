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

// What the handle says is read in the fewest calls: the basic facts always, the reparse tag only of
// a reparse point, and of a file that existed its size and how many names it has.
bool OpenWithFlags(LPCWSTR path, DWORD access, DWORD share, DWORD flags, DWORD disposition, bool counted, OpenedEntry& entry) {
    entry.handle.Reset();
    *entry.handle.Receive() = CreateFileW(path, access | FILE_READ_ATTRIBUTES, share, nullptr, disposition, flags, nullptr);
    FILE_BASIC_INFO basic;
    FILE_ATTRIBUTE_TAG_INFO tag = {0, 0};
    FILE_STANDARD_INFO standard = {};
    standard.NumberOfLinks = 1;
    HANDLE handle = entry.handle.Get();
    bool read = entry.handle.Valid() && GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic);
    bool reparse = read && (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    counted = counted && read && disposition == OPEN_EXISTING && (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!read || (reparse && !GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) ||
        (counted && !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))) {
        DWORD error = GetLastError();
        entry.handle.Reset();
        SetLastError(error);
        return false;
    }
    entry.attributes = basic.FileAttributes;
    entry.link = IsLinkTag(basic.FileAttributes, tag.ReparseTag);
    entry.links = standard.NumberOfLinks;
    entry.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    entry.lastWrite.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
    entry.lastWrite.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(basic.LastWriteTime.QuadPart) >> 32);
    return true;
}

}  // namespace

bool OpenEntry(LPCWSTR path, DWORD access, DWORD share, bool folder, DWORD disposition, bool counted, OpenedEntry& entry) {
    DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL);
    return OpenWithFlags(path, access, share, flags, disposition, counted, entry);
}

bool OpenThroughFilter(LPCWSTR path, DWORD access, DWORD share, OpenedEntry& entry) {
    return OpenWithFlags(path, access, share, FILE_ATTRIBUTE_NORMAL, OPEN_EXISTING, true, entry);
}

bool OpenEntry(LPCWSTR path, DWORD access, DWORD share, bool folder, OpenedEntry& entry) {
    return OpenEntry(path, access, share, folder, OPEN_EXISTING, true, entry);
}

bool SetEntryBasics(const OpenedEntry& entry, DWORD attributes, const FILETIME* lastWrite) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (lastWrite) {
        basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(uint64_t(lastWrite->dwHighDateTime) << 32 | lastWrite->dwLowDateTime);
    }
    return SetFileInformationByHandle(entry.handle.Get(), FileBasicInfo, &basic, sizeof basic) != FALSE;
}

bool DeleteThroughHandle(OpenedEntry& entry) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    bool taken = SetFileInformationByHandle(entry.handle.Get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
    entry.handle.Reset();
    return taken;
}

bool CountEntry(OpenedEntry& entry) {
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(entry.handle.Get(), FileStandardInfo, &standard, sizeof standard)) return false;
    entry.links = standard.NumberOfLinks;
    entry.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
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
    DWORD attributes = GetFileAttributesW(path);
    bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return OpenEntry(path, 0, kShareAll, folder, opened) && opened.link;
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
