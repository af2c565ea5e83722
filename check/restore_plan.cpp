#include "check/restore_plan.h"

#include <cinttypes>
#include <set>

#include "base/file_read.h"
#include "check/catalogue_check.h"
#include "check/settings_scan.h"

namespace {

Json Values(const std::vector<ReplayedWrite>& writes) {
    Json values = Json::array();
    for (const auto& write : writes) {
        Json value = {{"section", Utf8(SectionOf(write.root, write.subKey.c_str()))}, {"name", Utf8(write.name)},
                      {"type", write.isString ? "REG_SZ" : "REG_DWORD"}};
        if (write.isString) {
            value["data"] = Utf8(write.text);
        } else {
            value["data"] = write.number;
        }
        values.push_back(value);
    }
    return values;
}

// The path with the size and hash of the file the copy is made from; null when it cannot be read.
Json HashedFile(const char* pathKey, const std::wstring& path, const std::wstring& from) {
    FileHash hash = HashWholeFile(from);
    if (hash.status != FileReadStatus::Read) return nullptr;
    return {{pathKey, Utf8(path)}, {"bytes", hash.size}, {"fnv1a64", HashText(hash.fnv1a64)}};
}

Json Keys(const std::vector<PlannedHive>& hives) {
    Json keys = Json::array();
    for (const auto& hive : hives) {
        Json key = HashedFile("file", hive.file, hive.file);
        if (key.is_null()) continue;
        key["key"] = Utf8(hive.key);
        keys.push_back(key);
    }
    return keys;
}

// The files that land and stay: not those that cannot land, nor those deleted after the copy.
Json Files(const PreviewReport& preview) {
    std::set<std::wstring> deleted;
    for (const auto& path : preview.deletedPaths) deleted.insert(UpperCase(path));
    Json files = Json::array();
    for (const auto& file : preview.files) {
        if (file.outcome == FileOutcome::NotRestored || deleted.count(UpperCase(file.path))) continue;
        Json entry = HashedFile("path", file.path, file.copy);
        if (!entry.is_null()) files.push_back(entry);
    }
    return files;
}

Json Folders(const std::vector<FolderChange>& changes) {
    Json folders = Json::array();
    for (const auto& folder : changes) {
        if (folder.outcome == FolderOutcome::Create) folders.push_back({{"value", Utf8(folder.valueName)}, {"path", Utf8(folder.path)}});
    }
    return folders;
}

}  // namespace

std::string HashText(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

Json RestorePlanJson(const PreviewReport& preview) {
    return {{"format", kRestorePlanFormat},     {"version", kRestorePlanVersion},  {"values", Values(preview.writes)},
            {"keys", Keys(preview.hives)},      {"files", Files(preview)},         {"folders", Folders(preview.folders)},
            {"deleted", JsonStrings(preview.deletedPaths)}};
}
