#include "check/findings/key_compare.h"

#include "check/facts/settings_scan.h"

namespace {

std::wstring Below(const std::wstring& path, const std::wstring& name) { return path.empty() ? name : path + L"\\" + name; }

template <class Item>
const Item* Named(const std::vector<Item>& items, const std::wstring& name) {
    std::wstring wanted = UpperCase(name);
    for (const Item& item : items) {
        if (UpperCase(item.name) == wanted) return &item;
    }
    return nullptr;
}

// Every key and value of `from` that `other` lacks, as the given changes.
void Lacking(const hive::Key& from, const hive::Key& other, const std::wstring& path, KeyChange keyChange, KeyChange valueChange,
             std::vector<KeyDifference>& out) {
    for (const auto& value : from.values) {
        if (Named(other.values, value.name)) continue;
        KeyDifference difference{valueChange, path, value.name, {}, {}};
        (valueChange == KeyChange::ValueMissing ? difference.saved : difference.live) = value;
        out.push_back(difference);
    }
    for (const auto& child : from.subkeys) {
        if (!Named(other.subkeys, child.name)) out.push_back({keyChange, Below(path, child.name), std::wstring(), {}, {}});
    }
}

void Compare(const hive::Key& saved, const hive::Key& live, const std::wstring& path, std::vector<KeyDifference>& out) {
    for (const auto& value : saved.values) {
        const hive::Value* now = Named(live.values, value.name);
        if (now && (now->type != value.type || now->data != value.data)) out.push_back({KeyChange::ValueDiffers, path, value.name, value, *now});
    }
    Lacking(saved, live, path, KeyChange::KeyMissing, KeyChange::ValueMissing, out);
    Lacking(live, saved, path, KeyChange::KeyAdded, KeyChange::ValueAdded, out);
    for (const auto& child : saved.subkeys) {
        if (const hive::Key* now = Named(live.subkeys, child.name)) Compare(child, *now, Below(path, child.name), out);
    }
}

}  // namespace

std::vector<KeyDifference> CompareKeys(const hive::Key& saved, const hive::Key& live) {
    std::vector<KeyDifference> differences;
    Compare(saved, live, std::wstring(), differences);
    return differences;
}

KeyChangeCounts CountChanges(const std::vector<KeyDifference>& differences) {
    KeyChangeCounts counts;
    for (const auto& difference : differences) {
        bool key = difference.change == KeyChange::KeyMissing || difference.change == KeyChange::KeyAdded;
        (key ? counts.keys : difference.change == KeyChange::ValueDiffers ? counts.differing : counts.values) += 1;
    }
    return counts;
}
