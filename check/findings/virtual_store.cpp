#include "check/findings/virtual_store.h"

#include <set>

#include "base/file_read.h"
#include "base/path_buffer.h"
#include "check/facts/live_keys.h"
#include "check/facts/progress.h"
#include "check/facts/settings_scan.h"
#include "check/facts/tree_scan.h"
#include "check/findings/key_compare.h"
#include "files/data_sets.h"
#include "procedures/catalogue.h"
#include "registry/snapshot_table.h"

namespace {

const wchar_t kSoftware[] = L"SOFTWARE\\";

// The suite's top keys below HKEY_LOCAL_MACHINE\SOFTWARE (SOFTWARE\Tamrix), from its tables.
std::set<std::wstring> SuiteKeys() {
    std::set<std::wstring> keys;
    auto add = [&](LPCWSTR subKey) {
        if (subKey == nullptr) return;  // the row of the key snapshots
        std::wstring key = subKey;
        if (UpperCase(key.substr(0, 9)) != kSoftware) return;
        keys.insert(kSoftware + key.substr(9, key.find(L'\\', 9) - 9));
    };
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        if (kCatalogue[i].root == HKEY_LOCAL_MACHINE) add(kCatalogue[i].subKey);
    }
    for (size_t i = 0; i < kSnapshotCount; ++i) add(kSnapshotTable[i].subKey);
    return keys;
}

const hive::Key* KeyAt(const hive::Key& top, const std::wstring& path) {
    const hive::Key* at = &top;
    for (size_t start = 0; at != nullptr && start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring name = UpperCase(path.substr(start, end - start));
        const hive::Key* next = nullptr;
        for (const auto& child : at->subkeys) {
            if (next == nullptr && UpperCase(child.name) == name) next = &child;
        }
        at = next;
        start = end + 1;
    }
    return at;
}

const hive::Value* ValueOf(const hive::Key* key, const std::wstring& name) {
    for (size_t i = 0; key && i < key->values.size(); ++i) {
        if (UpperCase(key->values[i].name) == UpperCase(name)) return &key->values[i];
    }
    return nullptr;
}

// The suite's 32-bit keys lie in the VirtualStore below WOW6432Node on a 64-bit Windows ("Registry
// Redirector"; HKEY_CURRENT_USER\Software\Classes\VirtualStore itself is shared by both views).
size_t CheckKey(const std::wstring& key, Findings& gaps) {
    std::wstring virtualKey = L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\" +
                              std::wstring(WindowsIs64Bit() ? L"WOW6432Node\\" : L"") + key.substr(9);
    LiveKey stored = ReadLiveKey(HKEY_CURRENT_USER, virtualKey.c_str());
    if (stored.state == LiveKeyState::Missing) return 0;
    std::wstring storedName = L"HKEY_CURRENT_USER\\" + virtualKey;
    if (stored.state == LiveKeyState::Unreadable || stored.partly) gaps.push_back({Say::VirtualUnreadable, {L"HKEY_LOCAL_MACHINE\\" + key, storedName}});
    LiveKey machine = ReadLiveKey(HKEY_LOCAL_MACHINE, key.c_str());
    size_t equal = 0;
    ForEachKeyOf(stored.tree, [&](const std::wstring& path, const hive::Key& there) {
        std::wstring below = path.empty() ? std::wstring() : L"\\" + path;
        for (const auto& value : there.values) {
            TickProgress();
            const hive::Value* here = ValueOf(KeyAt(machine.tree, path), value.name);
            std::vector<std::wstring> names = {L"HKEY_LOCAL_MACHINE\\" + key + below, value.name.empty() ? L"(default)" : value.name, storedName + below};
            if (here == nullptr) {
                gaps.push_back({Say::VirtualValueOnlyThere, names, 0, {{value.type, value.data}}});
            } else if (here->type != value.type || here->data != value.data) {
                gaps.push_back({Say::VirtualValueDiffers, names, 0, {{value.type, value.data}, {here->type, here->data}}});
            } else {
                ++equal;
            }
        }
    });
    return equal;
}

// A data set below C:\ProgramData lies in the VirtualStore at the same path below
// %LOCALAPPDATA%\VirtualStore, without its drive.
size_t CheckDataSet(const DataSet& set, Findings& gaps) {
    WCHAR common[MAX_PATH], local[MAX_PATH];
    PathBuffer machineRoot, store, storedRoot;
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common) != S_OK ||
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local) != S_OK || common[0] == 0 || common[1] != L':' ||
        !FormatPath(machineRoot, L"%ls\\%ls", common, set.systemFolder) || !FormatPath(store, L"%ls\\VirtualStore%ls", local, common + 2) ||
        !FormatPath(storedRoot, L"%ls\\%ls", store, set.systemFolder)) {
        return 0;
    }
    TreeScan stored = ScanTree(static_cast<LPCWSTR>(storedRoot));
    size_t equal = 0;
    for (const auto& file : stored.files) {
        size_t slash = file.first.rfind(L'\\');
        if (!PassesFilter(set.filter, file.first.c_str() + (slash == std::wstring::npos ? 0 : slash + 1))) continue;
        TickProgress();
        std::wstring there = std::wstring(storedRoot) + L"\\" + file.first, here = std::wstring(machineRoot) + L"\\" + file.first;
        switch (CompareFileContents(there, here).match) {
        case FileMatch::Same: ++equal; break;
        case FileMatch::CopyMissing: gaps.push_back({Say::VirtualFileOnlyThere, {here, there}}); break;
        case FileMatch::SourceUnreadable:
        case FileMatch::CopyUnreadable: gaps.push_back({Say::VirtualUnreadable, {here, there}}); break;
        case FileMatch::Differs:
        case FileMatch::SizeDiffers: gaps.push_back({Say::VirtualFileDiffers, {here, there}}); break;
        }
    }
    return equal;
}

}  // namespace

void CheckVirtualStore(Findings& gaps, Findings& notes) {
    for (const std::wstring& key : SuiteKeys()) {
        if (size_t equal = CheckKey(key, gaps)) notes.push_back({Say::VirtualEqual, {L"of HKEY_LOCAL_MACHINE\\" + key, std::to_wstring(equal)}});
    }
    for (const DataSet& set : kDataSets) {
        if (set.csidl != CSIDL_COMMON_APPDATA) continue;
        if (size_t equal = CheckDataSet(set, gaps)) notes.push_back({Say::VirtualEqual, {L"of " + std::wstring(set.systemFolder), std::to_wstring(equal)}});
    }
}
