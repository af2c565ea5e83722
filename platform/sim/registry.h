// The simulated registry: the four predefined roots, each a tree of keys holding typed values as
// raw bytes, the keys opened through handles, and the control interface through which tests seed
// the registry, read it back and make keys refuse to be opened.
//
// The simulation has one view: KEY_WOW64_32KEY and KEY_WOW64_64KEY are accepted and ignored.
// Value data are stored exactly as given; text written by the host holds host WCHARs (4 bytes).
// (The platform, given string data whose last character is not NUL, also stores the character
// that follows the data in the caller's memory when that one is NUL; that is not modelled.)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win_types.h"

namespace sim {

// Every right a key can grant: KEY_ALL_ACCESS and SYNCHRONIZE.
constexpr REGSAM kAllKeyRights = KEY_ALL_ACCESS | 0x00100000;

struct RegValue {
    std::wstring name;  // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct RegNode {
    std::wstring name;
    std::vector<RegValue> values;                   // in the order they were first set
    std::vector<std::shared_ptr<RegNode>> subkeys;  // in the order they were made
    RegNode* parent = nullptr;
    HKEY root = nullptr;           // the predefined root the key lies below
    REGSAM granted = kAllKeyRights;  // what an opening may ask for
    bool deleted = false;          // removed from the tree; handles to it see ERROR_KEY_DELETED

    std::shared_ptr<RegNode> Subkey(const std::wstring& subkeyName) const;
    RegValue* Value(const std::wstring& valueName);
    // "HKEY_LOCAL_MACHINE\SOFTWARE\Tamrix": the root's name and the path below it.
    std::wstring Path() const;
};

// A key opened through RegOpenKeyExW or RegCreateKeyExW: the key and the access granted.
struct OpenKey {
    std::shared_ptr<RegNode> node;
    REGSAM access = 0;
};

// The name of a predefined root ("HKEY_CURRENT_USER"), or null for any other handle.
const wchar_t* RootName(HKEY root);

// The key a handle stands for, with the access it grants: a predefined root grants all access.
// Returns ERROR_INVALID_HANDLE for an unknown handle and ERROR_KEY_DELETED for a deleted key.
LONG ResolveKey(HKEY key, OpenKey& out);

// The raw bytes of a host wide string, as RegSetValueExW takes them; with the terminator unless
// told otherwise.
std::vector<uint8_t> TextBytes(const std::wstring& text, bool terminator = true);
// The little-endian bytes of a 32-bit number.
std::vector<uint8_t> DwordBytes(DWORD value);

struct Registry {
    Registry();

    // The tree of a predefined root, or null for any other handle.
    std::shared_ptr<RegNode> Root(HKEY root) const;

    // Control interface for tests. Paths are below a root, such as L"SOFTWARE\\Tamrix".
    std::shared_ptr<RegNode> MakeKey(HKEY root, const std::wstring& path);  // with every missing parent
    std::shared_ptr<RegNode> Find(HKEY root, const std::wstring& path) const;  // null when missing
    bool HasKey(HKEY root, const std::wstring& path) const { return Find(root, path) != nullptr; }
    // Sets a value of any type, creating the key with its parents.
    void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                  const std::vector<uint8_t>& data);
    void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
    void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                   DWORD type = REG_SZ);
    // The value, or null when the key or the value is missing.
    const RegValue* GetValue(HKEY root, const std::wstring& path, const std::wstring& name) const;
    // Removes a key with everything below it; open handles to them see ERROR_KEY_DELETED.
    void DeleteTree(HKEY root, const std::wstring& path);
    // From now on the key may be opened only with rights within `granted` (0: it refuses every
    // opening with ERROR_ACCESS_DENIED), and keys are created below it only when it grants
    // KEY_CREATE_SUB_KEY.
    void Restrict(HKEY root, const std::wstring& path, REGSAM granted = 0);
    // Every key and value of the four roots, one line each, sorted: "path" for a key and
    // "path|name|type|hex data" for a value. Used to compare the whole registry before and after.
    std::vector<std::wstring> Listing() const;

    std::shared_ptr<RegNode> roots[4];
};

// Marks a key and everything below it deleted (the tree itself is left to the caller).
void MarkDeleted(RegNode& node);

}  // namespace sim
