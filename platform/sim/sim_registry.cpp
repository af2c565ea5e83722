// Keys and values of the simulated registry.
#include <algorithm>
#include <cstring>
#include <functional>

#include "machine.h"
#include "registry.h"
#include "win_api.h"

namespace sim {

namespace {

constexpr LONG kErrorNoAccess = 998;       // ERROR_NOACCESS: a data pointer that cannot be read
constexpr LONG kErrorBadPathname = 161;    // ERROR_BAD_PATHNAME: a subkey path with an empty name

const HKEY kRootHandles[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
const wchar_t* const kRootNames[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE",
                                     L"HKEY_USERS"};

int RootIndex(HKEY root) {
    for (int i = 0; i < 4; ++i) {
        if (kRootHandles[i] == root) return i;
    }
    return -1;
}

// The names of a subkey path. Trailing separators are dropped; a leading or doubled separator
// gives an empty name, which the platform refuses.
bool SplitKeyPath(LPCWSTR path, std::vector<std::wstring>& names) {
    names.clear();
    if (path == nullptr) return true;
    std::wstring text(path);
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    if (text.empty()) return true;
    std::wstring part;
    for (wchar_t ch : text) {
        if (ch != L'\\') {
            part += ch;
            continue;
        }
        if (part.empty()) return false;
        names.push_back(part);
        part.clear();
    }
    names.push_back(part);
    return true;
}

// The key rights asked for, the view flags dropped. Generic rights and MAXIMUM_ALLOWED are not
// modelled: they are refused as rights no key grants.
REGSAM KeyRights(REGSAM access) { return access & ~REGSAM(KEY_WOW64_32KEY | KEY_WOW64_64KEY); }

std::shared_ptr<RegNode> NewNode(RegNode& parent, const std::wstring& name) {
    auto node = std::make_shared<RegNode>();
    node->name = name;
    node->parent = &parent;
    node->root = parent.root;
    parent.subkeys.push_back(node);
    return node;
}

// The log line and fault path of a call on a key: its full path and the subkey below it.
std::wstring CallPath(const RegNode& node, LPCWSTR subKey) {
    std::wstring path = node.Path();
    if (subKey != nullptr && *subKey != 0) path += std::wstring(L"\\") + subKey;
    return path;
}

HKEY AddKeyHandle(const std::shared_ptr<RegNode>& node, REGSAM access) {
    auto open = std::make_shared<OpenKey>();
    open->node = node;
    open->access = access;
    return reinterpret_cast<HKEY>(Machine::Current().AddHandle(HandleKind::Key, open));
}

std::wstring Hex(const std::vector<uint8_t>& data) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    for (uint8_t byte : data) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

}  // namespace

std::shared_ptr<RegNode> RegNode::Subkey(const std::wstring& subkeyName) const {
    for (const auto& child : subkeys) {
        if (SameName(child->name, subkeyName)) return child;
    }
    return nullptr;
}

RegValue* RegNode::Value(const std::wstring& valueName) {
    for (auto& value : values) {
        if (SameName(value.name, valueName)) return &value;
    }
    return nullptr;
}

std::wstring RegNode::Path() const {
    if (parent == nullptr) return RootName(root);
    return parent->Path() + L"\\" + name;
}

const wchar_t* RootName(HKEY root) {
    int index = RootIndex(root);
    return index < 0 ? nullptr : kRootNames[index];
}

LONG ResolveKey(HKEY key, OpenKey& out) {
    Machine& machine = Machine::Current();
    if (auto root = machine.registry().Root(key)) {
        out.node = root;
        out.access = kAllKeyRights;
        return ERROR_SUCCESS;
    }
    auto open = machine.FindHandle<OpenKey>(reinterpret_cast<HANDLE>(key), HandleKind::Key);
    if (!open) return ERROR_INVALID_HANDLE;
    if (open->node->deleted) return ERROR_KEY_DELETED;
    out = *open;
    return ERROR_SUCCESS;
}

std::vector<uint8_t> TextBytes(const std::wstring& text, bool terminator) {
    size_t count = text.size() + (terminator ? 1 : 0);
    std::vector<uint8_t> bytes(count * sizeof(WCHAR));
    if (!bytes.empty()) std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
}

std::vector<uint8_t> DwordBytes(DWORD value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

void MarkDeleted(RegNode& node) {
    node.deleted = true;
    for (auto& child : node.subkeys) MarkDeleted(*child);
}

Registry::Registry() {
    for (int i = 0; i < 4; ++i) {
        roots[i] = std::make_shared<RegNode>();
        roots[i]->root = kRootHandles[i];
    }
}

std::shared_ptr<RegNode> Registry::Root(HKEY root) const {
    int index = RootIndex(root);
    return index < 0 ? nullptr : roots[index];
}

std::shared_ptr<RegNode> Registry::MakeKey(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    auto node = Root(root);
    if (!node || !SplitKeyPath(path.c_str(), names)) return nullptr;
    for (const auto& name : names) {
        auto child = node->Subkey(name);
        node = child ? child : NewNode(*node, name);
    }
    return node;
}

std::shared_ptr<RegNode> Registry::Find(HKEY root, const std::wstring& path) const {
    std::vector<std::wstring> names;
    auto node = Root(root);
    if (!node || !SplitKeyPath(path.c_str(), names)) return nullptr;
    for (const auto& name : names) {
        node = node->Subkey(name);
        if (!node) return nullptr;
    }
    return node;
}

void Registry::SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                        const std::vector<uint8_t>& data) {
    auto node = MakeKey(root, path);
    if (!node) return;
    RegValue* value = node->Value(name);
    if (value == nullptr) {
        node->values.push_back(RegValue{name, type, data});
        return;
    }
    value->type = type;
    value->data = data;
}

void Registry::SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    SetValue(root, path, name, REG_DWORD, DwordBytes(value));
}

void Registry::SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                         DWORD type) {
    SetValue(root, path, name, type, TextBytes(text));
}

const RegValue* Registry::GetValue(HKEY root, const std::wstring& path, const std::wstring& name) const {
    auto node = Find(root, path);
    return node ? node->Value(name) : nullptr;
}

void Registry::DeleteTree(HKEY root, const std::wstring& path) {
    auto node = Find(root, path);
    if (!node || node->parent == nullptr) return;
    auto& siblings = node->parent->subkeys;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
    MarkDeleted(*node);
}

void Registry::Restrict(HKEY root, const std::wstring& path, REGSAM granted) {
    if (auto node = Find(root, path)) node->granted = granted;
}

std::vector<std::wstring> Registry::Listing() const {
    std::vector<std::wstring> lines;
    std::function<void(const RegNode&)> add = [&](const RegNode& node) {
        std::wstring path = node.Path();
        lines.push_back(path);
        for (const auto& value : node.values) {
            lines.push_back(path + L"|" + value.name + L"|" + std::to_wstring(value.type) + L"|" + Hex(value.data));
        }
        for (const auto& child : node.subkeys) add(*child);
    };
    for (const auto& root : roots) add(*root);
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace sim

using sim::Machine;
using sim::OpenKey;
using sim::RegNode;

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Machine& machine = Machine::Current();
    OpenKey parent;
    if (LONG error = sim::ResolveKey(key, parent)) return error;
    std::wstring path = sim::CallPath(*parent.node, subKey);
    machine.Log(L"RegOpenKeyExW " + path);
    std::vector<std::wstring> names;
    if (!sim::SplitKeyPath(subKey, names)) return sim::kErrorBadPathname;
    if (names.empty() && machine.registry().Root(key)) {  // a root opened as itself
        *result = key;
        return ERROR_SUCCESS;
    }
    std::shared_ptr<RegNode> node = parent.node;
    for (const auto& name : names) {
        node = node->Subkey(name);
        if (!node) return ERROR_FILE_NOT_FOUND;
    }
    REGSAM wanted = sim::KeyRights(access);
    if ((wanted & ~node->granted) != 0) return ERROR_ACCESS_DENIED;
    *result = sim::AddKeyHandle(node, wanted);
    return ERROR_SUCCESS;
}

// The access of the handle that names the parent is not examined, as on Windows: each key created
// asks its own parent for KEY_CREATE_SUB_KEY.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition) {
    if (DWORD ended = sim::Machine::Current().Step()) return static_cast<LONG>(ended);
    if (result == nullptr) return ERROR_BADKEY;
    *result = nullptr;
    Machine& machine = Machine::Current();
    OpenKey parent;
    if (LONG error = sim::ResolveKey(key, parent)) return error;
    std::wstring path = sim::CallPath(*parent.node, subKey);
    machine.Log(L"RegCreateKeyExW " + path);
    std::vector<std::wstring> names;
    if (!sim::SplitKeyPath(subKey, names)) return sim::kErrorBadPathname;
    std::shared_ptr<RegNode> node = parent.node;
    bool created = false;
    for (const auto& name : names) {
        auto child = node->Subkey(name);
        if (!child) {
            if ((node->granted & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
            child = sim::NewNode(*node, name);
            created = true;
        } else {
            created = false;
        }
        node = child;
    }
    REGSAM wanted = sim::KeyRights(access);
    if ((wanted & ~node->granted) != 0) return ERROR_ACCESS_DENIED;
    *result = sim::AddKeyHandle(node, wanted);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return ERROR_INVALID_PARAMETER;
    if ((open.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    std::wstring name = valueName ? valueName : L"";
    const sim::RegValue* value = open.node->Value(name);
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    DWORD size = static_cast<DWORD>(value->data.size());
    if (type) *type = value->type;
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(data, value->data.data(), size);
    }
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    if (DWORD ended = sim::Machine::Current().Step()) return static_cast<LONG>(ended);
    Machine& machine = Machine::Current();
    OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if ((open.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    if (data == nullptr && dataSize != 0) return sim::kErrorNoAccess;
    std::wstring name = valueName ? valueName : L"";
    machine.Log(L"RegSetValueExW " + open.node->Path() + L"|" + name);
    if (DWORD error = machine.faults().Check("RegSetValueExW")) return static_cast<LONG>(error);
    std::vector<uint8_t> bytes(data, data + dataSize);
    if (sim::RegValue* value = open.node->Value(name)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        open.node->values.push_back(sim::RegValue{name, type, std::move(bytes)});
    }
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    Machine& machine = Machine::Current();
    if (machine.registry().Root(key)) return ERROR_SUCCESS;
    HANDLE handle = reinterpret_cast<HANDLE>(key);
    return machine.CloseHandleOf(handle, sim::HandleKind::Key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
