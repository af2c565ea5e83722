// What a file handle tells of the entry it is open on, and the rename through a handle, on the
// simulated machine.
#include <algorithm>
#include <cstring>

#include "drives.h"
#include "filesystem.h"
#include "machine.h"
#include "win_api.h"
#include "platform/platform.h"

using sim::Fail;
using sim::Machine;
using sim::Node;

namespace sim {

std::wstring OpenedPath(const OpenFile& open) {
    if (!open.via) return Machine::Current().files().PathOf(*open.node);  // a root, as its volume names it
    std::wstring folder = Machine::Current().files().PathOf(*open.via);
    return folder.empty() ? folder : folder + L"\\" + open.node->name;
}

void ApplySwapAt(const OpenFile& open) {
    std::wstring path = OpenedPath(open);
    if (!path.empty()) Machine::Current().files().ApplySwap(path);
}

}  // namespace sim

namespace {

// Whether the file may take the place of the one at the new name. A read-only file and a folder
// are never replaced. Without POSIX semantics neither is a file that any handle has open, whatever
// it shares; with them, one whose every opener shares its deletion is ("FILE_RENAME_INFORMATION
// structure": FILE_RENAME_REPLACE_IF_EXISTS, FILE_RENAME_POSIX_SEMANTICS).
bool MayReplace(const Node& old, ULONG flags) {
    bool posix = (flags & kFileRenamePosixSemantics) != 0;
    if (!(flags & kFileRenameReplaceIfExists) || old.IsFolder() || (old.attributes & FILE_ATTRIBUTE_READONLY) || old.inUse) return false;
    if (sim::HeldElsewhere(old) && !(posix && (old.heldShare & FILE_SHARE_DELETE))) return false;
    return std::none_of(old.opens.begin(), old.opens.end(), [posix](const std::weak_ptr<sim::OpenFile>& weak) {
        auto open = weak.lock();
        return open && !(posix && (open->share & FILE_SHARE_DELETE));
    });
}

// The flags of a rename of either class, which share one layout: the classic class's
// ReplaceIfExists, or the Ex class's flags, where POSIX renames are offered.
NTSTATUS RenameFlags(PVOID info, ULONG size, FILE_INFORMATION_CLASS infoClass, ULONG& flags) {
    const auto* rename = static_cast<const FILE_RENAME_INFORMATION_EX*>(info);
    bool ex = infoClass == FileRenameInformationEx;
    if (ex && !Machine::Current().files().posixRenameOffered) return kStatusNotImplemented;
    if ((!ex && infoClass != FileRenameInformation) || rename == nullptr || size < sizeof *rename ||
        rename->FileNameLength > size - offsetof(FILE_RENAME_INFORMATION_EX, FileName)) {
        return STATUS_INVALID_PARAMETER;
    }
    flags = ex ? rename->Flags : (static_cast<const FILE_RENAME_INFO*>(info)->ReplaceIfExists ? kFileRenameReplaceIfExists : 0);
    return STATUS_SUCCESS;
}

}  // namespace

// "GetFinalPathNameByHandleW": only the form the program asks for is modelled, the normalized path
// with its drive
// (VOLUME_NAME_DOS), such as "\\?\C:\ProgramData\Tamrix"; "\\?\C:\" for a root. The count
// includes the terminator; a buffer too small gets nothing and the count it needs.
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD count, DWORD flags) {
    auto open = Machine::Current().FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    if (!open) return Fail(ERROR_INVALID_HANDLE, DWORD(0));
    if (flags != (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) || path == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    sim::ApplySwapAt(*open);
    std::wstring full = sim::OpenedPath(*open);
    if (full.empty()) return Fail(ERROR_PATH_NOT_FOUND, DWORD(0));
    full = L"\\\\?\\" + full + (full.size() == 2 ? L"\\" : L"");
    if (full.size() + 1 > count) return static_cast<DWORD>(full.size() + 1);
    std::memcpy(path, full.c_str(), (full.size() + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(full.size());
}

// Only the renames (FileRenameInformation, and FileRenameInformationEx with its replace and POSIX
// flags) to a name in the folder that RootDirectory is open on are modelled: the handle must carry
// the right to delete; the new name replaces a file only as MayReplace allows; the handle then
// names the file at its new place.
NTSTATUS NtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG size, FILE_INFORMATION_CLASS infoClass) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenFile>(file, sim::HandleKind::File);
    ULONG flags = 0;
    if (NTSTATUS refused = RenameFlags(info, size, infoClass, flags)) return refused;
    const auto* rename = static_cast<const FILE_RENAME_INFORMATION_EX*>(info);
    auto root = machine.FindHandle<sim::OpenFile>(rename->RootDirectory, sim::HandleKind::File);
    std::wstring name(rename->FileName, rename->FileNameLength / sizeof(WCHAR));
    if (!open) return STATUS_INVALID_PARAMETER;
    if (!root || !root->node->IsFolder() || name.empty() || name.find_first_of(L"\\/") != std::wstring::npos) {
        return STATUS_INVALID_PARAMETER;
    }
    if (sim::NoteFileOperation(L"NtSetInformationFile")) return STATUS_ACCESS_DENIED;
    sim::ApplySwapAt(*open);
    std::wstring at = sim::OpenedPath(*root);
    auto& files = machine.files();
    if (!at.empty()) files.ApplySwap(at + L"\\" + name);
    std::shared_ptr<Node> folder = root->node, moving = open->node;
    if (!(open->access & sim::kDeleteAccess) || !open->via || moving->IsFolder() || root->drive != open->drive ||
        files.WriteError(root->drive)) {
        return STATUS_ACCESS_DENIED;
    }
    machine.Log(L"NtSetInformationFile " + at + L"\\" + name);
    if (std::shared_ptr<Node> old = folder->Child(name)) {
        if (old == moving) return STATUS_SUCCESS;
        if (!MayReplace(*old, flags)) return STATUS_ACCESS_DENIED;
        files.Reserve(root->drive, old->Links() == 1 ? old->data.size() : 0, 0);
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
