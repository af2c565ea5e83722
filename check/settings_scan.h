// A read-only look at a workspace's settings file: its encoding, its sections and records, read
// the way the profile functions read them, without ever writing to it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

enum class SettingsEncoding { Missing, Utf16Le, Utf8, Ansi, TooLarge, Unreadable };

LPCWSTR EncodingName(SettingsEncoding encoding);

struct SettingsScan {
    SettingsEncoding encoding = SettingsEncoding::Missing;
    uint64_t bytes = 0;
    size_t records = 0;   // key=value lines in sections, the shadowed ones included
    size_t strayLines = 0;  // lines that are neither a section, a record, a comment nor blank
    bool binary = false;    // holds NUL characters where text is expected
    std::vector<std::wstring> duplicateSections;  // a restore sees only the first of each

    // Record text of a key as a restore reads it (the first section of that name, the first key
    // of that name in it; blanks trimmed, a pair of quotes stripped). False when there is none.
    bool Find(const std::wstring& section, const std::wstring& key, std::wstring& text) const;
    // True when the file can be read as a settings file at all.
    bool Usable() const;

    struct Section {
        std::wstring name;
        std::vector<std::pair<std::wstring, std::wstring>> records;
        std::map<std::wstring, size_t> keys;  // upper-cased key -> its first record
    };
    // The first section of that name (compared without regard to case), or null.
    const Section* FindSection(const std::wstring& name) const;
    std::vector<Section> sections;
    std::map<std::wstring, size_t> index;  // upper-cased name -> first section
};

// Reads and parses the file; never creates or changes it. Files above the size bound are not
// parsed (TooLarge): the profile functions would be unusably slow on them anyway.
SettingsScan ScanSettingsFile(const std::wstring& path);
SettingsScan ParseSettingsText(const std::string& bytes);

// Names of sections, keys and paths compare without regard to case: this is the form they are
// compared in.
std::wstring UpperCase(const std::wstring& text);

constexpr uint64_t kSettingsSizeBound = 16u * 1024 * 1024;
