// What a file handle tells of the entry it is open on, and the rename through a handle, on the
// simulated machine.
#include <cstring>

#include "drives.h"
#include "filesystem.h"
#include "machine.h"
#include "win_api.h"

using sim::Fail;
using sim::Machine;
using sim::Node;

namespace sim {

std::wstring OpenedPath(const OpenFile& open) {
    if (!open.via) return open.node->parent == nullptr ? Machine::Current().files().PathOf(*open.node) : std::wstring();
    std::wstring folder = Machine::Current().files().PathOf(*open.via);
    return folder.empty() ? folder : folder + L"\\" + open.node->name;
}

void ApplySwapAt(const OpenFile& open) {
    std::wstring path = OpenedPath(open);
    if (!path.empty()) Machine::Current().files().ApplySwap(path);
}

}  // namespace sim

namespace {

// Each drive has a volume serial number of its own.
DWORD SerialOf(wchar_t drive) { return 0x4D560000u + static_cast<DWORD>(drive); }

FILETIME TimeOf(uint64_t time) { return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)}; }

NTSTATUS StatusOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED: return STATUS_ACCESS_DENIED;
    case ERROR_NOT_SAME_DEVICE: return STATUS_NOT_SAME_DEVICE;
    case ERROR_ALREADY_EXISTS: return STATUS_OBJECT_NAME_COLLISION;
    case ERROR_SHARING_VIOLATION: return STATUS_SHARING_VIOLATION;
    default: return STATUS_INVALID_PARAMETER;
    }
}

// Why the file cannot take the place of the one at the new name, or 0. A read-only file, a folder
// and a file that any handle still has open are not replaced: replacing an open file needs POSIX
// semantics ("FILE_RENAME_INFORMATION structure", FILE_RENAME_POSIX_SEMANTICS), which the
// program does not ask for.
DWORD ReplaceRefusal(const Node& old, bool replace) {
    if (!replace) return ERROR_ALREADY_EXISTS;
    if (old.IsFolder() || (old.attributes & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
    for (const auto& weak : old.opens) {
        if (!weak.expired()) return ERROR_ACCESS_DENIED;
    }
    return old.inUse ? ERROR_ACCESS_DENIED : 0;
}

// The folder and name a rename names: relative to the folder the root handle is open on, or an
// absolute path without one.
DWORD RenameTarget(const FILE_RENAME_INFO& rename, std::shared_ptr<Node>& folder, std::wstring& name, wchar_t& drive) {
    std::wstring given(rename.FileName, rename.FileNameLength / sizeof(WCHAR));
    Machine& machine = Machine::Current();
    if (rename.RootDirectory == nullptr) {
        machine.files().ApplySwap(given);
        sim::Lookup found = machine.files().Resolve(given, false);
        if (found.error || !found.parent) return found.error ? found.error : ERROR_ACCESS_DENIED;
        folder = found.parent, name = found.name, drive = found.drive;
        return 0;
    }
    auto root = machine.FindHandle<sim::OpenFile>(rename.RootDirectory, sim::HandleKind::File);
    if (!root || !root->node->IsFolder() || given.empty() || given.find_first_of(L"\\/") != std::wstring::npos) {
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring at = sim::OpenedPath(*root);
    if (!at.empty()) machine.files().ApplySwap(at + L"\\" + given);
    folder = root->node, name = given, drive = root->drive;
    return 0;
}

}  // namespace

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    auto open = Machine::Current().FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    sim::ApplySwapAt(*open);
    const Node& node = *open->node;
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = node.attributes;
    info->ftLastWriteTime = TimeOf(node.writeTime);
    info->dwVolumeSerialNumber = SerialOf(open->drive);
    uint64_t size = node.IsFolder() ? 0 : node.data.size();
    info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(size);
    info->nNumberOfLinks = node.Links();
    return TRUE;
}

// Only the form the program asks for is modelled: the normalized path on its volume, without the
// volume (VOLUME_NAME_NONE), such as "\ProgramData\Tamrix"; "\" for a root. The count includes
// the terminator; a buffer too small gets nothing and the count it needs.
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD count, DWORD flags) {
    auto open = Machine::Current().FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, DWORD(0));
    if (flags != (FILE_NAME_NORMALIZED | VOLUME_NAME_NONE) || path == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    sim::ApplySwapAt(*open);
    std::wstring full = sim::OpenedPath(*open);
    if (full.empty()) return Fail(ERROR_PATH_NOT_FOUND, DWORD(0));
    std::wstring onVolume = full.size() > 2 ? full.substr(2) : L"\\";
    if (onVolume.size() + 1 > count) return static_cast<DWORD>(onVolume.size() + 1);
    std::memcpy(path, onVolume.c_str(), (onVolume.size() + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(onVolume.size());
}

// Only FileRenameInformation is modelled: the handle must carry the right to delete; the new name
// replaces a file only as ReplaceRefusal allows; the handle then names the file at its new place.
NTSTATUS NtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG size, FILE_INFORMATION_CLASS infoClass) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return STATUS_INVALID_HANDLE;
    if (sim::NoteFileOperation(L"NtSetInformationFile")) return STATUS_ACCESS_DENIED;
    const auto* rename = static_cast<const FILE_RENAME_INFO*>(info);
    if (infoClass != FileRenameInformation || rename == nullptr || size < sizeof(FILE_RENAME_INFO) ||
        rename->FileNameLength > size - offsetof(FILE_RENAME_INFO, FileName)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (!(open->access & sim::kDeleteAccess) || !open->via || open->node->IsFolder()) return STATUS_ACCESS_DENIED;
    sim::ApplySwapAt(*open);
    std::shared_ptr<Node> folder;
    std::wstring name;
    wchar_t drive = 0;
    if (DWORD error = RenameTarget(*rename, folder, name, drive)) return StatusOf(error);
    auto& files = machine.files();
    if (drive != open->drive) return STATUS_NOT_SAME_DEVICE;
    if (DWORD error = files.WriteError(drive)) return StatusOf(error);
    machine.Log(L"NtSetInformationFile " + files.PathOf(*folder) + L"\\" + name);
    std::shared_ptr<Node> moving = open->node;
    if (std::shared_ptr<Node> old = folder->Child(name)) {
        if (old == moving) return STATUS_SUCCESS;
        if (DWORD refusal = ReplaceRefusal(*old, rename->ReplaceIfExists != 0)) return StatusOf(refusal);
        files.Reserve(drive, old->Links() == 1 ? old->data.size() : 0, 0);
        files.RemoveChild(*folder, *old);
    }
    files.RemoveChild(*open->via, *moving);
    moving->name = name;
    moving->parent = folder.get();
    folder->children.push_back(moving);
    open->via = folder;
    if (status) *status = IO_STATUS_BLOCK{STATUS_SUCCESS, 0};
    return STATUS_SUCCESS;
}
