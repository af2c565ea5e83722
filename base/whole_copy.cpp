#include "base/whole_copy.h"

#include <cwchar>

#include "base/path_buffer.h"

LPCWSTR const kPartialCopySuffix = L".mvpart";

bool IsPartFileName(LPCWSTR name) {
    size_t length = std::wcslen(name), suffix = std::wcslen(kPartialCopySuffix);
    return length >= suffix && _wcsicmp(name + length - suffix, kPartialCopySuffix) == 0;
}

bool FileMissing(LPCWSTR path) {
    return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool RemoveFile(LPCWSTR path) {
    if (DeleteFileW(path)) return true;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return false;
    return SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(path);
}

bool FormatPartPath(LPCWSTR to, PathBuffer& part) {
    if (FormatPath(part, L"%ls%ls", to, kPartialCopySuffix)) return true;
    size_t length = std::wcslen(to), suffix = std::wcslen(kPartialCopySuffix);
    LPCWSTR separator = std::wcsrchr(to, L'\\');
    size_t nameLength = separator ? length - static_cast<size_t>(separator + 1 - to) : length;
    if (nameLength < suffix || length >= MAX_PATH) return false;
    std::wmemcpy(part, to, length - suffix);
    std::wmemcpy(part + length - suffix, kPartialCopySuffix, suffix + 1);
    return true;
}

namespace {

bool CopyToNewFile(LPCWSTR from, LPCWSTR to) {
    if (CopyFileW(from, to, TRUE)) return true;
    if (GetLastError() != ERROR_FILE_EXISTS) RemoveFile(to);
    return false;
}

}  // namespace

bool CopyFileWhole(LPCWSTR from, LPCWSTR to) {
    if (FileMissing(to)) return CopyToNewFile(from, to);
    PathBuffer partial;
    if (!FormatPartPath(to, partial)) return false;
    if (!FileMissing(partial) && !RemoveFile(partial)) return false;
    if (!CopyToNewFile(from, partial)) return false;
    if (MoveFileExW(partial, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    RemoveFile(partial);
    return false;
}
