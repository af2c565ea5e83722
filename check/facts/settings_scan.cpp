#include "check/facts/settings_scan.h"

#include <cwctype>
#include <set>

#include "base/file_read.h"
#include "registry/record_text.h"
#include "registry/settings_file.h"

namespace {

// The profile read's own blanks, at either end.
std::wstring Trim(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsProfileBlank(text[begin])) ++begin;
    while (end > begin && IsProfileBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// UTF-16LE after its byte-order mark.
std::wstring DecodeUtf16(const std::string& bytes, size_t start) {
    std::wstring out;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (sizeof(wchar_t) == 4 && unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            unsigned low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out += static_cast<wchar_t>(unit);
    }
    return out;
}

// UTF-8 after its byte-order mark; a malformed byte stands for itself.
std::wstring DecodeUtf8(const std::string& bytes, size_t start) {
    std::wstring out;
    for (size_t i = start; i < bytes.size();) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        unsigned code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool ok = i + extra < bytes.size();
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!ok || (sizeof(wchar_t) == 2 && code > 0xFFFF)) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(code);
        i += extra + 1;
    }
    return out;
}

// The system's ANSI code page is not known here: bytes above 0x7F are shown as Latin-1.
std::wstring DecodeAnsi(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char byte : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    return out;
}

void ParseLines(const std::wstring& text, SettingsScan& scan) {
    SettingsScan::Section* current = nullptr;
    std::set<std::wstring> repeated;  // each repeated section is named once
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.find(L'\0') != std::wstring::npos) scan.binary = true;
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            size_t close = line.find(L']');
            std::wstring name = Trim(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
            scan.sections.push_back({name, {}, {}});
            current = &scan.sections.back();
            std::wstring key = UpperCase(name);
            if (scan.index.count(key)) {
                if (repeated.insert(key).second) scan.duplicateSections.push_back(name);
            } else {
                scan.index[key] = scan.sections.size() - 1;
            }
            continue;
        }
        size_t equals = line.find(L'=');
        if (current == nullptr || equals == std::wstring::npos) {
            ++scan.strayLines;
            continue;
        }
        std::wstring key = Trim(line.substr(0, equals));
        if (current->index.emplace(UpperCase(key), current->keys.size()).second) current->keys.push_back(key);
        ++scan.records;
    }
}

}  // namespace

std::wstring UpperCase(const std::wstring& text) {
    std::wstring out(text);
    for (auto& ch : out) ch = static_cast<wchar_t>(std::towupper(ch));
    return out;
}

const SettingsScan::Section* SettingsScan::FindSection(const std::wstring& name) const {
    auto it = index.find(UpperCase(name));
    return it == index.end() ? nullptr : &sections[it->second];
}

bool SettingsScan::Usable() const {
    bool readable = encoding == SettingsEncoding::Utf16Le || encoding == SettingsEncoding::Utf8 ||
                    encoding == SettingsEncoding::Ansi;
    return readable && !binary && !(records == 0 && strayLines > 0);
}

SettingsScan ParseSettingsText(const std::string& bytes) {
    SettingsScan scan;
    scan.bytes = bytes.size();
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        scan.encoding = SettingsEncoding::Utf16Le;
        text = DecodeUtf16(bytes, 2);
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        scan.encoding = SettingsEncoding::Utf8;
        text = DecodeUtf8(bytes, 3);
    } else {
        scan.encoding = SettingsEncoding::Ansi;
        text = DecodeAnsi(bytes);
    }
    ParseLines(text, scan);
    return scan;
}

SettingsScan ScanSettingsFile(const std::wstring& path) {
    SettingsScan scan;
    FileReadResult read = ReadWholeFile(path, kSettingsFileSizeBound);
    switch (read.status) {
    case FileReadStatus::Missing: return scan;
    case FileReadStatus::TooLarge:
        scan.encoding = SettingsEncoding::TooLarge;
        scan.bytes = read.size;
        return scan;
    case FileReadStatus::Unreadable:
        scan.encoding = SettingsEncoding::Unreadable;
        return scan;
    case FileReadStatus::Read: break;
    }
    return ParseSettingsText(read.bytes);
}
