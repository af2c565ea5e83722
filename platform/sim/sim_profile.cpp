// Profile (INI) files over the simulated file system, with the platform's rules: section and key
// names without regard to case and with surrounding blanks ignored, values trimmed and a matching
// pair of quotes stripped on read, new sections at the end of the file and new keys at the end of
// their section, every other line kept as it was. A file is parsed once and the parse kept with
// its node for as long as the node's bytes stay the same.
#include <algorithm>
#include <cwctype>

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
        profile.text.reserve(bytes.size() / 2);
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
    profile.text.assign(bytes.begin(), bytes.end());
    return profile;
}

namespace {

// The bytes of a text in a profile file's encoding, without the byte-order mark.
void AppendEncoded(const std::wstring& text, bool unicode, std::vector<uint8_t>& bytes) {
    if (!unicode) {
        for (wchar_t ch : text) bytes.push_back(static_cast<unsigned>(ch) <= 0xFF ? static_cast<uint8_t>(ch) : '?');
        return;
    }
    auto unit = [&](unsigned value) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    };
    for (wchar_t ch : text) {
        unsigned code = static_cast<unsigned>(ch);
        if (code > 0xFFFF) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
}

}  // namespace

std::vector<uint8_t> EncodeProfile(const ProfileText& profile) {
    std::vector<uint8_t> bytes;
    bytes.reserve(profile.text.size() * (profile.unicode ? 2 : 1) + 2);
    if (profile.unicode) bytes = {0xFF, 0xFE};
    AppendEncoded(profile.text, profile.unicode, bytes);
    return bytes;
}

// [begin, end) of a profile file's text.
struct ProfileSpan {
    size_t begin = 0;
    size_t end = 0;
};

// One line of a profile file: its content is [begin, end) without the line end; the next line
// starts at next. What it is: a section header "[name]", a key line "name=value", or anything
// else (a line without '=' is no key).
struct ProfileLine {
    enum Kind { Other, Section, Key };
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
    Kind kind = Other;
    ProfileSpan name;       // the section's or the key's name, trimmed
    ProfileSpan value;      // a key's value, trimmed
    size_t valueStart = 0;  // a key's first character after the '='
};

// A profile file parsed into lines, kept with its node: reading many keys of one file costs one
// parse, and a write edits the text, its lines and its bytes in place.
struct ProfileParse {
    std::vector<uint8_t> bytes;  // the file's content this is the parse of
    ProfileText profile;
    std::vector<ProfileLine> lines;
};

namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f' || ch == 0x1A;
}

ProfileSpan Trimmed(const std::wstring& text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return {begin, end};
}

std::wstring TextOf(const std::wstring& text, ProfileSpan span) { return text.substr(span.begin, span.end - span.begin); }

std::wstring Trim(const std::wstring& text) { return TextOf(text, Trimmed(text, 0, text.size())); }

bool SameNameAt(const std::wstring& text, ProfileSpan span, const std::wstring& name) {
    if (span.end - span.begin != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (std::towupper(text[span.begin + i]) != std::towupper(name[i])) return false;
    }
    return true;
}

// Sets what the line is, and where its name and value lie.
void Classify(const std::wstring& text, ProfileLine& line) {
    line.kind = ProfileLine::Other;
    ProfileSpan trimmed = Trimmed(text, line.begin, line.end);
    if (trimmed.end > trimmed.begin && text[trimmed.begin] == L'[') {
        size_t close = trimmed.end;
        while (close > trimmed.begin && text[close - 1] != L']') --close;
        if (close > trimmed.begin) {
            line.kind = ProfileLine::Section;
            line.name = Trimmed(text, trimmed.begin + 1, close - 1);
            return;
        }
    }
    size_t equals = line.begin;
    while (equals < line.end && text[equals] != L'=') ++equals;
    if (equals == line.end) return;
    line.kind = ProfileLine::Key;
    line.name = Trimmed(text, line.begin, equals);
    line.value = Trimmed(text, equals + 1, line.end);
    line.valueStart = equals + 1;
}

// The lines of text[from, to), where from starts a line and to starts one or ends the text.
std::vector<ProfileLine> SplitLines(const std::wstring& text, size_t from, size_t to) {
    std::vector<ProfileLine> lines;
    for (size_t at = from; at < to;) {
        size_t newline = text.find(L'\n', at);
        ProfileLine line;
        line.begin = at;
        line.end = newline == std::wstring::npos ? text.size() : newline;
        line.next = newline == std::wstring::npos ? text.size() : newline + 1;
        if (line.end > at && text[line.end - 1] == L'\r') --line.end;
        Classify(text, line);
        lines.push_back(line);
        at = line.next;
    }
    return lines;
}

void Reparse(ProfileParse& parse) {
    parse.profile = DecodeProfile(parse.bytes);
    parse.lines = SplitLines(parse.profile.text, 0, parse.profile.text.size());
}

ProfileParse& ParseOf(Node& node) {
    if (!node.profile || node.profile->bytes != node.data) {
        auto parse = std::make_shared<ProfileParse>();
        parse->bytes = node.data;
        Reparse(*parse);
        node.profile = std::move(parse);
    }
    return *node.profile;
}

bool IsSurrogate(wchar_t ch) { return ch >= 0xD800 && ch <= 0xDFFF; }

// True when text[pos, pos + count) can be replaced by insert without parsing the file again: the
// new text stays as it is when encoded and read back, each character is one unit in the file, and
// no surrogate half next to the edit could pair with another.
bool EditsInPlace(const ProfileParse& parse, size_t pos, size_t count, const std::wstring& insert) {
    const ProfileText& profile = parse.profile;
    auto plain = [&](wchar_t ch) {
        return profile.unicode ? static_cast<unsigned>(ch) <= 0xFFFF && !IsSurrogate(ch) : static_cast<unsigned>(ch) <= 0xFF;
    };
    if (!std::all_of(insert.begin(), insert.end(), plain)) return false;
    if (!profile.unicode) return true;
    if (parse.bytes.size() != 2 + 2 * profile.text.size()) return false;  // a character of two units, or an odd byte
    bool before = pos > 0 && IsSurrogate(profile.text[pos - 1]);
    bool after = pos + count < profile.text.size() && IsSurrogate(profile.text[pos + count]);
    return !before && !after;
}

// The index of the first line that ends after pos, or lines.size().
size_t LineAfter(const std::vector<ProfileLine>& lines, size_t pos) {
    auto found = std::upper_bound(lines.begin(), lines.end(), pos,
                                  [](size_t at, const ProfileLine& line) { return at < line.next; });
    return static_cast<size_t>(found - lines.begin());
}

void Shift(ProfileLine& line, size_t by, bool forward) {
    for (size_t* at : {&line.begin, &line.end, &line.next, &line.name.begin, &line.name.end, &line.value.begin,
                       &line.value.end, &line.valueStart}) {
        *at = forward ? *at + by : *at - by;
    }
}

// Replaces text[pos, pos + count) with insert, keeping the bytes and the lines up to date: the
// lines the edit touches are split again, the ones after it move.
void Splice(ProfileParse& parse, size_t pos, size_t count, const std::wstring& insert) {
    std::wstring& text = parse.profile.text;
    if (!EditsInPlace(parse, pos, count, insert)) {
        text.replace(pos, count, insert);
        parse.bytes = EncodeProfile(parse.profile);
        Reparse(parse);
        return;
    }
    auto& lines = parse.lines;
    size_t first = LineAfter(lines, pos);
    if (first == lines.size() && first > 0 && text.back() != L'\n') --first;  // text added to an unended last line
    size_t last = LineAfter(lines, pos + count);  // the line holding the end of the edit, which is split again
    size_t from = first < lines.size() ? lines[first].begin : text.size();
    size_t to = last < lines.size() ? lines[last].next : text.size();
    size_t tail = last < lines.size() ? last + 1 : lines.size();

    size_t unit = parse.profile.unicode ? 2 : 1, offset = parse.profile.unicode ? 2 : 0;
    std::vector<uint8_t> encoded;
    AppendEncoded(insert, parse.profile.unicode, encoded);
    auto at = parse.bytes.begin() + static_cast<std::ptrdiff_t>(offset + pos * unit);
    at = parse.bytes.erase(at, at + static_cast<std::ptrdiff_t>(count * unit));
    parse.bytes.insert(at, encoded.begin(), encoded.end());
    text.replace(pos, count, insert);

    bool grows = insert.size() >= count;
    size_t by = grows ? insert.size() - count : count - insert.size();
    for (size_t i = tail; i < lines.size(); ++i) Shift(lines[i], by, grows);
    std::vector<ProfileLine> fresh = SplitLines(text, from, grows ? to + by : to - by);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.begin() + static_cast<std::ptrdiff_t>(tail));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
}

// Where a section lies: the index of its header line and of the line after its last line.
struct SectionSpan {
    bool found = false;
    size_t header = 0;
    size_t end = 0;
};

SectionSpan FindSection(const ProfileParse& parse, const std::wstring& name) {
    SectionSpan span;
    span.end = parse.lines.size();
    for (size_t i = 0; i < parse.lines.size(); ++i) {
        const ProfileLine& line = parse.lines[i];
        if (line.kind != ProfileLine::Section) continue;
        if (span.found) {
            span.end = i;
            break;
        }
        if (SameNameAt(parse.profile.text, line.name, name)) {
            span.found = true;
            span.header = i;
        }
    }
    return span;
}

// The index of the section's first line for that key, or lines.size().
size_t FindKey(const ProfileParse& parse, const SectionSpan& span, const std::wstring& key) {
    for (size_t i = span.header + 1; span.found && i < span.end; ++i) {
        const ProfileLine& line = parse.lines[i];
        if (line.kind == ProfileLine::Key && SameNameAt(parse.profile.text, line.name, key)) return i;
    }
    return parse.lines.size();
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

// The parse of a profile file; null when it is missing or cannot be read.
const ProfileParse* ReadProfile(LPCWSTR file) {
    if (file == nullptr || *file == 0) return nullptr;
    Lookup found = Machine::Current().files().Resolve(ProfilePath(file), true);
    if (found.error || !found.node || found.node->IsFolder()) return nullptr;
    if (SharingConflict(*found.node, GENERIC_READ, kProfileShare)) return nullptr;
    return &ParseOf(*found.node);
}

bool FindValue(const ProfileParse& parse, const std::wstring& section, const std::wstring& key, std::wstring& value) {
    SectionSpan span = FindSection(parse, Trim(section));
    size_t line = FindKey(parse, span, Trim(key));
    if (line == parse.lines.size()) return false;
    value = StripQuotes(TextOf(parse.profile.text, parse.lines[line].value));
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

std::vector<std::wstring> SectionNames(const ProfileParse& parse) {
    std::vector<std::wstring> names;
    for (const ProfileLine& line : parse.lines) {
        if (line.kind == ProfileLine::Section) names.push_back(TextOf(parse.profile.text, line.name));
    }
    return names;
}

std::vector<std::wstring> KeyNames(const ProfileParse& parse, const std::wstring& section) {
    std::vector<std::wstring> names;
    SectionSpan span = FindSection(parse, Trim(section));
    for (size_t i = span.header + 1; span.found && i < span.end; ++i) {
        const ProfileLine& line = parse.lines[i];
        if (line.kind == ProfileLine::Key) names.push_back(TextOf(parse.profile.text, line.name));
    }
    return names;
}

bool IsBlankLine(const std::wstring& text, const ProfileLine& line) {
    ProfileSpan trimmed = Trimmed(text, line.begin, line.end);
    return trimmed.begin == trimmed.end;
}

// Applies one write to a profile file: a null key removes the section, a null value removes the
// key, anything else sets the key, adding it (and its section) when missing.
void ApplyWrite(ProfileParse& parse, const std::wstring& section, LPCWSTR keyName, LPCWSTR value) {
    const std::wstring& text = parse.profile.text;
    const std::vector<ProfileLine>& lines = parse.lines;
    SectionSpan span = FindSection(parse, section);
    auto startOf = [&](size_t index) { return index < lines.size() ? lines[index].begin : text.size(); };
    if (keyName == nullptr) {
        if (span.found) Splice(parse, lines[span.header].begin, startOf(span.end) - lines[span.header].begin, L"");
        return;
    }
    std::wstring key = Trim(keyName);
    std::wstring lineEnd = (!text.empty() && text.back() != L'\n') ? L"\r\n" : L"";
    if (!span.found) {
        if (value != nullptr) Splice(parse, text.size(), 0, lineEnd + L"[" + section + L"]\r\n" + key + L"=" + value + L"\r\n");
        return;
    }
    size_t found = FindKey(parse, span, key);
    if (found != lines.size()) {
        const ProfileLine& line = lines[found];
        if (value == nullptr) {
            Splice(parse, line.begin, line.next - line.begin, L"");
        } else {
            Splice(parse, line.valueStart, line.end - line.valueStart, value);
        }
        return;
    }
    if (value == nullptr) return;
    size_t last = span.header;  // the section's last line that is not blank
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (!IsBlankLine(text, lines[i])) last = i;
    }
    size_t at = lines[last].next;
    std::wstring line = key + L"=" + value + L"\r\n";
    if (at == text.size()) line = lineEnd + line;
    Splice(parse, at, 0, line);
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
    if (DWORD ended = sim::Machine::Current().Step()) return sim::Fail(ended, FALSE);
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

    if (!node) node = files.AddChild(found.parent, found.name, false);
    sim::ProfileParse& parse = sim::ParseOf(*node);
    sim::ApplyWrite(parse, sim::Trim(section), key, text);
    // The whole file is written again from its start: when the room runs out, it is left cut there.
    files.Reserve(found.drive, node->data.size(), 0);
    uint64_t room = (*files.drives)[found.drive].freeBytes;
    bool fits = room >= parse.bytes.size();
    size_t written = fits ? parse.bytes.size() : static_cast<size_t>(room);
    files.Reserve(found.drive, 0, written);
    node->data.assign(parse.bytes.begin(), parse.bytes.begin() + static_cast<std::ptrdiff_t>(written));
    node->writeTime = files.clock++;
    return fits ? TRUE : Fail(ERROR_DISK_FULL, FALSE);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file) {
    const sim::ProfileParse* parse = section && key ? sim::ReadProfile(file) : nullptr;
    std::wstring value;
    if (parse == nullptr || !sim::FindValue(*parse, section, key, value) || value.empty()) {
        return static_cast<UINT>(defaultValue);
    }
    return sim::ParseInteger(value);
}

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText, LPWSTR buffer, DWORD size,
                               LPCWSTR file) {
    Machine& machine = Machine::Current();
    if (buffer == nullptr || size == 0) return 0;
    static const sim::ProfileParse kNoFile;
    const sim::ProfileParse* found = sim::ReadProfile(file);
    const sim::ProfileParse& parse = found ? *found : kNoFile;
    machine.lastError = found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    if (section == nullptr) return sim::CopyList(sim::SectionNames(parse), buffer, size);
    if (key == nullptr) return sim::CopyList(sim::KeyNames(parse, section), buffer, size);
    std::wstring value;
    if (found && sim::FindValue(parse, section, key, value)) return sim::CopyText(value, buffer, size);
    machine.lastError = ERROR_FILE_NOT_FOUND;
    // The default loses its trailing blanks.
    std::wstring fallback = defaultText ? defaultText : L"";
    while (!fallback.empty() && fallback.back() == L' ') fallback.pop_back();
    return sim::CopyText(fallback, buffer, size);
}
