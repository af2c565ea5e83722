// Registry keys as files: RegSaveKeyW writes a key's whole tree into a file in the platform's
// hive format, RegRestoreKeyW replaces a key's whole tree by the one such a file holds
// (sim_regf.cpp).

#include "filesystem.h"
#include "machine.h"
#include "registry.h"
#include "sim_regf.h"
#include "token.h"
#include "win_api.h"

using sim::Machine;

// The file is made first, as the platform does: an existing file is refused before anything else
// is looked at, and a failure after that (no privilege, a full disk) leaves the new file behind,
// empty. Saving a whole predefined root is not modelled.
LONG RegSaveKeyW(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES) {
    if (DWORD ended = sim::Machine::Current().Step()) return static_cast<LONG>(ended);
    Machine& machine = Machine::Current();
    sim::OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (file == nullptr) return ERROR_INVALID_PARAMETER;
    if (open.node->parent == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    machine.Log(std::wstring(L"RegSaveKeyW ") + file);
    auto& files = machine.files();
    sim::Lookup found = files.Resolve(file, true);
    if (found.error) return static_cast<LONG>(found.error);
    if (!found.parent) return found.node ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    if (found.node) return ERROR_ALREADY_EXISTS;
    if (DWORD error = files.WriteError(found.drive)) return static_cast<LONG>(error);
    auto node = files.AddChild(found.parent, found.name, false);
    if (!machine.token().Enabled(SE_BACKUP_NAME)) return ERROR_PRIVILEGE_NOT_HELD;
    std::vector<uint8_t> bytes = sim::WriteRegf(*open.node);
    if (!files.Reserve(found.drive, 0, bytes.size())) return ERROR_DISK_FULL;
    node->data = std::move(bytes);
    return ERROR_SUCCESS;
}

// The key keeps its identity (handles to it stay valid); its values and subkeys are replaced, and
// handles to the old subkeys see ERROR_KEY_DELETED. Only a forced restore (REG_FORCE_RESTORE) of
// a key below a predefined root is modelled.
LONG RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD flags) {
    if (DWORD ended = sim::Machine::Current().Step()) return static_cast<LONG>(ended);
    Machine& machine = Machine::Current();
    sim::OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (file == nullptr) return ERROR_INVALID_PARAMETER;
    if (flags != REG_FORCE_RESTORE || open.node->parent == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    machine.Log(std::wstring(L"RegRestoreKeyW ") + file);
    if (DWORD error = machine.faults().Check("RegRestoreKeyW")) return static_cast<LONG>(error);
    sim::Lookup found = machine.files().Resolve(file, true);
    if (found.error) return static_cast<LONG>(found.error);
    if (!found.node) return found.parent ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    if (found.node->IsFolder()) return ERROR_ACCESS_DENIED;
    if (found.node->inUse) return ERROR_SHARING_VIOLATION;
    // "The calling process must have the SE_RESTORE_NAME and SE_BACKUP_NAME privileges" (RegRestoreKeyW).
    if (!machine.token().Enabled(SE_RESTORE_NAME) || !machine.token().Enabled(SE_BACKUP_NAME)) return ERROR_PRIVILEGE_NOT_HELD;
    sim::RegNode& target = *open.node;
    sim::RegNode loaded;
    loaded.root = target.root;
    if (!sim::ReadRegf(found.node->data, loaded)) return ERROR_REGISTRY_CORRUPT;
    for (auto& child : target.subkeys) sim::MarkDeleted(*child);
    target.values = std::move(loaded.values);
    target.subkeys = std::move(loaded.subkeys);
    for (auto& child : target.subkeys) child->parent = &target;
    return ERROR_SUCCESS;
}
