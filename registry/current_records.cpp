#include "registry/current_records.h"

#include <cwchar>

#include "base/path_buffer.h"
#include "registry/record_text.h"
#include "registry/section_name.h"

// The save of a root without a section name writes nothing and reads nothing.
bool NumberRecordCurrent(const std::wstring& file, HKEY root, LPCWSTR subKey, LPCWSTR valueName, bool& carried) {
    PathBuffer section;
    carried = false;
    if (!FormatSectionName(root, subKey, section)) return true;
    DWORD value = 0;
    carried = ReadLiveNumber(root, subKey, valueName, value) == LiveRead::Read;
    WCHAR text[kNumberTextCount], expected[kNumberTextCount];
    bool recorded = ReadNumberRecordText(file.c_str(), section, valueName, text);
    if (!carried) return !recorded;
    FormatNumberRecord(value, expected);
    return recorded && std::wcscmp(text, expected) == 0;
}

// A record reads back as its text (a quoted one without its quotes); an empty text and no record
// read alike, as the restore reads them.
bool TextRecordCurrent(const std::wstring& file, HKEY root, LPCWSTR subKey, LPCWSTR valueName, bool& carried) {
    PathBuffer section;
    carried = false;
    if (!FormatSectionName(root, subKey, section)) return true;
    WCHAR live[MAX_PATH], saved[MAX_PATH];
    carried = ReadLiveText(root, subKey, valueName, live) == LiveRead::Read;
    DWORD length = ReadTextRecord(file.c_str(), section, valueName, saved);
    if (!carried) return length == 0;
    return std::wcslen(live) == length && std::wmemcmp(live, saved, length) == 0;
}
