// Folders, searches and plain file access of the simulated machine.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "drives.h"
#include "filesystem.h"
#include "machine.h"
#include "security.h"
#include "win_api.h"

using sim::Fail;
using sim::Machine;
using sim::Node;

namespace {

struct FindState {
    std::vector<std::pair<std::shared_ptr<Node>, std::wstring>> entries;
    size_t next = 0;
};

// An 8.3 name, which folder creation keeps room for.
constexpr size_t kShortNameLength = 12;

bool HasWildcard(const std::wstring& text) { return text.find_first_of(L"*?") != std::wstring::npos; }

bool EndsWithSeparator(const std::wstring& text) {
    return !text.empty() && (text.back() == L'\\' || text.back() == L'/');
}

// '*' any run of characters, '?' one character; without regard to case.
bool MatchWildcard(const wchar_t* pattern, const wchar_t* name) {
    if (*pattern == 0) return *name == 0;
    if (*pattern == L'*') {
        for (const wchar_t* at = name;; ++at) {
            if (MatchWildcard(pattern + 1, at)) return true;
            if (*at == 0) return false;
        }
    }
    if (*name == 0) return false;
    if (*pattern != L'?' && std::towupper(*pattern) != std::towupper(*name)) return false;
    return MatchWildcard(pattern + 1, name + 1);
}

// Why the folder part of a search cannot be listed (0 when it can): a missing folder, or a file
// where a folder is needed; otherwise the given error.
DWORD FolderError(const std::wstring& folderPath, DWORD otherwise) {
    sim::Lookup folder = Machine::Current().files().Resolve(folderPath, true);
    if (folder.error) return folder.error;
    if (!folder.node) return ERROR_PATH_NOT_FOUND;
    if (!folder.node->IsFolder()) return ERROR_DIRECTORY;
    return otherwise;
}

HANDLE StartFind(FindState state, LPWIN32_FIND_DATAW data) {
    if (state.entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    auto shared = std::make_shared<FindState>(std::move(state));
    sim::FillFindData(*shared->entries[0].first, shared->entries[0].second, data);
    shared->next = 1;
    Machine::Current().lastError = ERROR_SUCCESS;
    return Machine::Current().AddHandle(sim::HandleKind::Find, shared);
}

}  // namespace

// A folder made with a descriptor has that owner and DACL; one made without takes its parent's.
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
    Machine& machine = Machine::Current();
    if (path == nullptr) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    machine.Log(std::wstring(L"CreateDirectoryW ") + path);
    if (DWORD error = sim::NoteFileOperation(L"CreateDirectoryW")) return Fail(error, FALSE);
    machine.files().ApplySwap(path);
    if (DWORD error = machine.faults().Check("CreateDirectoryW", path)) return Fail(error, FALSE);
    sim::Lookup found = machine.files().Resolve(path, false);
    if (found.error) return Fail(found.error, FALSE);
    // A drive root exists already (an elevated program is told so; others are denied access).
    if (!found.parent) return Fail(found.node ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND, FALSE);
    if (found.node) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    // Room is kept for a short file name below the new folder: its full path and terminator
    // must fit MAX_PATH less 12 characters.
    if (sim::FullPathLength(path) + 1 + kShortNameLength > MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE, FALSE);
    if (DWORD error = machine.files().WriteError(found.drive)) return Fail(error, FALSE);
    auto folder = machine.files().AddChild(found.parent, found.name, true);
    const sim::Security* given = security ? sim::DescriptorModel(security->lpSecurityDescriptor) : nullptr;
    if (given) folder->security = std::make_shared<sim::Security>(*given);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    Machine& machine = Machine::Current();
    if (pattern == nullptr || data == nullptr) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::wstring text(pattern);
    if (DWORD error = sim::NoteFileOperation(L"FindFirstFileW")) return Fail(error, INVALID_HANDLE_VALUE);
    machine.files().ApplySwap(text);
    // An empty name matches nothing in a folder that exists.
    if (EndsWithSeparator(text)) return Fail(FolderError(text, ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE);
    size_t cut = text.find_last_of(L"\\/");
    std::wstring last = cut == std::wstring::npos ? text : text.substr(cut + 1);
    if (last == L"*.*") last = L"*";  // every name, with or without an extension
    FindState state;
    if (!HasWildcard(last)) {
        sim::Lookup found = machine.files().Resolve(text, false);
        if (found.error) return Fail(found.error, INVALID_HANDLE_VALUE);
        if (!found.node) return Fail(found.parent ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
        if (!found.parent) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);  // a drive root
        state.entries.emplace_back(found.node, found.node->name);
        return StartFind(std::move(state), data);
    }
    if (cut == std::wstring::npos) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (DWORD error = FolderError(text.substr(0, cut + 1), 0)) return Fail(error, INVALID_HANDLE_VALUE);
    sim::Lookup folder = machine.files().Resolve(text.substr(0, cut + 1), true);
    if (folder.parent) {  // every folder but a drive root lists itself and its parent first
        if (MatchWildcard(last.c_str(), L".")) state.entries.emplace_back(folder.node, L".");
        if (MatchWildcard(last.c_str(), L"..")) state.entries.emplace_back(folder.parent, L"..");
    }
    for (const auto& child : machine.files().ListOrder(*folder.node, folder.drive)) {
        if (MatchWildcard(last.c_str(), child->name.c_str())) state.entries.emplace_back(child, child->name);
    }
    return StartFind(std::move(state), data);
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
    Machine& machine = Machine::Current();
    auto state = machine.FindHandle<FindState>(find, sim::HandleKind::Find);
    if (!state) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (state->next >= state->entries.size()) return Fail(ERROR_NO_MORE_FILES, FALSE);
    const auto& entry = state->entries[state->next++];
    sim::FillFindData(*entry.first, entry.second, data);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!Machine::Current().CloseHandleOf(find, sim::HandleKind::Find)) return Fail(ERROR_INVALID_HANDLE, FALSE);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path) {
    Machine& machine = Machine::Current();
    if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER, INVALID_FILE_ATTRIBUTES);
    if (DWORD error = sim::NoteFileOperation(L"GetFileAttributesW")) return Fail(error, INVALID_FILE_ATTRIBUTES);
    machine.files().ApplySwap(path);
    sim::Lookup found = machine.files().Resolve(path, false);
    if (found.error) return Fail(found.error, INVALID_FILE_ATTRIBUTES);
    if (!found.node) return Fail(found.parent ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    machine.lastError = ERROR_SUCCESS;
    return found.node->attributes;
}

// Opens an existing file (OPEN_EXISTING), makes a new one (CREATE_NEW) or either (CREATE_ALWAYS,
// emptying an existing file); other dispositions are not modelled.
// With FILE_FLAG_OPEN_REPARSE_POINT a link at the end of the path is opened itself, not followed.
// A folder, a drive root included, opens only with FILE_FLAG_BACKUP_SEMANTICS ("Directories",
// CreateFileW), never for writing its data.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                   HANDLE) {
    Machine& machine = Machine::Current();
    if (path == nullptr) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (disposition != OPEN_EXISTING && disposition != CREATE_NEW && disposition != CREATE_ALWAYS) {
        return Fail(ERROR_CALL_NOT_IMPLEMENTED, INVALID_HANDLE_VALUE);
    }
    auto& files = machine.files();
    if (DWORD error = sim::NoteFileOperation(L"CreateFileW")) return Fail(error, INVALID_HANDLE_VALUE);
    files.ApplySwap(path);
    sim::Lookup found = files.Resolve(path, (flags & FILE_FLAG_OPEN_REPARSE_POINT) == 0);
    if (found.error) return Fail(found.error, INVALID_HANDLE_VALUE);
    bool write = (access & (GENERIC_WRITE | FILE_WRITE_DATA)) != 0;
    bool folderOpen = (flags & FILE_FLAG_BACKUP_SEMANTICS) && disposition == OPEN_EXISTING && !write;
    if (!found.parent && !(found.node && folderOpen)) {
        return Fail(found.node ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    std::shared_ptr<Node> node = found.node;
    if (node) {
        if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        if (node->IsFolder() && !folderOpen) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        if (sim::SharingConflict(*node, access, share)) return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        if (write && (node->attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        DWORD hiddenSystem = node->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (disposition == CREATE_ALWAYS && (hiddenSystem & ~flags) != 0) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        if (write) {
            if (DWORD error = files.WriteError(found.drive)) return Fail(error, INVALID_HANDLE_VALUE);
        }
        if (disposition == CREATE_ALWAYS) {
            files.Reserve(found.drive, node->data.size(), 0);
            node->data.clear();
        }
    } else {
        if (disposition == OPEN_EXISTING) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        if (DWORD error = files.WriteError(found.drive)) return Fail(error, INVALID_HANDLE_VALUE);
        node = files.AddChild(found.parent, found.name, false);
        node->attributes = (flags & 0x7) ? (flags & 0x27) : FILE_ATTRIBUTE_ARCHIVE;
    }
    auto open = std::make_shared<sim::OpenFile>();
    open->node = node;
    open->via = found.parent;
    open->drive = found.drive;
    open->canRead = (access & GENERIC_READ) != 0;
    open->canWrite = write;
    open->access = access;
    open->share = share;
    open->onReparsePoint = (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    sim::NoteOpen(*node, open);
    bool existed = found.node != nullptr;
    machine.lastError = existed && disposition == CREATE_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return machine.AddHandle(sim::HandleKind::File, open);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    auto open = Machine::Current().FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!open->canRead) return Fail(ERROR_ACCESS_DENIED, FALSE);
    const auto& data = open->node->data;
    size_t count = open->position >= data.size() ? 0 : std::min<size_t>(toRead, data.size() - open->position);
    // A file behind a filter (a reparse point that is no link) shows its content only to a handle
    // that lets the filter work: opened with FILE_FLAG_OPEN_REPARSE_POINT, it is returned "whether
    // or not the filter that controls the reparse point is operational" (CreateFileW), and here
    // reads as its sparse stub, zeros of its size.
    bool stub = open->onReparsePoint && (open->node->attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !open->node->IsLink();
    if (count && stub) std::memset(buffer, 0, count);
    if (count && !stub) std::memcpy(buffer, data.data() + open->position, count);
    open->position += count;
    if (read) *read = static_cast<DWORD>(count);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!open->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
    // A write that the process's end cuts short leaves the first half of it.
    DWORD ended = sim::NoteFileOperation(L"WriteFile");
    if (ended && !machine.dying) return Fail(ended, FALSE);
    DWORD count = ended ? toWrite / 2 : toWrite;
    machine.dying = false;
    auto& data = open->node->data;
    size_t end = std::max(data.size(), open->position + count);
    if (!machine.files().Reserve(open->drive, data.size(), end)) return Fail(ERROR_DISK_FULL, FALSE);
    data.resize(end);
    if (count) std::memcpy(data.data() + open->position, buffer, count);
    open->position += count;
    open->node->writeTime = machine.files().clock++;
    if (written) *written = count;
    return ended ? Fail(ended, FALSE) : TRUE;
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
    auto open = Machine::Current().FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    size->QuadPart = static_cast<LONGLONG>(open->node->data.size());
    return TRUE;
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
    Machine& machine = Machine::Current();
    if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (DWORD error = sim::NoteFileOperation(L"SetFileAttributesW")) return Fail(error, FALSE);
    machine.files().ApplySwap(path);
    sim::Lookup found = machine.files().Resolve(path, false);
    if (found.error) return Fail(found.error, FALSE);
    if (!found.node) return Fail(found.parent ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, FALSE);
    if (DWORD error = machine.files().WriteError(found.drive)) return Fail(error, FALSE);
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    DWORD kept = found.node->attributes & ~settable;
    found.node->attributes = kept | (attributes & settable);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD size) {
    auto open = Machine::Current().FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    sim::ApplySwapAt(*open);
    const Node& node = *open->node;
    if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    // The classes the program reads: attributes and reparse tag; attributes and times (of them
    // only the last-write time is kept); size, names and kind.
    if (infoClass == FileAttributeTagInfo && size >= sizeof(FILE_ATTRIBUTE_TAG_INFO)) {
        auto* tag = static_cast<FILE_ATTRIBUTE_TAG_INFO*>(info);
        tag->FileAttributes = node.attributes;
        tag->ReparseTag = (node.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? node.reparseTag : 0;
    } else if (infoClass == FileBasicInfo && size >= sizeof(FILE_BASIC_INFO)) {
        *static_cast<FILE_BASIC_INFO*>(info) = FILE_BASIC_INFO{};
        static_cast<FILE_BASIC_INFO*>(info)->LastWriteTime.QuadPart = static_cast<LONGLONG>(node.writeTime);
        static_cast<FILE_BASIC_INFO*>(info)->FileAttributes = node.attributes;
    } else if (infoClass == FileStandardInfo && size >= sizeof(FILE_STANDARD_INFO)) {
        auto* standard = static_cast<FILE_STANDARD_INFO*>(info);
        *standard = FILE_STANDARD_INFO{};
        standard->EndOfFile.QuadPart = node.IsFolder() ? 0 : static_cast<LONGLONG>(node.data.size());
        standard->NumberOfLinks = node.Links();
        standard->Directory = node.IsFolder();
    } else {
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    return TRUE;
}

namespace {

// FileBasicInfo: attributes 0 leave them as they are (FILE_ATTRIBUTE_NORMAL clears them); of the
// times only the last-write time is kept, and 0 leaves it as it is.
BOOL SetBasicInfo(sim::OpenFile& open, const FILE_BASIC_INFO& basic) {
    if (!(open.access & (FILE_WRITE_ATTRIBUTES | GENERIC_WRITE))) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (DWORD error = Machine::Current().files().WriteError(open.drive)) return Fail(error, FALSE);
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (basic.FileAttributes != 0) open.node->attributes = (open.node->attributes & ~settable) | (basic.FileAttributes & settable);
    if (basic.LastWriteTime.QuadPart != 0) open.node->writeTime = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    return TRUE;
}

// FileDispositionInfo: the entry is removed when the handle is closed. A read-only entry, a drive
// root and a folder that is not empty refuse it.
BOOL SetDisposition(sim::OpenFile& open, const FILE_DISPOSITION_INFO& disposition) {
    if (!(open.access & sim::kDeleteAccess)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    const Node& node = *open.node;
    if (disposition.DeleteFile) {
        if (node.parent == nullptr || (node.attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (node.IsFolder() && !node.IsLink() && !node.children.empty()) return Fail(ERROR_DIR_NOT_EMPTY, FALSE);
        if (DWORD error = Machine::Current().files().WriteError(open.drive)) return Fail(error, FALSE);
    }
    open.deleteOnClose = disposition.DeleteFile != FALSE;
    return TRUE;
}

}  // namespace

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD size) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    machine.Log(L"SetFileInformationByHandle " + std::to_wstring(infoClass) + L" " + open->node->name);
    if (DWORD error = sim::NoteFileOperation(L"SetFileInformationByHandle")) return Fail(error, FALSE);
    sim::ApplySwapAt(*open);
    if (infoClass == FileBasicInfo && size >= sizeof(FILE_BASIC_INFO)) {
        return SetBasicInfo(*open, *static_cast<FILE_BASIC_INFO*>(info));
    }
    if (infoClass == FileDispositionInfo && size >= sizeof(FILE_DISPOSITION_INFO)) {
        return SetDisposition(*open, *static_cast<FILE_DISPOSITION_INFO*>(info));
    }
    return Fail(ERROR_INVALID_PARAMETER, FALSE);
}

// Only the flags are modelled (the program asks for nothing else): NTFS keeps permissions, FAT does not.
BOOL GetVolumeInformationW(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD fileSystemFlags, LPWSTR, DWORD) {
    Machine& machine = Machine::Current();
    if (root == nullptr || GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR || std::wcslen(root) != 3) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    const sim::Drive& drive = machine.drives()[root[0]];
    if (!drive.hasMedium) return Fail(ERROR_NOT_READY, FALSE);
    if (fileSystemFlags) *fileSystemFlags = drive.keepsPermissions ? FILE_PERSISTENT_ACLS | 0x3 : 0x2;
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}
