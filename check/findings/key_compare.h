// A saved key held against the live one, value by value: every subkey, value name, type and data
// of either that the other lacks or holds otherwise. Names compare without regard to case, as the
// registry compares them; data compare byte for byte.
#pragma once

#include <string>
#include <vector>

#include "hive/hive_file.h"

enum class KeyChange { KeyMissing, KeyAdded, ValueMissing, ValueAdded, ValueDiffers };

struct KeyDifference {
    KeyChange change;
    std::wstring key;    // below the compared key ("" for the key itself, "Sub\Key" below it)
    std::wstring value;  // the value's name (empty: the default value), for the value changes
    hive::Value saved;   // as saved (ValueMissing, ValueDiffers)
    hive::Value live;    // as the machine has it (ValueAdded, ValueDiffers)
};

// Missing: what the saved key holds and the live one lacks; Added: the reverse.
std::vector<KeyDifference> CompareKeys(const hive::Key& saved, const hive::Key& live);

// Calls visit(path, key) for the key and every key below it, depth first; path as in KeyDifference.
template <class Visit>
void ForEachKeyOf(const hive::Key& key, Visit visit, const std::wstring& path = std::wstring()) {
    visit(path, key);
    for (const auto& child : key.subkeys) ForEachKeyOf(child, visit, path.empty() ? child.name : path + L"\\" + child.name);
}

// Counts of each kind of change, for a verdict on a whole key.
struct KeyChangeCounts {
    size_t keys = 0, values = 0, differing = 0;
};
KeyChangeCounts CountChanges(const std::vector<KeyDifference>& differences);
