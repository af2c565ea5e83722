// Copying and deleting files and removing folders on the simulated machine.
//
// A copy opens its source for reading and its destination for writing with the sharing the
// platform's copy uses, so a file held by another program or handle fails the same way; the copy
// takes the source's attributes and last-write time. A copy that runs out of space fails with
// ERROR_DISK_FULL and leaves a partial destination behind, as much of the source as fitted: the
// file it replaced is lost. (Wine does so; Windows may too, so the program must not rely on either.)
#include <string>

#include "drives.h"
#include "filesystem.h"
#include "machine.h"
#include "win_api.h"

using sim::Fail;
using sim::Machine;
using sim::Node;

namespace {

// How the platform's copy opens its two files.
constexpr DWORD kCopySourceShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kCopyDestinationShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// How deletion opens the entry it removes.
constexpr DWORD kDeleteShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The error for a path whose last entry is missing: the entry, or a folder on the way to it.
DWORD MissingError(const sim::Lookup& found) { return found.parent ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND; }

// The source side of a copy: an existing file that can be read.
DWORD CheckCopySource(const sim::Lookup& source) {
    if (source.error) return source.error;
    if (!source.node) return MissingError(source);
    if (source.node->IsFolder()) return ERROR_ACCESS_DENIED;
    if (sim::SharingConflict(*source.node, GENERIC_READ, kCopySourceShare)) return ERROR_SHARING_VIOLATION;
    return 0;
}

// The destination side of a copy: a new file in an existing folder, or an existing file that may
// be replaced by one with the source's attributes.
DWORD CheckCopyDestination(const sim::Lookup& destination, const Node& source, BOOL failIfExists) {
    if (destination.error) return destination.error;
    if (!destination.parent) return destination.node ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    if (const auto& node = destination.node) {
        if (failIfExists) return ERROR_FILE_EXISTS;
        if (node.get() == &source) return ERROR_SHARING_VIOLATION;
        if (node->IsFolder()) return ERROR_ACCESS_DENIED;
        if (node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
        // A hidden or system file is replaced only by one that is hidden or system too.
        DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if ((node->attributes & hiddenSystem & ~source.attributes) != 0) return ERROR_ACCESS_DENIED;
        if (sim::SharingConflict(*node, GENERIC_WRITE, kCopyDestinationShare)) return ERROR_SHARING_VIOLATION;
    }
    return Machine::Current().files().WriteError(destination.drive);
}

// Writes the source's content, attributes and time into the destination, which is created when
// missing. When the drive lacks the room, the destination is cut where the room ran out and the
// copy fails with ERROR_DISK_FULL.
DWORD WriteCopy(const sim::Lookup& destination, const Node& source) {
    auto& files = Machine::Current().files();
    std::shared_ptr<Node> node = destination.node;
    if (!node) node = files.AddChild(destination.parent, destination.name, false);
    files.Reserve(destination.drive, node->data.size(), 0);
    uint64_t room = (*files.drives)[destination.drive].freeBytes;
    if (room < source.data.size()) {
        node->data.assign(source.data.begin(), source.data.begin() + static_cast<size_t>(room));
        files.Reserve(destination.drive, 0, room);
        node->writeTime = files.clock++;
        return ERROR_DISK_FULL;
    }
    files.Reserve(destination.drive, 0, source.data.size());
    node->data = source.data;
    node->attributes = source.attributes & ~DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    node->writeTime = source.writeTime;
    return 0;
}

}  // namespace

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    Machine& machine = Machine::Current();
    if (from == nullptr || to == nullptr) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    machine.Log(std::wstring(L"CopyFileW ") + from + L" -> " + to);
    if (DWORD error = sim::NoteFileOperation(L"CopyFileW")) return Fail(error, FALSE);
    machine.files().ApplySwap(from);
    machine.files().ApplySwap(to);
    sim::Lookup source = machine.files().Resolve(from, true);
    if (DWORD error = CheckCopySource(source)) return Fail(error, FALSE);
    sim::Lookup destination = machine.files().Resolve(to, true);
    if (DWORD error = CheckCopyDestination(destination, *source.node, failIfExists)) return Fail(error, FALSE);
    if (DWORD error = WriteCopy(destination, *source.node)) return Fail(error, FALSE);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

// Removes a file, or a symbolic link to a file, never the file it points to. Folders, links to
// folders included, are refused: they are removed with RemoveDirectoryW.
BOOL DeleteFileW(LPCWSTR path) {
    Machine& machine = Machine::Current();
    if (path == nullptr) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    machine.Log(std::wstring(L"DeleteFileW ") + path);
    if (DWORD error = sim::NoteFileOperation(L"DeleteFileW")) return Fail(error, FALSE);
    auto& files = machine.files();
    files.ApplySwap(path);
    sim::Lookup found = files.Resolve(path, false);
    if (found.error) return Fail(found.error, FALSE);
    if (!found.node) return Fail(MissingError(found), FALSE);
    if (!found.parent || found.node->IsFolder()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (DWORD error = files.WriteError(found.drive)) return Fail(error, FALSE);
    if (sim::SharingConflict(*found.node, sim::kDeleteAccess, kDeleteShare)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    if (found.node->attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED, FALSE);
    files.Reserve(found.drive, found.node->data.size(), 0);
    files.RemoveChild(*found.parent, *found.node);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

// Renames a file within its drive; an existing file at the new name is replaced only with
// MOVEFILE_REPLACE_EXISTING, and never when it is read-only, a folder or open without delete sharing.
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    Machine& machine = Machine::Current();
    if (from == nullptr || to == nullptr) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    machine.Log(std::wstring(L"MoveFileExW ") + from + L" -> " + to);
    if (DWORD error = sim::NoteFileOperation(L"MoveFileExW")) return Fail(error, FALSE);
    auto& files = machine.files();
    files.ApplySwap(from);
    files.ApplySwap(to);
    sim::Lookup source = files.Resolve(from, false);
    if (source.error) return Fail(source.error, FALSE);
    if (!source.node) return Fail(MissingError(source), FALSE);
    if (!source.parent || source.node->IsFolder()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (sim::SharingConflict(*source.node, sim::kDeleteAccess, kDeleteShare)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    sim::Lookup target = files.Resolve(to, false);
    if (target.error) return Fail(target.error, FALSE);
    if (!target.parent) return Fail(target.node ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND, FALSE);
    if (target.drive != source.drive) return Fail(ERROR_NOT_SAME_DEVICE, FALSE);
    if (DWORD error = files.WriteError(target.drive)) return Fail(error, FALSE);
    std::shared_ptr<Node> moving = source.node;
    if (const auto& old = target.node) {
        if (old == moving) return Fail(ERROR_SUCCESS, TRUE);
        if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return Fail(ERROR_ALREADY_EXISTS, FALSE);
        if (old->IsFolder() || (old->attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (sim::SharingConflict(*old, sim::kDeleteAccess, kDeleteShare)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
        files.Reserve(target.drive, old->data.size(), 0);
        files.RemoveChild(*target.parent, *old);
    }
    files.RemoveChild(*source.parent, *moving);
    moving->name = target.name;
    moving->parent = target.parent.get();
    target.parent->children.push_back(moving);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}

// Removes an empty folder. A link to a folder is removed as the link, whatever its target holds.
BOOL RemoveDirectoryW(LPCWSTR path) {
    Machine& machine = Machine::Current();
    if (path == nullptr) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    machine.Log(std::wstring(L"RemoveDirectoryW ") + path);
    if (DWORD error = sim::NoteFileOperation(L"RemoveDirectoryW")) return Fail(error, FALSE);
    auto& files = machine.files();
    files.ApplySwap(path);
    sim::Lookup found = files.Resolve(path, false);
    if (found.error) return Fail(found.error, FALSE);
    if (!found.node) return Fail(MissingError(found), FALSE);
    if (!found.parent) return Fail(ERROR_ACCESS_DENIED, FALSE);  // a drive root
    if (!found.node->IsFolder()) return Fail(ERROR_DIRECTORY, FALSE);
    if (DWORD error = files.WriteError(found.drive)) return Fail(error, FALSE);
    if (found.node->inUse) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    if (found.node->attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (!found.node->IsLink() && !found.node->children.empty()) return Fail(ERROR_DIR_NOT_EMPTY, FALSE);
    files.RemoveChild(*found.parent, *found.node);
    machine.lastError = ERROR_SUCCESS;
    return TRUE;
}
