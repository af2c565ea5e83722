#include "base/links.h"

#include <cwchar>

#include "base/path_buffer.h"
#include "platform/handles.h"

namespace {

// Reparse tags whose data name another entry (symbolic links, junctions) have this bit.
constexpr DWORD kNameSurrogateTag = 0x20000000;

bool IsSeparator(WCHAR ch) { return ch == L'\\' || ch == L'/'; }

}  // namespace

// Only a reparse point can be a link; its tag is read from its own listing. One whose tag cannot
// be read, or reads as none, cannot be trusted and counts as a link.
bool IsLink(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    WIN32_FIND_DATAW entry;
    FindHandle listing(FindFirstFileW(path, &entry));
    return !listing.Valid() || IsLinkEntry(entry);
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

bool IsLinkEntry(const WIN32_FIND_DATAW& entry) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    return entry.dwReserved0 == 0 || (entry.dwReserved0 & kNameSurrogateTag) != 0;
}

bool IsDotEntry(LPCWSTR name) { return _wcsicmp(name, L".") == 0 || _wcsicmp(name, L"..") == 0; }
