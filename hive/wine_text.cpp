// The compatibility layer's text format, as its key save writes it:
//   WINE REGISTRY Version 2
//   ;; All keys relative to REGISTRY\\Machine\\...
//   #arch=win64
//   [] 1796832001                 the saved key itself; [Sub\\Key] for a key below it (a key
//   #time=1dd87f658b57a24         without values that has subkeys is left out, implied by them)
//   @="text"                      the default value
//   "name"=dword:0000002a         also "text" (REG_SZ), str(N):"text", hex:.., hex(N):.. with
//                                 continuation lines ending in a backslash
// Texts are ASCII with escapes: \\ \" \[ \] \a \b \t \n \v \f \r \e, \x and one to four hex
// digits (one UTF-16 code unit), \ and one to three octal digits. A text value stands for its
// code units and a terminating NUL.
#include <cwctype>

#include "hive/hive_file.h"

namespace hive {

namespace {

const char kHeader[] = "WINE REGISTRY Version 2";

int Digit(char ch, int base) {
    int value = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : 99;
    return value < base ? value : -1;
}

// Reads `count` digits at most of a number in `base` at `at`; false when there is none.
bool Number(const std::string& line, size_t& at, int base, size_t count, uint32_t& value) {
    size_t start = at;
    value = 0;
    while (at < line.size() && at - start < count && Digit(line[at], base) >= 0) value = value * base + Digit(line[at++], base);
    return at > start;
}

// The code units of a text up to its closing delimiter; `at` is left after the delimiter.
bool Text(const std::string& line, size_t& at, char close, std::u16string& units) {
    static const char kEscapes[] = "a\ab\bt\tn\nv\vf\fr\re\x1b";
    units.clear();
    while (at < line.size() && line[at] != close) {
        char ch = line[at++];
        if (ch != '\\') {
            units += static_cast<char16_t>(static_cast<unsigned char>(ch));
            continue;
        }
        if (at >= line.size()) return false;
        uint32_t value = 0;
        char next = line[at];
        if (next == 'x') {
            ++at;
            if (!Number(line, at, 16, 4, value)) return false;
        } else if (Digit(next, 8) >= 0) {
            Number(line, at, 8, 3, value);
        } else {
            ++at;
            value = static_cast<unsigned char>(next);
            for (const char* e = kEscapes; *e; e += 2) {
                if (*e == next) value = static_cast<unsigned char>(e[1]);
            }
        }
        units += static_cast<char16_t>(value);
    }
    if (at >= line.size()) return false;
    ++at;
    return true;
}

std::string Bytes(const std::u16string& units) {
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::wstring Name(const std::u16string& units) {
    std::string bytes = Bytes(units);
    return FromUtf16Le(bytes.data(), units.size());
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) return false;
    }
    return true;
}

class TextReader {
public:
    explicit TextReader(const std::string& bytes) : bytes_(bytes) {}

    Reading Read() {
        reading_.format = Format::WineText;
        size_t headerEnd = sizeof kHeader - 1;
        if (bytes_.size() <= headerEnd || (bytes_[headerEnd] != '\n' && bytes_[headerEnd] != '\r')) return Damaged(Damage::TextHeader);
        if (bytes_.find('\0') != std::string::npos) return Damaged(Damage::TextNul);
        if (bytes_.back() != '\n') return Damaged(Damage::TextCutShort);
        size_t at = bytes_.find('\n') + 1;
        while (at < bytes_.size()) {
            std::string line = NextLine(at);
            if (!Line(line)) return Damaged(reading_.damage == Damage::None ? Damage::TextSyntax : reading_.damage, line_);
        }
        return reading_;
    }

private:
    Reading Damaged(Damage damage, uint64_t line = 0) {
        Reading damaged;
        damaged.format = Format::WineText;
        damaged.damage = damage;
        damaged.declared = line;
        return damaged;
    }

    // One logical line: a line ending in a backslash goes on with the next one, its blanks dropped.
    std::string NextLine(size_t& at) {
        std::string line;
        for (;;) {
            size_t end = bytes_.find('\n', at);
            std::string part = bytes_.substr(at, end - at);
            at = end + 1;
            ++line_;
            if (!part.empty() && part.back() == '\r') part.pop_back();
            if (!line.empty()) part.erase(0, part.find_first_not_of(' '));
            line += part;
            bool value = !line.empty() && (line[0] == '"' || line[0] == '@');
            if (!value || line.back() != '\\' || at >= bytes_.size()) return line;
            line.pop_back();
        }
    }

    bool Line(const std::string& line) {
        if (line.empty() || line[0] == ';' || line[0] == '#') return true;
        if (line[0] == '[') return KeyLine(line);
        if (current_ == nullptr) return false;
        return ValueLine(line);
    }

    bool KeyLine(const std::string& line) {
        size_t at = 1;
        std::u16string units;
        if (!Text(line, at, ']', units)) return false;
        std::wstring path = Name(units);
        current_ = &reading_.root;
        int depth = 0;
        size_t start = 0;
        while (!path.empty() && start <= path.size()) {
            size_t end = path.find(L'\\', start);
            if (end == std::wstring::npos) end = path.size();
            if (end == start || ++depth > kMaxDepth) {
                reading_.damage = end == start ? Damage::TextSyntax : Damage::TooDeep;
                return false;
            }
            if (!Child(path.substr(start, end - start))) return false;
            start = end + 1;
        }
        return true;
    }

    // The subkey of that name of the current key, made when it is not there yet.
    bool Child(const std::wstring& name) {
        std::vector<Key>& subkeys = current_->subkeys;
        for (auto it = subkeys.rbegin(); it != subkeys.rend(); ++it) {
            if (SameName(it->name, name)) {
                current_ = &*it;
                return true;
            }
        }
        if (++keys_ > kMaxKeys) {
            reading_.damage = Damage::TooManyKeys;
            return false;
        }
        subkeys.emplace_back();
        subkeys.back().name = name;
        current_ = &subkeys.back();
        return true;
    }

    bool ValueLine(const std::string& line) {
        Value value;
        size_t at = 1;
        if (line[0] == '"') {
            std::u16string units;
            if (!Text(line, at, '"', units)) return false;
            value.name = Name(units);
        } else if (line[0] != '@') {
            return false;
        }
        if (at >= line.size() || line[at++] != '=' || !Data(line, at, value)) return false;
        current_->values.push_back(std::move(value));
        return true;
    }

    bool Data(const std::string& line, size_t& at, Value& value) {
        uint32_t type = 1;
        if (line.compare(at, 4, "str(") == 0) {
            at += 4;
            if (!Number(line, at, 16, 8, type) || line.compare(at, 2, "):") != 0) return false;
            at += 2;
        }
        if (at < line.size() && line[at] == '"') {
            std::u16string units;
            ++at;
            if (!Text(line, at, '"', units) || at != line.size()) return false;
            value.type = type;
            value.data = Bytes(units) + std::string(2, '\0');
            return true;
        }
        if (line.compare(at, 6, "dword:") == 0) {
            at += 6;
            uint32_t number = 0;
            if (!Number(line, at, 16, 8, number) || at != line.size()) return false;
            value.type = 4;
            for (int i = 0; i < 4; ++i) value.data += static_cast<char>(number >> (8 * i));
            return true;
        }
        return HexData(line, at, value);
    }

    bool HexData(const std::string& line, size_t& at, Value& value) {
        value.type = 3;
        if (line.compare(at, 4, "hex(") == 0) {
            at += 4;
            if (!Number(line, at, 16, 8, value.type) || line.compare(at, 2, "):") != 0) return false;
            at += 2;
        } else if (line.compare(at, 4, "hex:") == 0) {
            at += 4;
        } else {
            return false;
        }
        while (at < line.size()) {
            uint32_t byte = 0;
            size_t start = at;
            if (!Number(line, at, 16, 2, byte) || at - start != 2) return false;
            value.data += static_cast<char>(byte);
            if (at < line.size() && line[at++] != ',') return false;
        }
        return true;
    }

    const std::string& bytes_;
    Reading reading_;
    Key* current_ = nullptr;
    size_t keys_ = 0;
    uint64_t line_ = 1;
};

}  // namespace

Reading ReadWineText(const std::string& bytes) { return TextReader(bytes).Read(); }

}  // namespace hive
