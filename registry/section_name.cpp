#include "registry/section_name.h"

#include <cwchar>

namespace {

struct SectionFormat {
    HKEY root;
    LPCWSTR format;
};

const SectionFormat kSectionFormats[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT\\%ls"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER\\%ls"},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE\\%ls"},
    {HKEY_USERS, L"HKEY_USERS\\%ls"},
};

}  // namespace

bool FormatSectionName(HKEY root, LPCWSTR subKey, PathBuffer& section) {
    section[0] = 0;
    for (const auto& row : kSectionFormats) {
        if (row.root == root) return FormatPath(section, row.format, subKey);
    }
    return false;
}

bool ParseSectionName(LPCWSTR section, HKEY& root, PathBuffer& subKey) {
    subKey[0] = 0;
    for (const auto& row : kSectionFormats) {
        size_t prefix = std::wcslen(row.format) - 3;  // the root's name and its backslash
        if (std::wcslen(section) <= prefix) continue;
        PathBuffer head, name;
        std::wmemcpy(head, section, prefix);
        std::wmemcpy(name, row.format, prefix);
        head[prefix] = name[prefix] = 0;
        if (_wcsicmp(head, name) == 0) {
            root = row.root;
            return FormatPath(subKey, L"%ls", section + prefix);
        }
    }
    return false;
}
