#include "base/held_folder.h"

#include <cwchar>

namespace {

// A held folder is listed (a right that sharing counts) and shares reading and writing, not
// deletion: nobody can rename or delete it while it is held, nor a folder above it.
constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY;
constexpr DWORD kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The entry's path as its handle reads it, without the "\\?\" the platform puts before it (such as
// C:\ProgramData\Tamrix; "C:" for a root). False when it cannot be read or does not fit.
bool ReadRealPath(HANDLE handle, PathBuffer& real) {
    WCHAR full[MAX_PATH + 8];
    DWORD length = GetFinalPathNameByHandleW(handle, full, MAX_PATH + 8, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const size_t prefix = 4;  // "\\?\"
    if (length <= prefix || length >= MAX_PATH + prefix || std::wcsncmp(full, L"\\\\?\\", prefix) != 0) {
        real[0] = 0;
        return false;
    }
    if (full[length - 1] == L'\\') full[--length] = 0;  // a root's separator
    std::wmemcpy(real, full + prefix, length - prefix + 1);
    return true;
}

// True when the handle's own path is the folder's followed by the name.
bool IsWhereNamed(const OpenedEntry& entry, const HeldFolder& folder, LPCWSTR name) {
    PathBuffer expected, real;
    if (!ReadRealPath(entry.handle.Get(), real) || !FormatPath(expected, L"%ls\\%ls", folder.real, name)) return false;
    return _wcsicmp(expected, real) == 0;
}

// A new entry that is not where it was to be made is removed again, through its own handle.
OpenResult Judged(OpenedEntry& entry, bool created, const HeldFolder& folder, LPCWSTR name) {
    if (IsWhereNamed(entry, folder, name)) return OpenResult::Opened;
    if (created) DeleteThroughHandle(entry);
    entry.handle.Reset();
    return OpenResult::Redirected;
}

void Adopt(KernelHandle& handle, HeldFolder& held) { *held.handle.Receive() = handle.Release(); }

}  // namespace

bool HoldKnownFolder(LPCWSTR path, HeldFolder& held) {
    KernelHandle handle(CreateFileW(path, kHoldAccess | FILE_READ_ATTRIBUTES, kHoldShare, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_BASIC_INFO basic;
    if (!handle.Valid() || !GetFileInformationByHandleEx(handle.Get(), FileBasicInfo, &basic, sizeof basic) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || !ReadRealPath(handle.Get(), held.real) ||
        !FormatPath(held.path, L"%ls", path)) {
        return false;
    }
    Adopt(handle, held);
    return true;
}

OpenResult HoldTopFolder(LPCWSTR path, HeldFolder& held) {
    size_t length = std::wcslen(path);
    if (length < 3 || length >= MAX_PATH || path[1] != L':' || path[2] != L'\\') return OpenResult::Failed;
    OpenedEntry opened;
    if (!OpenEntry(path, kHoldAccess, kHoldShare, true, opened)) {
        return IsMissingError(GetLastError()) ? OpenResult::Missing : OpenResult::Failed;
    }
    // A root is held without its separator, so that its entries join as "C:\name".
    bool root = length == 3;
    std::wmemcpy(held.path, path, root ? 2 : length);
    held.path[root ? 2 : length] = 0;
    if (!ReadRealPath(opened.handle.Get(), held.real) || _wcsicmp(held.real, held.path) != 0) return OpenResult::Redirected;
    if (opened.link || !opened.IsFolder()) return OpenResult::Failed;
    Adopt(opened.handle, held);
    return OpenResult::Opened;
}

OpenResult HoldSubFolder(const HeldFolder& parent, LPCWSTR name, HeldFolder& held) {
    OpenedEntry opened;
    if (!FormatPath(held.path, L"%ls\\%ls", parent.path, name) || !FormatPath(held.real, L"%ls\\%ls", parent.real, name)) {
        return OpenResult::Failed;
    }
    OpenResult result = OpenInFolder(parent, name, EntryOpen{kHoldAccess, kHoldShare, OPEN_EXISTING, true}, opened);
    if (result != OpenResult::Opened) return result;
    if (opened.link) return OpenResult::Link;
    if (!opened.IsFolder()) return OpenResult::Failed;
    Adopt(opened.handle, held);
    return OpenResult::Opened;
}

OpenResult HoldFolderPath(const HeldFolder& top, LPCWSTR relative, HeldPath& held) {
    held.count = 0;
    const HeldFolder* at = &top;
    PathBuffer name;
    for (LPCWSTR start = relative; *start;) {
        LPCWSTR end = std::wcschr(start, L'\\');
        size_t length = end ? static_cast<size_t>(end - start) : std::wcslen(start);
        if (length == 0 || length >= MAX_PATH || held.count == HeldPath::kDepth) return OpenResult::Failed;
        std::wmemcpy(name, start, length);
        name[length] = 0;
        start += length + (end ? 1 : 0);
        OpenResult result = HoldSubFolder(*at, name, held.levels[held.count]);
        if (result != OpenResult::Opened) return result;
        at = &held.levels[held.count++];
    }
    return held.count > 0 ? OpenResult::Opened : OpenResult::Failed;
}

OpenResult OpenInFolder(const HeldFolder& folder, LPCWSTR name, const EntryOpen& how, OpenedEntry& entry) {
    PathBuffer path;
    if (!FormatPath(path, L"%ls\\%ls", folder.path, name)) return OpenResult::Failed;
    bool create = how.disposition == CREATE_NEW;
    bool opened = how.throughFilter ? OpenThroughFilter(path, how.access, how.share, entry)
                                    : OpenEntry(path, how.access | (create ? DELETE : 0), how.share, how.folder, how.disposition,
                                                how.counted, entry);
    if (!opened) {
        return IsMissingError(GetLastError()) ? OpenResult::Missing : OpenResult::Failed;
    }
    return Judged(entry, create, folder, name);
}

namespace {

// The rename information of either class, with its name.
template <class Information>
union RenameBuffer {
    Information info;
    BYTE bytes[sizeof(Information) + MAX_PATH * sizeof(WCHAR)];
};

template <class Information>
NTSTATUS Rename(const OpenedEntry& entry, Information& info, HANDLE folder, LPCWSTR name, size_t length, FILE_INFORMATION_CLASS kind) {
    info.RootDirectory = folder;
    info.FileNameLength = static_cast<DWORD>(length * sizeof(WCHAR));
    std::wmemcpy(info.FileName, name, length + 1);
    IO_STATUS_BLOCK status = {};
    return NtSetInformationFile(entry.handle.Get(), &status, &info, sizeof(RenameBuffer<Information>), kind);
}

// The answers of a platform or file system that has no POSIX renames.
bool WithoutPosixRename(NTSTATUS status) {
    return status == kStatusNotImplemented || status == kStatusInvalidInfoClass || status == kStatusInvalidParameter ||
           status == kStatusNotSupported;
}

}  // namespace

// The platform's rename by handle resolves a relative name in the folder that RootDirectory
// names. (The documented Win32 form of the same call, SetFileInformationByHandle with
// FileRenameInfo, is refused by Wine for a relative name; the native call behaves alike on both.)
// POSIX semantics are asked for first: with them a file that others hold open, sharing its
// deletion, is replaced ("FILE_RENAME_INFORMATION structure"); where the platform or the file
// system has none, the rename is made as before.
bool RenameIntoFolder(const OpenedEntry& entry, const HeldFolder& folder, LPCWSTR name, bool replace) {
    size_t length = std::wcslen(name);
    if (length == 0 || length >= MAX_PATH) return false;
    RenameBuffer<FILE_RENAME_INFORMATION_EX> posix = {};
    posix.info.Flags = kFileRenamePosixSemantics | (replace ? kFileRenameReplaceIfExists : 0);
    NTSTATUS status = Rename(entry, posix.info, folder.handle.Get(), name, length, kFileRenameInformationEx);
    if (!WithoutPosixRename(status)) return status == 0;
    RenameBuffer<FILE_RENAME_INFO> classic = {};
    classic.info.ReplaceIfExists = replace ? TRUE : FALSE;
    return Rename(entry, classic.info, folder.handle.Get(), name, length, FileRenameInformation) == 0;
}

bool RemoveInFolder(const HeldFolder& folder, LPCWSTR name, bool isFolder) {
    PathBuffer path;
    OpenedEntry entry;
    if (!FormatPath(path, L"%ls\\%ls", folder.path, name) ||
        OpenInFolder(folder, name, EntryOpen{DELETE | FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING, isFolder, false}, entry) !=
            OpenResult::Opened) {
        return false;
    }
    if (entry.link) {
        entry.handle.Reset();
        return isFolder ? RemoveDirectoryW(path) != FALSE : DeleteFileW(path) != FALSE;
    }
    if (entry.IsFolder() != isFolder) return false;
    if (entry.attributes & FILE_ATTRIBUTE_READONLY) {
        if (!isFolder && (!CountEntry(entry) || entry.links > 1)) return false;
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
        if (!SetEntryBasics(entry, entry.attributes & kKept, nullptr)) return false;
    }
    return DeleteThroughHandle(entry);
}

bool IsNameUnreachable(LPCWSTR name) {
    size_t length = std::wcslen(name);
    return length > 0 && (name[length - 1] == L'.' || name[length - 1] == L' ');
}
