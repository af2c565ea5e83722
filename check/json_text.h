// JSON through nlohmann-json: members keep the order they are written in, and wide texts go in
// and come out as UTF-8 by the platform's own conversion (an unpaired surrogate becomes U+FFFD).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using Json = nlohmann::ordered_json;

std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// An array of texts.
Json JsonStrings(const std::vector<std::wstring>& texts);
// The document on one line, ended by a line break.
std::wstring JsonText(const Json& document);
// The text member `key` of an object, or empty when it is missing or not a text.
std::wstring JsonWide(const Json& object, const char* key);
