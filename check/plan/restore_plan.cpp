#include "check/plan/restore_plan.h"

#include <cinttypes>
#include <cstdio>
#include <set>

#include "base/file_read.h"
#include "check/facts/restore_replay.h"
#include "check/facts/settings_scan.h"
#include "check/findings/key_compare.h"
#include "registry/section_name.h"

namespace {

std::wstring HexBytes(const std::string& bytes) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    for (char byte : bytes) {
        hex += kDigits[static_cast<unsigned char>(byte) >> 4];
        hex += kDigits[static_cast<unsigned char>(byte) & 15];
    }
    return hex;
}

// The files that land and stay: not those that cannot land, nor those deleted after the copy.
void AddFiles(const PreviewReport& preview, RestorePlan& plan) {
    std::set<std::wstring> deleted;
    for (const auto& path : preview.deletedPaths) deleted.insert(UpperCase(path));
    for (const auto& file : preview.files) {
        if (file.outcome == FileOutcome::NotRestored || deleted.count(UpperCase(file.path))) continue;
        FileHash hash = HashWholeFile(file.copy);
        if (hash.status == FileReadStatus::Read) plan.files.push_back({file.path, hash.size, HashText(hash.fnv1a64)});
    }
}

void AddKeys(const PreviewReport& preview, RestorePlan& plan) {
    for (const auto& hive : preview.hives) {
        FileHash hash = HashWholeFile(hive.file);
        if (hash.status != FileReadStatus::Read || hive.content == nullptr || !hive.content->whole) continue;
        plan.keys.push_back({hive.key, hive.file, hash.size, HashText(hash.fnv1a64), hive.content->tree});
    }
}

Json KeyJson(const PlannedKey& key) {
    Json json = Json::Object(), subkeys = Json::Array(), values = Json::Array();
    ForEachKeyOf(key.content, [&](const std::wstring& path, const hive::Key& at) {
        subkeys.Push(path);
        for (const auto& value : at.values) {
            Json item = Json::Object();
            item.Set(L"key", path);
            item.Set(L"name", value.name);
            item.Set(L"type", value.type);
            item.Set(L"data", HexBytes(value.data));
            values.Push(item);
        }
    });
    json.Set(L"key", key.key);
    json.Set(L"file", key.file);
    json.Set(L"bytes", key.bytes);
    json.Set(L"fnv1a64", key.hash);
    json.Set(L"subkeys", subkeys);
    json.Set(L"values", values);
    return json;
}

}  // namespace

std::wstring HashText(uint64_t hash) {
    wchar_t text[17];
    std::swprintf(text, 17, L"%016" PRIx64, hash);
    return text;
}

RestorePlan BuildRestorePlan(const PreviewReport& preview) {
    RestorePlan plan;
    for (const auto& write : preview.writes) {
        plan.values.push_back({SectionOf(write.root, write.subKey.c_str()), write.name, write.isString, write.text, write.number});
    }
    AddKeys(preview, plan);
    AddFiles(preview, plan);
    for (const auto& folder : preview.folders) {
        if (folder.outcome == FolderOutcome::Create) plan.folders.push_back({folder.valueName, folder.path});
    }
    plan.deleted = preview.deletedPaths;
    return plan;
}

Json RestorePlanJson(const RestorePlan& plan) {
    Json json = Json::Object(), values = Json::Array(), keys = Json::Array(), files = Json::Array(), folders = Json::Array();
    for (const auto& value : plan.values) {
        Json item = Json::Object();
        item.Set(L"section", value.section);
        item.Set(L"name", value.name);
        item.Set(L"type", value.isString ? L"REG_SZ" : L"REG_DWORD");
        item.Set(L"data", value.isString ? Json(value.text) : Json(value.number));
        values.Push(item);
    }
    for (const auto& key : plan.keys) keys.Push(KeyJson(key));
    for (const auto& file : plan.files) {
        Json item = Json::Object();
        item.Set(L"path", file.path);
        item.Set(L"bytes", file.bytes);
        item.Set(L"fnv1a64", file.hash);
        files.Push(item);
    }
    for (const auto& folder : plan.folders) {
        Json item = Json::Object();
        item.Set(L"value", folder.value);
        item.Set(L"path", folder.path);
        folders.Push(item);
    }
    json.Set(L"format", kRestorePlanFormat);
    json.Set(L"version", kRestorePlanVersion);
    json.Set(L"values", values);
    json.Set(L"keys", keys);
    json.Set(L"files", files);
    json.Set(L"folders", folders);
    json.Set(L"deleted", Json::Strings(plan.deleted));
    return json;
}

namespace {

// The strict reader: each item is an object of exactly the members named, each checked for its
// type and range; the first fault ends the reading, naming the member.
class PlanReader {
public:
    explicit PlanReader(PlanReading& reading) : reading_(reading) {}

    bool Plan(const Json& document) {
        const Json* plan = document.Find(L"plan");
        const Json* format = plan ? plan->Find(L"format") : nullptr;
        const Json* version = plan ? plan->Find(L"version") : nullptr;
        uint64_t number = 0;
        if (!format || !format->Is(Json::Kind::String) || format->Text() != kRestorePlanFormat || !version ||
            !version->Unsigned(kRestorePlanVersion, number) || number != kRestorePlanVersion) {
            return Fail(PlanProblem::NotAPlan, L"plan");
        }
        static const wchar_t* const kMembers[] = {L"format", L"version", L"values", L"keys", L"files", L"folders", L"deleted"};
        if (!Shape(*plan, L"plan", kMembers)) return false;
        return Items(*plan, L"values", &PlanReader::Value) && Items(*plan, L"keys", &PlanReader::Key) &&
               Items(*plan, L"files", &PlanReader::File) && Items(*plan, L"folders", &PlanReader::Folder) &&
               Items(*plan, L"deleted", &PlanReader::Deleted);
    }

private:
    bool Fail(PlanProblem problem, const std::wstring& item) {
        reading_.problem = problem;
        reading_.item = item;
        return false;
    }

    // An object holding exactly these members.
    template <size_t N>
    bool Shape(const Json& item, const std::wstring& where, const wchar_t* const (&members)[N]) {
        if (!item.Is(Json::Kind::Object)) return Fail(PlanProblem::WrongType, where);
        for (const wchar_t* member : members) {
            if (!item.Find(member)) return Fail(PlanProblem::NoMember, where + L"." + member);
        }
        for (const auto& member : item.Members()) {
            bool known = false;
            for (const wchar_t* name : members) known = known || member.first == name;
            if (!known) return Fail(PlanProblem::UnknownMember, where + L"." + member.first);
        }
        return true;
    }

    bool Text(const Json& item, const std::wstring& where, const wchar_t* member, std::wstring& out, bool mayBeEmpty = true) {
        const Json& value = *item.Find(member);
        if (!value.Is(Json::Kind::String)) return Fail(PlanProblem::WrongType, where + L"." + member);
        if (!mayBeEmpty && value.Text().empty()) return Fail(PlanProblem::OutOfRange, where + L"." + member);
        out = value.Text();
        return true;
    }
    bool Number(const Json& item, const std::wstring& where, const wchar_t* member, uint64_t max, uint64_t& out) {
        const Json& value = *item.Find(member);
        if (!value.Is(Json::Kind::Number)) return Fail(PlanProblem::WrongType, where + L"." + member);
        return value.Unsigned(max, out) || Fail(PlanProblem::OutOfRange, where + L"." + member);
    }
    bool Hash(const Json& item, const std::wstring& where, std::wstring& out) {
        if (!Text(item, where, L"fnv1a64", out)) return false;
        bool hex = out.size() == 16 && out.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
        return hex || Fail(PlanProblem::OutOfRange, where + L".fnv1a64");
    }
    bool Section(const std::wstring& section, const std::wstring& where, bool machineOnly) {
        HKEY root = nullptr;
        PathBuffer subKey;
        bool known = ParseSectionName(section.c_str(), root, subKey) && subKey[0] != 0 && (!machineOnly || root == HKEY_LOCAL_MACHINE);
        return known || Fail(PlanProblem::OutOfRange, where);
    }

    typedef bool (PlanReader::*ItemRead)(const Json&, const std::wstring&);
    bool Items(const Json& plan, const wchar_t* member, ItemRead read) {
        const Json& items = *plan.Find(member);
        std::wstring where = std::wstring(L"plan.") + member;
        if (!items.Is(Json::Kind::Array)) return Fail(PlanProblem::WrongType, where);
        for (size_t i = 0; i < items.Size(); ++i) {
            if (!(this->*read)(items[i], where + L"[" + std::to_wstring(i) + L"]")) return false;
        }
        return true;
    }

    bool Value(const Json& item, const std::wstring& where) {
        static const wchar_t* const kMembers[] = {L"section", L"name", L"type", L"data"};
        PlannedValue value;
        std::wstring type;
        if (!Shape(item, where, kMembers) || !Text(item, where, L"section", value.section) ||
            !Section(value.section, where + L".section", false) || !Text(item, where, L"name", value.name, false) ||
            !Text(item, where, L"type", type)) {
            return false;
        }
        value.isString = type == L"REG_SZ";
        if (!value.isString && type != L"REG_DWORD") return Fail(PlanProblem::OutOfRange, where + L".type");
        uint64_t number = 0;
        if (value.isString ? !Text(item, where, L"data", value.text) : !Number(item, where, L"data", 0xFFFFFFFFu, number)) return false;
        value.number = static_cast<uint32_t>(number);
        reading_.plan.values.push_back(value);
        return true;
    }

    bool Key(const Json& item, const std::wstring& where) {
        static const wchar_t* const kMembers[] = {L"key", L"file", L"bytes", L"fnv1a64", L"subkeys", L"values"};
        PlannedKey key;
        if (!Shape(item, where, kMembers) || !Text(item, where, L"key", key.key) || !Section(key.key, where + L".key", true) ||
            !Text(item, where, L"file", key.file) || !Number(item, where, L"bytes", UINT64_MAX, key.bytes) || !Hash(item, where, key.hash) ||
            !Content(item, where, key.content)) {
            return false;
        }
        reading_.plan.keys.push_back(std::move(key));
        return true;
    }

    // The key's content: its subkeys as paths below it, each after its parent, then its values.
    bool Content(const Json& item, const std::wstring& where, hive::Key& content) {
        const Json& subkeys = *item.Find(L"subkeys");
        const Json& values = *item.Find(L"values");
        if (!subkeys.Is(Json::Kind::Array)) return Fail(PlanProblem::WrongType, where + L".subkeys");
        if (!values.Is(Json::Kind::Array)) return Fail(PlanProblem::WrongType, where + L".values");
        for (size_t i = 0; i < subkeys.Size(); ++i) {
            std::wstring at = where + L".subkeys[" + std::to_wstring(i) + L"]";
            if (!subkeys[i].Is(Json::Kind::String)) return Fail(PlanProblem::WrongType, at);
            if (!Place(content, subkeys[i].Text(), true)) return Fail(PlanProblem::OutOfRange, at);
        }
        for (size_t i = 0; i < values.Size(); ++i) {
            if (!KeyValue(values[i], where + L".values[" + std::to_wstring(i) + L"]", content)) return false;
        }
        return true;
    }

    bool KeyValue(const Json& item, const std::wstring& where, hive::Key& content) {
        static const wchar_t* const kMembers[] = {L"key", L"name", L"type", L"data"};
        hive::Value value;
        std::wstring path, hex;
        uint64_t type = 0;
        if (!Shape(item, where, kMembers) || !Text(item, where, L"key", path) || !Text(item, where, L"name", value.name) ||
            !Number(item, where, L"type", 0xFFFFFFFFu, type) || !Text(item, where, L"data", hex)) {
            return false;
        }
        value.type = static_cast<uint32_t>(type);
        if (hex.size() % 2 != 0 || hex.find_first_not_of(L"0123456789abcdef") != std::wstring::npos) {
            return Fail(PlanProblem::OutOfRange, where + L".data");
        }
        for (size_t i = 0; i < hex.size(); i += 2) value.data += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        hive::Key* key = Find(content, path);
        if (key == nullptr) return Fail(PlanProblem::OutOfRange, where + L".key");
        key->values.push_back(std::move(value));
        return true;
    }

    // The key at a path below the content; with `make`, a new last level below an existing parent.
    static bool Place(hive::Key& content, const std::wstring& path, bool make) {
        if (path.empty()) return true;
        size_t cut = path.find_last_of(L'\\');
        hive::Key* parent = cut == std::wstring::npos ? &content : Find(content, path.substr(0, cut));
        std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
        if (parent == nullptr || name.empty() || Find(content, path) != nullptr) return false;
        if (make) {
            parent->subkeys.emplace_back();
            parent->subkeys.back().name = name;
        }
        return true;
    }
    static hive::Key* Find(hive::Key& content, const std::wstring& path) {
        hive::Key* key = &content;
        size_t start = 0;
        while (!path.empty() && key != nullptr && start <= path.size()) {
            size_t end = path.find(L'\\', start);
            if (end == std::wstring::npos) end = path.size();
            std::wstring name = UpperCase(path.substr(start, end - start));
            hive::Key* next = nullptr;
            for (auto& child : key->subkeys) {
                if (UpperCase(child.name) == name) next = &child;
            }
            key = next;
            start = end + 1;
        }
        return key;
    }

    bool File(const Json& item, const std::wstring& where) {
        static const wchar_t* const kMembers[] = {L"path", L"bytes", L"fnv1a64"};
        PlannedFile file;
        if (!Shape(item, where, kMembers) || !Text(item, where, L"path", file.path, false) ||
            !Number(item, where, L"bytes", UINT64_MAX, file.bytes) || !Hash(item, where, file.hash)) {
            return false;
        }
        reading_.plan.files.push_back(file);
        return true;
    }

    bool Folder(const Json& item, const std::wstring& where) {
        static const wchar_t* const kMembers[] = {L"value", L"path"};
        PlannedFolder folder;
        if (!Shape(item, where, kMembers) || !Text(item, where, L"value", folder.value) || !Text(item, where, L"path", folder.path, false)) {
            return false;
        }
        reading_.plan.folders.push_back(folder);
        return true;
    }

    bool Deleted(const Json& item, const std::wstring& where) {
        if (!item.Is(Json::Kind::String)) return Fail(PlanProblem::WrongType, where);
        if (item.Text().empty()) return Fail(PlanProblem::OutOfRange, where);
        reading_.plan.deleted.push_back(item.Text());
        return true;
    }

    PlanReading& reading_;
};

PlanProblem ProblemOf(JsonError error) {
    switch (error) {
    case JsonError::None: break;
    case JsonError::NotJson: return PlanProblem::NotJson;
    case JsonError::TooDeep: return PlanProblem::TooDeep;
    case JsonError::TooManyValues: return PlanProblem::TooManyValues;
    case JsonError::BadEncoding: return PlanProblem::BadEncoding;
    }
    return PlanProblem::None;
}

}  // namespace

PlanReading ReadPlanText(const std::string& bytes) {
    PlanReading reading;
    JsonReading json = ReadJson(bytes);
    if (json.error != JsonError::None) {
        reading.problem = ProblemOf(json.error);
        reading.item = std::to_wstring(json.at);
        return reading;
    }
    PlanReader(reading).Plan(json.document);
    if (reading.problem != PlanProblem::None) reading.plan = RestorePlan();
    return reading;
}

PlanReading ReadPlanFile(const std::wstring& path) {
    FileReadResult file = ReadWholeFile(path, kPlanSizeBound);
    PlanReading reading;
    switch (file.status) {
    case FileReadStatus::Missing: reading.problem = PlanProblem::Missing; return reading;
    case FileReadStatus::Unreadable: reading.problem = PlanProblem::Unreadable; return reading;
    case FileReadStatus::TooLarge: reading.problem = PlanProblem::TooLarge; return reading;
    case FileReadStatus::Read: break;
    }
    return ReadPlanText(file.bytes);
}
