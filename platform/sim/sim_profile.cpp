// Profile (INI) files over the simulated file system, with the platform's rules: section and key
// names without regard to case and with surrounding blanks ignored, values trimmed and a matching
// pair of quotes stripped on read, new sections at the end of the file and new keys at the end of
// their section, every other line kept as it was.
#include <algorithm>

#include "drives.h"
#include "filesystem.h"
#include "machine.h"
#include "profile.h"
#include "win_api.h"

namespace sim {

ProfileText DecodeProfile(const std::vector<uint8_t>& bytes) {
    ProfileText profile;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        profile.unicode = true;
        for (size_t at = 2; at + 1 < bytes.size(); at += 2) {
            unsigned unit = bytes[at] | (bytes[at + 1] << 8);
            bool high = unit >= 0xD800 && unit <= 0xDBFF;
            unsigned next = at + 3 < bytes.size() ? (bytes[at + 2] | (bytes[at + 3] << 8)) : 0;
            if (high && next >= 0xDC00 && next <= 0xDFFF) {
                profile.text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                at += 2;
            } else {
                profile.text += static_cast<wchar_t>(unit);
            }
        }
        return profile;
    }
    for (uint8_t byte : bytes) profile.text += static_cast<wchar_t>(byte);
    return profile;
}

std::vector<uint8_t> EncodeProfile(const ProfileText& profile) {
    std::vector<uint8_t> bytes;
    if (!profile.unicode) {
        for (wchar_t ch : profile.text) bytes.push_back(static_cast<unsigned>(ch) <= 0xFF ? static_cast<uint8_t>(ch) : '?');
        return bytes;
    }
    auto unit = [&](unsigned value) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    };
    unit(0xFEFF);
    for (wchar_t ch : profile.text) {
        unsigned code = static_cast<unsigned>(ch);
        if (code > 0xFFFF) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return bytes;
}

namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f' || ch == 0x1A;
}

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// One line of the file: its content is [begin, end) without the line end; the next line starts at next.
struct Line {
    size_t begin;
    size_t end;
    size_t next;
};

std::vector<Line> SplitLines(const std::wstring& text) {
    std::vector<Line> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t newline = text.find(L'\n', at);
        size_t end = newline == std::wstring::npos ? text.size() : newline;
        size_t next = newline == std::wstring::npos ? text.size() : newline + 1;
        if (end > at && text[end - 1] == L'\r') --end;
        lines.push_back({at, end, next});
        at = next;
    }
    return lines;
}

// What a line is: a section header "[name]", a key line "name=value", or anything else (a line
// without '=' is no key).
struct Entry {
    enum Kind { Other, Section, Key } kind = Other;
    std::wstring name;
    std::wstring value;
    size_t valueBegin = 0;  // where the value's text starts in the file
};

Entry Parse(const std::wstring& text, const Line& line) {
    Entry entry;
    std::wstring content = text.substr(line.begin, line.end - line.begin);
    std::wstring trimmed = Trim(content);
    size_t close = trimmed.rfind(L']');
    if (!trimmed.empty() && trimmed[0] == L'[' && close != std::wstring::npos) {
        entry.kind = Entry::Section;
        entry.name = Trim(trimmed.substr(1, close - 1));
        return entry;
    }
    size_t equals = content.find(L'=');
    if (equals == std::wstring::npos) return entry;
    entry.kind = Entry::Key;
    entry.name = Trim(content.substr(0, equals));
    entry.value = Trim(content.substr(equals + 1));
    entry.valueBegin = line.begin + equals + 1;
    return entry;
}

// Where a section lies: the index of its header line and of the line after its last line.
struct SectionSpan {
    bool found = false;
    size_t header = 0;
    size_t end = 0;
};

SectionSpan FindSection(const std::wstring& text, const std::vector<Line>& lines, const std::wstring& name) {
    SectionSpan span;
    span.end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        Entry entry = Parse(text, lines[i]);
        if (entry.kind != Entry::Section) continue;
        if (span.found) {
            span.end = i;
            break;
        }
        if (SameName(entry.name, name)) {
            span.found = true;
            span.header = i;
        }
    }
    return span;
}

// The index of the section's first line for that key, or lines.size().
size_t FindKey(const std::wstring& text, const std::vector<Line>& lines, const SectionSpan& span,
               const std::wstring& key) {
    for (size_t i = span.header + 1; span.found && i < span.end; ++i) {
        Entry entry = Parse(text, lines[i]);
        if (entry.kind == Entry::Key && SameName(entry.name, key)) return i;
    }
    return lines.size();
}

std::wstring StripQuotes(const std::wstring& value) {
    if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// A bare file name lies in the Windows folder; every other name is a path.
std::wstring ProfilePath(LPCWSTR file) {
    std::wstring path(file);
    if (ParsePath(path).valid) return path;
    return L"C:\\Windows\\" + path;
}

// The profile functions open the file sharing reading and writing.
constexpr DWORD kProfileShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The text of a profile file; false when it is missing or cannot be read.
bool ReadProfile(LPCWSTR file, ProfileText& profile) {
    if (file == nullptr || *file == 0) return false;
    Lookup found = Machine::Current().files().Resolve(ProfilePath(file), true);
    if (found.error || !found.node || found.node->IsFolder()) return false;
    if (SharingConflict(*found.node, GENERIC_READ, kProfileShare)) return false;
    profile = DecodeProfile(found.node->data);
    return true;
}

bool FindValue(const std::wstring& text, const std::wstring& section, const std::wstring& key, std::wstring& value) {
    std::vector<Line> lines = SplitLines(text);
    SectionSpan span = FindSection(text, lines, Trim(section));
    size_t line = FindKey(text, lines, span, Trim(key));
    if (line == lines.size()) return false;
    value = StripQuotes(Parse(text, lines[line]).value);
    return true;
}

// Copies a text into the caller's buffer of `size` characters: cut to size - 1 characters,
// always terminated. Returns the characters copied.
DWORD CopyText(const std::wstring& text, LPWSTR buffer, DWORD size) {
    size_t count = std::min<size_t>(text.size(), size - 1);
    std::copy(text.begin(), text.begin() + count, buffer);
    buffer[count] = 0;
    return static_cast<DWORD>(count);
}

// Copies a list of names, each followed by a NUL, and a final NUL. A list that does not fit is
// cut to size - 2 characters and ended with two NULs; the result is then size - 2.
DWORD CopyList(const std::vector<std::wstring>& names, LPWSTR buffer, DWORD size) {
    std::wstring list;
    for (const auto& name : names) {
        list += name;
        list += L'\0';
    }
    if (list.empty() || size == 1) {
        buffer[0] = 0;
        return 0;
    }
    if (list.size() + 2 <= size) {
        std::copy(list.begin(), list.end(), buffer);
        buffer[list.size()] = 0;
        return static_cast<DWORD>(list.size());
    }
    std::copy(list.begin(), list.begin() + (size - 2), buffer);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

std::vector<std::wstring> SectionNames(const std::wstring& text) {
    std::vector<std::wstring> names;
    for (const Line& line : SplitLines(text)) {
        Entry entry = Parse(text, line);
        if (entry.kind == Entry::Section) names.push_back(entry.name);
    }
    return names;
}

std::vector<std::wstring> KeyNames(const std::wstring& text, const std::wstring& section) {
    std::vector<std::wstring> names;
    std::vector<Line> lines = SplitLines(text);
    SectionSpan span = FindSection(text, lines, Trim(section));
    for (size_t i = span.header + 1; span.found && i < span.end; ++i) {
        Entry entry = Parse(text, lines[i]);
        if (entry.kind == Entry::Key) names.push_back(entry.name);
    }
    return names;
}

// Applies one write to the text of a profile file: a null key removes the section, a null value
// removes the key, anything else sets the key, adding it (and its section) when missing.
void ApplyWrite(std::wstring& text, const std::wstring& section, LPCWSTR keyName, LPCWSTR value) {
    std::vector<Line> lines = SplitLines(text);
    SectionSpan span = FindSection(text, lines, section);
    auto startOf = [&](size_t index) { return index < lines.size() ? lines[index].begin : text.size(); };
    if (keyName == nullptr) {
        if (span.found) text.erase(lines[span.header].begin, startOf(span.end) - lines[span.header].begin);
        return;
    }
    std::wstring key = Trim(keyName);
    auto endLine = [&]() { return (!text.empty() && text.back() != L'\n') ? std::wstring(L"\r\n") : std::wstring(); };
    if (!span.found) {
        if (value == nullptr) return;
        text += endLine() + L"[" + section + L"]\r\n" + key + L"=" + value + L"\r\n";
        return;
    }
    size_t found = FindKey(text, lines, span, key);
    if (found != lines.size()) {
        if (value == nullptr) {
            text.erase(lines[found].begin, lines[found].next - lines[found].begin);
        } else {
            size_t begin = Parse(text, lines[found]).valueBegin;
            text.replace(begin, lines[found].end - begin, value);
        }
        return;
    }
    if (value == nullptr) return;
    size_t last = span.header;  // the section's last line that is not blank
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (!Trim(text.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty()) last = i;
    }
    size_t at = lines[last].next;
    std::wstring line = key + L"=" + value + L"\r\n";
    if (at == text.size()) line = endLine() + line;
    text.insert(at, line);
}

// RtlUnicodeStringToInteger with base 0: blanks skipped, an optional sign, an optional "0x", "0o"
// or "0b", then digits up to the first character that is not one; wraps around 32 bits.
UINT ParseInteger(const std::wstring& text) {
    size_t at = 0;
    while (at < text.size() && text[at] <= L' ') ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'-' || text[at] == L'+')) negative = text[at++] == L'-';
    unsigned base = 10;
    if (at + 1 < text.size() && text[at] == L'0') {
        wchar_t prefix = text[at + 1];
        base = prefix == L'x' ? 16 : prefix == L'o' ? 8 : prefix == L'b' ? 2 : 10;
        if (base != 10) at += 2;
    }
    uint32_t total = 0;
    for (; at < text.size(); ++at) {
        wchar_t ch = text[at];
        unsigned digit = ch >= L'0' && ch <= L'9' ? ch - L'0'
                         : ch >= L'a' && ch <= L'z' ? ch - L'a' + 10
                         : ch >= L'A' && ch <= L'Z' ? ch - L'A' + 10
                                                    : 99;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

}  // namespace

}  // namespace sim

using sim::Fail;
using sim::Machine;

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR text, LPCWSTR file) {
    Machine& machine = Machine::Current();
    if (section == nullptr || file == nullptr) return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (*file == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
    std::wstring path = sim::ProfilePath(file);
    machine.Log(L"WritePrivateProfileStringW " + path + L" [" + section + L"] " + (key ? key : L""));
    if (DWORD error = machine.faults().Check("WritePrivateProfileStringW")) return Fail(error, FALSE);
    auto& files = machine.files();
    sim::Lookup found = files.Resolve(path, true);
    if (found.error) return Fail(found.error, FALSE);
    if (!found.parent) return Fail(found.node ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND, FALSE);
    std::shared_ptr<sim::Node> node = found.node;
    if (node && node->IsFolder()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (node && sim::SharingConflict(*node, GENERIC_READ | GENERIC_WRITE, sim::kProfileShare)) {
        return Fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    if (node && (node->attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (DWORD error = files.WriteError(found.drive)) return Fail(error, FALSE);

    sim::ProfileText profile = node ? sim::DecodeProfile(node->data) : sim::ProfileText();
    sim::ApplyWrite(profile.text, sim::Trim(section), key, text);
    std::vector<uint8_t> bytes = sim::EncodeProfile(profile);
    // The whole file is written again from its start: when the room runs out, it is left cut there.
    if (!node) node = files.AddChild(found.parent, found.name, false);
    files.Reserve(found.drive, node->data.size(), 0);
    uint64_t room = (*files.drives)[found.drive].freeBytes;
    bool fits = room >= bytes.size();
    if (!fits) bytes.resize(static_cast<size_t>(room));
    files.Reserve(found.drive, 0, bytes.size());
    node->data = std::move(bytes);
    node->writeTime = files.clock++;
    return fits ? TRUE : Fail(ERROR_DISK_FULL, FALSE);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file) {
    sim::ProfileText profile;
    std::wstring value;
    if (section == nullptr || key == nullptr || !sim::ReadProfile(file, profile) ||
        !sim::FindValue(profile.text, section, key, value) || value.empty()) {
        return static_cast<UINT>(defaultValue);
    }
    return sim::ParseInteger(value);
}

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText, LPWSTR buffer, DWORD size,
                               LPCWSTR file) {
    Machine& machine = Machine::Current();
    if (buffer == nullptr || size == 0) return 0;
    sim::ProfileText profile;
    bool readable = sim::ReadProfile(file, profile);
    machine.lastError = readable ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    if (section == nullptr) return sim::CopyList(sim::SectionNames(profile.text), buffer, size);
    if (key == nullptr) return sim::CopyList(sim::KeyNames(profile.text, section), buffer, size);
    std::wstring value;
    if (readable && sim::FindValue(profile.text, section, key, value)) return sim::CopyText(value, buffer, size);
    machine.lastError = ERROR_FILE_NOT_FOUND;
    // The default loses its trailing blanks.
    std::wstring fallback = defaultText ? defaultText : L"";
    while (!fallback.empty() && fallback.back() == L' ') fallback.pop_back();
    return sim::CopyText(fallback, buffer, size);
}
