// The inspector's JSON: documents written in pure ASCII (every other character escaped as \uXXXX,
// one escape per UTF-16 code unit, so an unpaired surrogate travels exactly and no console's code
// page can change a byte), and read back by a bounded reader: its depth, its number of values and
// the size of its text are limited, each with its own message, and no input makes it fail
// otherwise. Texts are the program's wide strings, compared code unit for code unit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool value) : kind_(Kind::Bool), text_(value ? L"true" : L"false") {}
    Json(int value) : Json(static_cast<long long>(value)) {}
    Json(long value) : Json(static_cast<long long>(value)) {}
    Json(long long value) : kind_(Kind::Number), text_(std::to_wstring(value)) {}
    Json(unsigned value) : Json(static_cast<unsigned long long>(value)) {}
    Json(unsigned long value) : Json(static_cast<unsigned long long>(value)) {}
    Json(unsigned long long value) : kind_(Kind::Number), text_(std::to_wstring(value)) {}
    Json(std::wstring text) : kind_(Kind::String), text_(std::move(text)) {}
    Json(const wchar_t* text) : Json(std::wstring(text)) {}
    static Json Array();
    static Json Object();
    static Json Strings(const std::vector<std::wstring>& texts);

    Kind kind() const { return kind_; }
    bool Is(Kind kind) const { return kind_ == kind; }
    // Arrays and objects: append an item, or set a member (members keep the order they are set in).
    Json& Push(Json item);
    Json& Set(const std::wstring& key, Json value);
    // Objects: the member, or null when there is none.
    const Json* Find(const std::wstring& key) const;
    const std::vector<std::pair<std::wstring, Json>>& Members() const { return members_; }
    size_t Size() const { return members_.size(); }
    const Json& operator[](size_t index) const { return members_[index].second; }

    // A text's code units; a number's literal.
    const std::wstring& Text() const { return text_; }
    // A number written as an integer (no fraction, no exponent) within 0 to max.
    bool Unsigned(uint64_t max, uint64_t& value) const;

    // The document on one line, pure ASCII.
    std::string Dump() const;

private:
    friend class JsonReader;
    void DumpTo(std::string& out) const;

    Kind kind_ = Kind::Null;
    std::wstring text_;
    std::vector<std::pair<std::wstring, Json>> members_;  // array items have empty keys
};

// Bounds of the reader.
constexpr size_t kJsonMaxDepth = 32;
constexpr size_t kJsonMaxValues = 1000000;

enum class JsonError { None, NotJson, TooDeep, TooManyValues, BadEncoding };

struct JsonReading {
    JsonError error = JsonError::None;
    size_t at = 0;  // the code unit where reading stopped
    Json document;
};

// The text as UTF-8 (a byte-order mark allowed) or, after its byte-order mark, UTF-16LE.
JsonReading ReadJson(const std::string& bytes);
