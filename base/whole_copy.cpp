#include "base/whole_copy.h"

#include <cwchar>
#include <memory>

#include "base/folder_walk.h"
#include "base/in_use_wait.h"
#include "base/path_buffer.h"

LPCWSTR const kPartialCopySuffix = L".mvpart";

namespace {

// The attributes a copy carries from its source.
constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kCopyChunk = 1u << 20;

// The source is read through the handle that judged it, and nobody may write it meanwhile.
const EntryOpen kSourceOpen = {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, false};
const EntryOpen kFilteredSourceOpen = {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, false, true, true};
// The destination is opened to be judged, to lend its DACL and to lose its read-only attribute;
// asking for the right to delete it tells whether a program holds it without sharing that.
const EntryOpen kDestinationOpen = {READ_CONTROL | FILE_WRITE_ATTRIBUTES | DELETE, kShareAll, OPEN_EXISTING, false};
const EntryOpen kPartOpen = {GENERIC_WRITE | WRITE_DAC, 0, CREATE_NEW, false};
const EntryOpen kAttributesOpen = {FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING, false};
const EntryOpen kInUseProbe = {DELETE, 0, OPEN_EXISTING, false, false};

uint64_t ListedSize(const WIN32_FIND_DATAW& entry) { return uint64_t(entry.nFileSizeHigh) << 32 | entry.nFileSizeLow; }

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A whole earlier copy of the same file: the same size, last-write time and carried attributes.
bool ListedAlike(const WIN32_FIND_DATAW& source, const WIN32_FIND_DATAW& copy) {
    bool plain = !IsFolderEntry(source) && !IsFolderEntry(copy) && !IsLinkEntry(copy);
    return plain && ListedSize(source) == ListedSize(copy) && SameTime(source.ftLastWriteTime, copy.ftLastWriteTime) &&
           (source.dwFileAttributes & kCarriedAttributes) == (copy.dwFileAttributes & kCarriedAttributes);
}

// A file behind a filter (a reparse point that is no link) is read through a second handle that
// lets its filter work, opened in the held folder while the judging handle, which shares no
// deletion, keeps the file where it is; it must be where its path says too. It takes the judging
// handle's place, with the size it reads.
bool OpenThroughItsFilter(const HeldFolder& from, LPCWSTR name, OpenedEntry& source) {
    OpenedEntry filtered;
    if (OpenInFolder(from, name, kFilteredSourceOpen, filtered) != OpenResult::Opened || filtered.IsFolder()) return false;
    source.handle.Reset();
    *source.handle.Receive() = filtered.handle.Release();
    source.size = filtered.size;
    return true;
}

CopyVerdict JudgeSource(const HeldFolder& from, LPCWSTR name, OpenedEntry& source) {
    switch (OpenInFolder(from, name, kSourceOpen, source)) {
    case OpenResult::Opened: break;
    case OpenResult::Redirected:
    case OpenResult::Link: return CopyVerdict::SourceRedirected;
    default: return CopyVerdict::SourceUnreadable;
    }
    if (source.link) return CopyVerdict::SourceRedirected;
    if (source.IsFolder()) return CopyVerdict::SourceUnreadable;
    if (source.links > 1) return CopyVerdict::SourceHardLink;
    bool filtered = (source.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return !filtered || OpenThroughItsFilter(from, name, source) ? CopyVerdict::Copy : CopyVerdict::SourceUnreadable;
}

// True when the platform says that another program has the file open: an open that shares
// nothing is refused with a sharing violation.
bool InUse(const HeldFolder& folder, LPCWSTR name) {
    OpenedEntry probe;
    return OpenInFolder(folder, name, kInUseProbe, probe) == OpenResult::Failed && GetLastError() == ERROR_SHARING_VIOLATION;
}

// The replacement of a destination that a program holds open (sharing its deletion or not) is
// refused while it does; it is tried again while the wait for files in use lasts.
bool RenameIntoPlace(const OpenedEntry& part, const HeldFolder& to, LPCWSTR name, bool replaces, InUseWait& wait) {
    while (!RenameIntoFolder(part, to, name, replaces)) {
        if (!replaces || !InUse(to, name) || !wait.Again()) return false;
    }
    return true;
}

CopyVerdict JudgeDestination(const HeldFolder& to, LPCWSTR name, OpenedEntry& destination) {
    switch (OpenInFolder(to, name, kDestinationOpen, destination)) {
    case OpenResult::Opened: break;
    case OpenResult::Missing: return CopyVerdict::Copy;  // gone since the listing: a new file
    case OpenResult::Redirected:
    case OpenResult::Link: return CopyVerdict::DestinationLink;
    case OpenResult::Failed:
        return GetLastError() == ERROR_SHARING_VIOLATION ? CopyVerdict::DestinationHeld
                                                         : CopyVerdict::DestinationUnreadable;
    }
    if (destination.link) return CopyVerdict::DestinationLink;
    if (destination.IsFolder()) return CopyVerdict::DestinationFolder;
    return destination.links > 1 ? CopyVerdict::DestinationHardLink : CopyVerdict::Copy;
}

// Copies every byte of the source into the part file, through one buffer for the whole run (a
// buffer as large as a chunk, made anew for each file, costs more than most files take to copy).
bool CopyBytes(const FileCopy& copy, const OpenedEntry& part) {
    static std::unique_ptr<char[]> buffer(new char[kCopyChunk]);
    uint64_t copied = 0;
    while (copied < copy.source.size) {
        DWORD read = 0, written = 0;
        if (!ReadFile(copy.source.handle.Get(), buffer.get(), kCopyChunk, &read, nullptr) || read == 0) return false;
        if (!WriteFile(part.handle.Get(), buffer.get(), read, &written, nullptr) || written != read) return false;
        copied += read;
    }
    return copied == copy.source.size;
}

// The replaced file's DACL goes to its replacement, so that whoever could change the file before
// still can. A drive that keeps no permissions has none to give.
bool LendRights(const OpenedEntry& destination, const OpenedEntry& part) {
    PACL dacl = nullptr;
    LocalDescriptor descriptor;
    if (GetSecurityInfo(destination.handle.Get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                        nullptr, descriptor.Receive()) != ERROR_SUCCESS) {
        return true;
    }
    return SetKernelObjectSecurity(part.handle.Get(), DACL_SECURITY_INFORMATION, descriptor.Get()) != FALSE;
}

}  // namespace

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

bool FormatPartName(const HeldFolder& folder, LPCWSTR name, PathBuffer& part) {
    PathBuffer path, partPath;
    if (!FormatPath(path, L"%ls\\%ls", folder.path, name) || !FormatPartPath(path, partPath)) return false;
    return FormatPath(part, L"%ls", partPath + std::wcslen(folder.path) + 1);
}

bool CopyLands(CopyVerdict verdict) { return verdict == CopyVerdict::Copy || verdict == CopyVerdict::Unchanged; }

CopyVerdict JudgeFileCopy(const HeldFolder& from, const HeldFolder* to, LPCWSTR name, const WIN32_FIND_DATAW* source,
                          const WIN32_FIND_DATAW* destination, bool keepUnchanged, FileCopy& copy) {
    copy.source.handle.Reset();
    copy.destination.handle.Reset();
    if (keepUnchanged && source && destination && ListedAlike(*source, *destination)) {
        return copy.verdict = CopyVerdict::Unchanged;
    }
    copy.verdict = JudgeSource(from, name, copy.source);
    if (copy.verdict != CopyVerdict::Copy || to == nullptr) return copy.verdict;
    PathBuffer part;
    if (!FormatPartName(*to, name, part)) return copy.verdict = CopyVerdict::NoPartName;
    if (destination == nullptr) return copy.verdict;
    if (IsLinkEntry(*destination)) return copy.verdict = CopyVerdict::DestinationLink;
    if (IsFolderEntry(*destination)) return copy.verdict = CopyVerdict::DestinationFolder;
    return copy.verdict = JudgeDestination(*to, name, copy.destination);
}

bool CopyFileWhole(FileCopy& copy, const HeldFolder& to, LPCWSTR name) {
    PathBuffer partName;
    OpenedEntry part;
    // A destination that a program holds without sharing its deletion is judged again while the
    // wait for files in use lasts (one wait for the file, its replacement's included).
    InUseWait wait;
    while (copy.verdict == CopyVerdict::DestinationHeld && wait.Again()) {
        copy.verdict = JudgeDestination(to, name, copy.destination);
    }
    if (copy.verdict != CopyVerdict::Copy || !FormatPartName(to, name, partName)) return false;
    // A part file of that name, left by a run that ended early, goes first.
    OpenResult made = OpenInFolder(to, partName, kPartOpen, part);
    if (made == OpenResult::Failed && GetLastError() == ERROR_FILE_EXISTS && RemoveInFolder(to, partName, false)) {
        made = OpenInFolder(to, partName, kPartOpen, part);
    }
    if (made != OpenResult::Opened) return false;
    bool replaces = copy.destination.handle.Valid();
    bool readOnly = replaces && (copy.destination.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    bool ready = CopyBytes(copy, part) && (!replaces || LendRights(copy.destination, part)) &&
                 (!readOnly || SetEntryBasics(copy.destination, copy.destination.attributes & ~FILE_ATTRIBUTE_READONLY, nullptr));
    // The replaced file is let go before the rename: a file still open cannot be replaced.
    DWORD earlier = copy.destination.attributes;
    copy.destination.handle.Reset();
    if (!ready || !RenameIntoPlace(part, to, name, replaces, wait)) {
        DeleteThroughHandle(part);
        OpenedEntry again;
        if (readOnly && OpenInFolder(to, name, kAttributesOpen, again) == OpenResult::Opened && again.links == 1 && !again.link) {
            SetEntryBasics(again, earlier, nullptr);
        }
        return false;
    }
    SetEntryBasics(part, copy.source.attributes & kCarriedAttributes, &copy.source.lastWrite);
    return true;
}
