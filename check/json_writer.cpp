#include "check/json_writer.h"

#include "platform/platform.h"


std::wstring JsonEscape(const std::wstring& text) {
    std::wstring out;
    for (wchar_t ch : text) {
        switch (ch) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (static_cast<unsigned>(ch) < 0x20) {
                wchar_t escaped[8];
                swprintf_s(escaped, 8, L"\\u%04x", static_cast<unsigned>(ch));
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

void JsonWriter::Key(const char* key) {
    if (!first_.empty()) {
        if (!first_.back()) text_ += L",";
        first_.back() = false;
    }
    if (key != nullptr) {
        text_ += L"\"";
        while (*key) text_ += static_cast<wchar_t>(*key++);
        text_ += L"\":";
    }
}

JsonWriter& JsonWriter::BeginObject(const char* key) {
    Key(key);
    text_ += L"{";
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    text_ += L"}";
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray(const char* key) {
    Key(key);
    text_ += L"[";
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    text_ += L"]";
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::String(const char* key, const std::wstring& value) {
    Key(key);
    text_ += L"\"" + JsonEscape(value) + L"\"";
    return *this;
}

JsonWriter& JsonWriter::String(const std::wstring& value) { return String(nullptr, value); }

JsonWriter& JsonWriter::Number(const char* key, uint64_t value) {
    Key(key);
    text_ += std::to_wstring(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(const char* key, bool value) {
    Key(key);
    text_ += value ? L"true" : L"false";
    return *this;
}
