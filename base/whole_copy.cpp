#include "base/whole_copy.h"

#include "base/path_buffer.h"

LPCWSTR const kPartialCopySuffix = L".mvpart";

bool FileMissing(LPCWSTR path) {
    return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

namespace {

bool CopyToNewFile(LPCWSTR from, LPCWSTR to) {
    if (CopyFileW(from, to, TRUE)) return true;
    if (GetLastError() != ERROR_FILE_EXISTS) DeleteFileW(to);
    return false;
}

}  // namespace

bool CopyFileWhole(LPCWSTR from, LPCWSTR to) {
    if (FileMissing(to)) return CopyToNewFile(from, to);
    PathBuffer partial;
    if (!FormatPath(partial, L"%ls%ls", to, kPartialCopySuffix) || !FileMissing(partial)) {
        return CopyFileW(from, to, FALSE) != FALSE;
    }
    if (!CopyToNewFile(from, partial)) return false;
    if (MoveFileExW(partial, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileW(partial);
    return false;
}
