#include "registry/record_text.h"

#include <algorithm>
#include <cwchar>

#include "platform/handles.h"

namespace {

// The integer read's default.
constexpr INT kAbsentMarker = static_cast<INT>(0x80000000u);

DWORD FromLittleEndian(const BYTE (&bytes)[sizeof(DWORD)]) {
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

// What a failed open or query means: nothing there, or something there that cannot be read.
LiveRead FailedRead(LONG result) { return result == ERROR_FILE_NOT_FOUND ? LiveRead::Missing : LiveRead::Unreadable; }

// Opens the key for reading its values and reads one value into the zeroed buffer.
LiveRead ReadValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, BYTE* buffer, DWORD& size, DWORD& type) {
    type = REG_NONE;
    RegKey key;
    LONG opened = RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE | kRegistryView, key.Receive());
    if (opened != ERROR_SUCCESS) return FailedRead(opened);
    LONG result = RegQueryValueExW(key.Get(), valueName, nullptr, &type, buffer, &size);
    if (result == ERROR_MORE_DATA) return LiveRead::TooLong;
    return result == ERROR_SUCCESS ? LiveRead::Read : FailedRead(result);
}

// The characters the profile read trims from either end of a record's text.
bool IsTrimmed(WCHAR ch) {
    static const WCHAR kBlanks[] = L"\t\n\v\f\r \x1A\x85\xA0\x1680\x2028\x2029\x202F\x205F\x3000";
    return std::wcschr(kBlanks, ch) != nullptr || (ch >= 0x2000 && ch <= 0x200A);
}

bool IsQuote(WCHAR ch) { return ch == L'"' || ch == L'\''; }

bool ReadsBackChanged(LPCWSTR text, size_t length) {
    if (length == 0) return false;
    WCHAR first = text[0], last = text[length - 1];
    return IsTrimmed(first) || IsTrimmed(last) || (length >= 2 && IsQuote(first) && first == last);
}

}  // namespace

bool IsProfileBlank(WCHAR ch) { return IsTrimmed(ch); }

LiveRead ReadLiveNumber(HKEY root, LPCWSTR subKey, LPCWSTR valueName, DWORD& value) {
    BYTE data[sizeof(DWORD)] = {};
    DWORD size = sizeof data, type = REG_NONE;
    LiveRead read = ReadValue(root, subKey, valueName, data, size, type);
    value = 0;
    if (read == LiveRead::TooLong && type != REG_DWORD) return LiveRead::OtherType;
    if (read != LiveRead::Read) return read;
    if (type != REG_DWORD || size != sizeof data) return LiveRead::OtherType;
    value = FromLittleEndian(data);
    return LiveRead::Read;
}

void FormatNumberRecord(DWORD value, WCHAR (&text)[kNumberTextCount]) {
    _itow_s(static_cast<int>(value), text, kNumberTextCount, 10);
}

// Data that fill the whole buffer with no terminator hold a text of more than 259 characters.
LiveRead ReadLiveText(HKEY root, LPCWSTR subKey, LPCWSTR valueName, WCHAR (&text)[MAX_PATH], DWORD* type) {
    std::fill(text, text + MAX_PATH, L'\0');
    DWORD size = MAX_PATH * sizeof(WCHAR), readType = REG_NONE;
    LiveRead read = ReadValue(root, subKey, valueName, reinterpret_cast<BYTE*>(text), size, readType);
    if (type) *type = readType;
    if (read == LiveRead::Read && std::find(text, text + MAX_PATH, L'\0') == text + MAX_PATH) read = LiveRead::TooLong;
    if (read == LiveRead::Read && std::wcspbrk(text, L"\r\n") != nullptr) read = LiveRead::LineBreak;
    if (read != LiveRead::Read) text[0] = 0;
    return read;
}

void FormatTextRecord(LPCWSTR text, WCHAR (&record)[kTextRecordCount]) {
    size_t length = std::wcslen(text);
    if (length > MAX_PATH - 1) length = MAX_PATH - 1;
    if (!ReadsBackChanged(text, length)) {
        std::wmemcpy(record, text, length);
        record[length] = 0;
        return;
    }
    record[0] = L'"';
    std::wmemcpy(record + 1, text, length);
    record[length + 1] = L'"';
    record[length + 2] = 0;
}

// A record is missing only when the file has no text for the key: the string read tells that
// apart from a record holding "-2147483648", which the integer read alone cannot.
bool ReadNumberRecordText(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR (&text)[kNumberTextCount]) {
    std::fill(text, text + kNumberTextCount, L'\0');
    return GetPrivateProfileStringW(section, key, L"", text, kNumberTextCount, file) != 0;
}

bool ReadNumberRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, DWORD& value, std::wstring* text) {
    WCHAR record[kNumberTextCount];
    if (!ReadNumberRecordText(file, section, key, record)) return false;
    value = GetPrivateProfileIntW(section, key, kAbsentMarker, file);
    if (text) *text = record;
    return true;
}

// The read takes the quoted form of a text whole (with a buffer of 260 the last character of a
// quoted 259-character text would be cut with its closing quote); the text is then at most 259
// characters, as a record written by hand and longer than that is cut to.
DWORD ReadTextRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR (&text)[MAX_PATH]) {
    WCHAR record[kTextRecordCount] = {};
    DWORD length = GetPrivateProfileStringW(section, key, L"", record, kTextRecordCount, file);
    length = std::min<DWORD>(length, MAX_PATH - 1);
    std::fill(text, text + MAX_PATH, L'\0');
    std::wmemcpy(text, record, length);
    return length;
}
