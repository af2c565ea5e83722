// A small writer of JSON text: objects, arrays, strings and numbers, with the separators placed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonWriter {
public:
    JsonWriter& BeginObject(const char* key = nullptr);
    JsonWriter& EndObject();
    JsonWriter& BeginArray(const char* key = nullptr);
    JsonWriter& EndArray();
    JsonWriter& String(const char* key, const std::wstring& value);
    JsonWriter& String(const std::wstring& value);  // an array element
    JsonWriter& Number(const char* key, uint64_t value);
    JsonWriter& Bool(const char* key, bool value);
    const std::wstring& Text() const { return text_; }

private:
    void Key(const char* key);
    std::wstring text_;
    std::vector<bool> first_;  // per open container: no member written yet
};

std::wstring JsonEscape(const std::wstring& text);
