// A read-only look at a workspace's settings file for what the profile functions cannot tell:
// its encoding, the sections it repeats (the profile functions read only the first of each) and
// the keys of each section, so that records a restore never reaches can be counted. The records'
// texts are always read through the profile functions, never from this scan.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

enum class SettingsEncoding { Missing, Utf16Le, Utf8, Ansi, TooLarge, Unreadable };

struct SettingsScan {
    SettingsEncoding encoding = SettingsEncoding::Missing;
    uint64_t bytes = 0;
    size_t records = 0;   // key=value lines in sections, the shadowed ones included
    size_t strayLines = 0;  // lines that are neither a section, a record, a comment nor blank
    bool binary = false;    // holds NUL characters where text is expected
    std::vector<std::wstring> duplicateSections;  // each once; a restore sees only the first copy

    // True when the file can be read as a settings file at all.
    bool Usable() const;

    struct Section {
        std::wstring name;
        std::vector<std::wstring> keys;         // each key once, as first written
        std::map<std::wstring, size_t> index;  // upper-cased key -> its place in keys
    };
    // The first section of that name (compared without regard to case), or null.
    const Section* FindSection(const std::wstring& name) const;
    std::vector<Section> sections;
    std::map<std::wstring, size_t> index;  // upper-cased name -> first section
};

// Reads and parses the file; never creates or changes it. Files above the size bound (far above
// any settings file, the one the program reads whole) are not parsed (TooLarge).
SettingsScan ScanSettingsFile(const std::wstring& path);
SettingsScan ParseSettingsText(const std::string& bytes);

// Names of sections, keys and paths compare without regard to case: this is the form they are
// compared in.
std::wstring UpperCase(const std::wstring& text);

