#include "check/confirm.h"

#include <cstring>

#include "base/file_read.h"
#include "check/catalogue_check.h"
#include "check/live_registry.h"
#include "check/preview_files.h"
#include "check/restore_plan.h"
#include "check/restore_replay.h"
#include "check/settings_scan.h"
#include "check/tree_scan.h"
#include "registry/snapshot_keys.h"

namespace {

constexpr uint64_t kPlanSizeBound = 256ull << 20;

// The root and subkey of a settings-file section, by the program's own section names.
bool SplitSection(const std::wstring& section, HKEY& root, std::wstring& subKey) {
    for (HKEY candidate : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        std::wstring prefix = SectionOf(candidate, L"");
        if (section.size() > prefix.size() && UpperCase(section.substr(0, prefix.size())) == UpperCase(prefix)) {
            root = candidate;
            subKey = section.substr(prefix.size());
            return true;
        }
    }
    return false;
}

std::wstring Described(const LiveValue& live) {
    std::wstring type = live.type == REG_DWORD ? L"REG_DWORD" : live.type == REG_SZ ? L"REG_SZ" : L"type " + std::to_wstring(live.type);
    return type + L" \"" + live.AsText() + L"\"";
}

class Confirmation {
public:
    explicit Confirmation(ConfirmReport& report) : report_(report) {}

    void Value(const Json& value) {
        std::wstring section = JsonWide(value, "section"), name = JsonWide(value, "name");
        std::string type = value.at("type").get<std::string>();
        HKEY root = nullptr;
        std::wstring subKey;
        if ((type != "REG_SZ" && type != "REG_DWORD") || !SplitSection(section, root, subKey)) throw std::invalid_argument("a value");
        bool isString = type == "REG_SZ";
        std::wstring planned = isString ? JsonWide(value, "data") : NumberText(value.at("data").get<DWORD>());
        LiveValue live = ReadLiveValue(root, subKey, name);
        std::wstring what = L"[" + section + L"] " + name;
        switch (live.state) {
        case LiveState::MissingKey: return Check("value", what, false, L"missing key");
        case LiveState::MissingValue: return Check("value", what, false, L"missing value");
        case LiveState::Unreadable: return Check("value", what, false, L"cannot be read");
        case LiveState::Present: break;
        }
        bool same = live.type == (isString ? REG_SZ : REG_DWORD) && (isString || live.data.size() == 4) && live.AsText() == planned;
        Check("value", what, same, L"differs (now " + Described(live) + L", planned " + std::wstring(isString ? L"REG_SZ" : L"REG_DWORD") +
                                       L" \"" + planned + L"\")");
    }

    void File(const Json& file) {
        std::wstring path = JsonWide(file, "path");
        FileHash hash = HashWholeFile(path);
        uint64_t bytes = file.at("bytes").get<uint64_t>();
        std::wstring why = hash.status == FileReadStatus::Missing ? L"missing"
                           : hash.status != FileReadStatus::Read  ? L"cannot be read"
                           : hash.size != bytes ? L"differs (" + std::to_wstring(hash.size) + L" bytes, planned " + std::to_wstring(bytes) + L")"
                                                : L"differs in content";
        bool same = hash.status == FileReadStatus::Read && hash.size == bytes && HashText(hash.fnv1a64) == file.at("fnv1a64").get<std::string>();
        Check("file", path, same, why);
    }

    void Folder(const Json& folder) {
        std::wstring path = JsonWide(folder, "path");
        Check("folder", path + L" (" + JsonWide(folder, "value") + L")", FolderExists(path), L"missing");
    }

    void Deleted(const Json& entry) {
        std::wstring path = FromUtf8(entry.get<std::string>());
        Check("deleted", path, KindOfEntry(path) == EntryKind::Missing, L"still there");
    }

    void Key(const Json& key) {
        std::wstring section = JsonWide(key, "key"), subKey;
        HKEY root = nullptr;
        if (!SplitSection(section, root, subKey) || root != HKEY_LOCAL_MACHINE) throw std::invalid_argument("a key");
        KeyPresence presence = ProbeSnapshotKey(subKey.c_str());
        if (presence != KeyPresence::Present) {
            return Check("key", section, false, presence == KeyPresence::Missing ? L"missing key" : L"cannot be opened");
        }
        ++report_.notCompared;
        report_.notes.push_back(section + L": the key exists; its content is not compared with " + JsonWide(key, "file") + L" (" +
                                std::to_wstring(key.at("bytes").get<uint64_t>()) + L" bytes, FNV-1a 64 " +
                                FromUtf8(key.at("fnv1a64").get<std::string>()) + L"): no platform call reads a live key as a hive without writing a file");
    }

private:
    void Check(const char* item, const std::wstring& what, bool landed, const std::wstring& why) {
        ++report_.planned;
        if (landed) {
            ++report_.restored;
        } else {
            report_.failures.push_back({{"item", item}, {"what", Utf8(what)}, {"why", Utf8(why)}});
        }
    }
    ConfirmReport& report_;
};

typedef void (Confirmation::*ItemCheck)(const Json&);

struct PlanSection {
    const char* name;
    ItemCheck check;
};

const PlanSection kPlanSections[] = {
    {"values", &Confirmation::Value},   {"keys", &Confirmation::Key},         {"files", &Confirmation::File},
    {"folders", &Confirmation::Folder}, {"deleted", &Confirmation::Deleted},
};

// A plan file saved from a console that re-encodes as UTF-16LE is read as well.
std::string AsUtf8(const std::string& bytes) {
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return bytes;
    std::wstring wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return Utf8(wide);
}

}  // namespace

Json ReadPlanFile(const std::wstring& path, std::wstring& error) {
    FileReadResult file = ReadWholeFile(path, kPlanSizeBound);
    if (file.status != FileReadStatus::Read) {
        error = L"the plan " + path + (file.status == FileReadStatus::Missing ? L" does not exist" : L" cannot be read");
        return nullptr;
    }
    Json document = Json::parse(AsUtf8(file.bytes), nullptr, false);
    if (document.is_discarded()) {
        error = L"the plan " + path + L" is not a JSON document";
        return nullptr;
    }
    return document;
}

bool ConfirmPlan(const Json& document, ConfirmReport& report, std::wstring& error) {
    const Json* plan = document.is_object() && document.contains("plan") ? &document["plan"] : nullptr;
    if (plan == nullptr || !plan->is_object() || plan->value("format", std::string()) != kRestorePlanFormat ||
        plan->value("version", 0) != kRestorePlanVersion) {
        error = L"not a restore plan (the output of MovendoCheck /preview /json, format " + FromUtf8(kRestorePlanFormat) + L" " +
                std::to_wstring(kRestorePlanVersion) + L")";
        return false;
    }
    Confirmation confirmation(report);
    try {
        for (const PlanSection& section : kPlanSections) {
            for (const Json& item : plan->at(section.name)) (confirmation.*section.check)(item);
        }
    } catch (const std::exception&) {
        error = L"not a restore plan: an entry of it is malformed";
        return false;
    }
    return true;
}
