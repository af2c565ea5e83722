#include "check/json/json.h"

#include <cstdio>

#include "hive/hive_file.h"

namespace {

// A wide text as UTF-16 code units, as the registry holds it.
template <class Unit>
void ForEachUnit(const std::wstring& text, Unit unit) {
    std::string bytes = hive::ToUtf16Le(text);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unit(static_cast<uint32_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
}

void DumpText(const std::wstring& text, std::string& out) {
    out += '"';
    ForEachUnit(text, [&](uint32_t unit) {
        if (unit == '"' || unit == '\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
            out += escape;
        }
    });
    out += '"';
}

}  // namespace

Json Json::Array() {
    Json json;
    json.kind_ = Kind::Array;
    return json;
}

Json Json::Object() {
    Json json;
    json.kind_ = Kind::Object;
    return json;
}

Json Json::Strings(const std::vector<std::wstring>& texts) {
    Json array = Array();
    for (const auto& text : texts) array.Push(text);
    return array;
}

Json& Json::Push(Json item) {
    members_.emplace_back(std::wstring(), std::move(item));
    return members_.back().second;
}

Json& Json::Set(const std::wstring& key, Json value) {
    for (auto& member : members_) {
        if (member.first == key) return member.second = std::move(value);
    }
    members_.emplace_back(key, std::move(value));
    return members_.back().second;
}

const Json* Json::Find(const std::wstring& key) const {
    if (kind_ != Kind::Object) return nullptr;
    for (const auto& member : members_) {
        if (member.first == key) return &member.second;
    }
    return nullptr;
}

bool Json::Unsigned(uint64_t max, uint64_t& value) const {
    if (kind_ != Kind::Number || text_.empty() || text_.size() > 20 || (text_[0] == L'0' && text_.size() > 1)) return false;
    value = 0;
    for (wchar_t ch : text_) {
        if (ch < L'0' || ch > L'9') return false;
        uint64_t digit = static_cast<uint64_t>(ch - L'0');
        if (value > (max - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out);
    return out;
}

void Json::DumpTo(std::string& out) const {
    switch (kind_) {
    case Kind::Null: out += "null"; return;
    case Kind::Bool:
    case Kind::Number:
        for (wchar_t ch : text_) out += static_cast<char>(ch);
        return;
    case Kind::String: DumpText(text_, out); return;
    case Kind::Array:
    case Kind::Object: break;
    }
    bool object = kind_ == Kind::Object;
    out += object ? '{' : '[';
    for (size_t i = 0; i < members_.size(); ++i) {
        if (i) out += ',';
        if (object) {
            DumpText(members_[i].first, out);
            out += ':';
        }
        members_[i].second.DumpTo(out);
    }
    out += object ? '}' : ']';
}

// A recursive-descent reader over UTF-16 code units, every step bounded.
class JsonReader {
public:
    explicit JsonReader(std::u16string units) : in_(std::move(units)) {}

    JsonReading Read() {
        JsonReading reading;
        Blanks();
        if (!Value(reading.document, 0) || (Blanks(), at_ != in_.size())) {
            reading.error = error_ == JsonError::None ? JsonError::NotJson : error_;
            reading.document = Json();
        }
        reading.at = at_;
        return reading;
    }

private:
    bool Fail(JsonError error) {
        if (error_ == JsonError::None) error_ = error;
        return false;
    }
    void Blanks() {
        while (at_ < in_.size() && (in_[at_] == ' ' || in_[at_] == '\t' || in_[at_] == '\n' || in_[at_] == '\r')) ++at_;
    }
    bool Take(char16_t unit) {
        Blanks();
        if (at_ < in_.size() && in_[at_] == unit) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(const char* word, Json::Kind kind, Json& out) {
        size_t start = at_;
        for (const char* c = word; *c; ++c, ++at_) {
            if (at_ >= in_.size() || in_[at_] != static_cast<char16_t>(*c)) return Fail(JsonError::NotJson);
        }
        out.kind_ = kind;
        out.text_.assign(in_.begin() + static_cast<long>(start), in_.begin() + static_cast<long>(at_));
        return true;
    }

    bool Value(Json& out, size_t depth) {
        if (++values_ > kJsonMaxValues) return Fail(JsonError::TooManyValues);
        Blanks();
        if (at_ >= in_.size()) return Fail(JsonError::NotJson);
        switch (in_[at_]) {
        case '{':
        case '[':
            if (depth >= kJsonMaxDepth) return Fail(JsonError::TooDeep);
            return Container(out, depth);
        case '"': out.kind_ = Json::Kind::String; return String(out.text_);
        case 't': return Word("true", Json::Kind::Bool, out);
        case 'f': return Word("false", Json::Kind::Bool, out);
        case 'n': return Word("null", Json::Kind::Null, out);
        default: return Number(out);
        }
    }

    bool Container(Json& out, size_t depth) {
        bool object = in_[at_++] == '{';
        out = object ? Json::Object() : Json::Array();
        char16_t close = object ? '}' : ']';
        if (Take(close)) return true;
        do {
            std::wstring key;
            Blanks();
            bool keyed = !object || (at_ < in_.size() && in_[at_] == '"' && String(key) && Take(':'));
            if (!keyed) return Fail(JsonError::NotJson);
            out.members_.emplace_back(std::move(key), Json());
            if (!Value(out.members_.back().second, depth + 1)) return false;
        } while (Take(','));
        return Take(close) || Fail(JsonError::NotJson);
    }

    bool Hex(uint32_t& unit) {
        unit = 0;
        for (int i = 0; i < 4; ++i, ++at_) {
            if (at_ >= in_.size()) return false;
            char16_t c = in_[at_];
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) return false;
            unit = unit * 16 + static_cast<uint32_t>(digit);
        }
        return true;
    }

    bool String(std::wstring& out) {
        static const char kEscapes[] = "\"\"\\\\//b\bf\fn\nr\rt\t";
        std::u16string units;
        ++at_;
        while (at_ < in_.size() && in_[at_] != '"') {
            char16_t unit = in_[at_++];
            if (unit < 0x20) return Fail(JsonError::NotJson);
            if (unit == '\\') {
                if (at_ >= in_.size()) return Fail(JsonError::NotJson);
                char16_t escape = in_[at_++];
                uint32_t code = 0;
                if (escape == 'u') {
                    if (!Hex(code)) return Fail(JsonError::NotJson);
                } else {
                    const char* e = kEscapes;
                    while (*e && *e != escape) e += 2;
                    if (!*e) return Fail(JsonError::NotJson);
                    code = static_cast<unsigned char>(e[1]);
                }
                unit = static_cast<char16_t>(code);
            }
            units += unit;
        }
        if (at_ >= in_.size()) return Fail(JsonError::NotJson);
        ++at_;
        out = Wide(units);
        return true;
    }

    static std::wstring Wide(const std::u16string& units) {
        std::string bytes;
        for (char16_t unit : units) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        return hive::FromUtf16Le(bytes.data(), units.size());
    }

    // The grammar of a JSON number; the literal is kept as written.
    bool Number(Json& out) {
        size_t start = at_;
        auto digits = [&] {
            size_t from = at_;
            while (at_ < in_.size() && in_[at_] >= '0' && in_[at_] <= '9') ++at_;
            return at_ > from;
        };
        if (at_ < in_.size() && in_[at_] == '-') ++at_;
        if (!digits()) return Fail(JsonError::NotJson);
        if (at_ < in_.size() && in_[at_] == '.' && (++at_, !digits())) return Fail(JsonError::NotJson);
        if (at_ < in_.size() && (in_[at_] == 'e' || in_[at_] == 'E')) {
            ++at_;
            if (at_ < in_.size() && (in_[at_] == '+' || in_[at_] == '-')) ++at_;
            if (!digits()) return Fail(JsonError::NotJson);
        }
        out.kind_ = Json::Kind::Number;
        out.text_.assign(in_.begin() + static_cast<long>(start), in_.begin() + static_cast<long>(at_));
        return true;
    }

    std::u16string in_;
    size_t at_ = 0;
    size_t values_ = 0;
    JsonError error_ = JsonError::None;
};

namespace {

// Strict UTF-8 into UTF-16 code units; false for a malformed or overlong sequence.
bool FromUtf8(const std::string& bytes, size_t start, std::u16string& units) {
    for (size_t i = start; i < bytes.size();) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xF0 && lead < 0xF5 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + static_cast<size_t>(extra) >= bytes.size())) return false;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return false;
        if (code > 0xFFFF) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

}  // namespace

JsonReading ReadJson(const std::string& bytes) {
    std::u16string units;
    bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    if (utf16 && bytes.size() % 2 == 0) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
    } else if (utf16 || !FromUtf8(bytes, bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0, units)) {
        JsonReading reading;
        reading.error = JsonError::BadEncoding;
        return reading;
    }
    return JsonReader(std::move(units)).Read();
}
