#include "check/facts/live_keys.h"

#include <vector>

#include "platform/handles.h"

namespace {

// The longest key name (255 characters) and value name (16383) the platform allows, with room
// for the terminator.
constexpr DWORD kKeyNameCount = 256;
constexpr DWORD kValueNameCount = 16384;

LiveKeyState StateOf(LONG opened) {
    if (opened == ERROR_SUCCESS) return LiveKeyState::Read;
    return opened == ERROR_FILE_NOT_FOUND ? LiveKeyState::Missing : LiveKeyState::Unreadable;
}

// One value by its index: its name first, then its data in a buffer of the size it reports.
bool ReadValue(HKEY key, DWORD index, std::vector<WCHAR>& name, hive::Value& value, bool& more) {
    DWORD count = kValueNameCount, type = REG_NONE, size = 0;
    LONG result = RegEnumValueW(key, index, name.data(), &count, nullptr, &type, nullptr, &size);
    more = result != ERROR_NO_MORE_ITEMS;
    if (result != ERROR_SUCCESS) return false;
    value.name.assign(name.data(), count);
    value.type = type;
    std::vector<BYTE> data(size);
    count = kValueNameCount;
    result = RegEnumValueW(key, index, name.data(), &count, nullptr, &type, size ? data.data() : nullptr, &size);
    if (result != ERROR_SUCCESS) return false;
    value.data.assign(reinterpret_cast<const char*>(data.data()), size);
    return true;
}

void ReadTree(HKEY key, hive::Key& into, LiveKey& live, int depth) {
    std::vector<WCHAR> name(kValueNameCount);
    bool more = true;
    for (DWORD index = 0; more; ++index) {
        hive::Value value;
        if (ReadValue(key, index, name, value, more)) {
            into.values.push_back(std::move(value));
        } else if (more) {
            live.partly = true;
        }
    }
    for (DWORD index = 0;; ++index) {
        WCHAR childName[kKeyNameCount];
        DWORD count = kKeyNameCount;
        LONG result = RegEnumKeyExW(key, index, childName, &count, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        RegKey child;
        if (result != ERROR_SUCCESS || depth >= hive::kMaxDepth ||
            RegOpenKeyExW(key, childName, 0, KEY_READ | kRegistryView, child.Receive()) != ERROR_SUCCESS) {
            live.partly = true;
            if (result != ERROR_SUCCESS) break;
            continue;
        }
        into.subkeys.emplace_back();
        into.subkeys.back().name.assign(childName, count);
        ReadTree(child.Get(), into.subkeys.back(), live, depth + 1);
    }
}

}  // namespace

LiveKey ReadLiveKey(HKEY root, LPCWSTR subKey) {
    LiveKey live;
    RegKey key;
    live.state = StateOf(RegOpenKeyExW(root, subKey, 0, KEY_READ | kRegistryView, key.Receive()));
    if (live.state == LiveKeyState::Read) ReadTree(key.Get(), live.tree, live, 0);
    return live;
}
