#include "registry/section_name.h"

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
