// A read-only walk of a folder tree that never passes through a link: what files it holds, how
// many bytes, and which entries are unsafe (links) or unreachable (paths too long).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct TreeScan {
    bool present = false;  // the top folder exists
    bool isLink = false;   // the top folder is itself a link (not entered)
    uint64_t bytes = 0;
    // Files by path relative to the top folder (such as L"Data\\a.dat"), with their sizes.
    std::map<std::wstring, uint64_t> files;
    std::vector<std::wstring> links;    // relative paths of links found (not entered)
    std::vector<std::wstring> tooLong;  // relative paths that do not fit a path buffer
};

TreeScan ScanTree(const std::wstring& folder);
// The top level of a folder alone: its files and links, no sub-folder entered.
TreeScan ScanTopLevel(const std::wstring& folder);

// What one entry is, without following it when it is a link, as its listing tells.
enum class EntryKind { Missing, File, Folder, Link };
EntryKind KindOfEntry(const std::wstring& path, uint64_t* size = nullptr);
// The same, judged by the program's own link rule (the listing's word, or a handle on the entry
// itself): for the entries whose kind decides what is trusted, such as a workspace.
EntryKind JudgeEntry(const std::wstring& path, uint64_t* size = nullptr);
