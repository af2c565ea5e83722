// The inspector's JSON documents read by an independent parser, as a script would read them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

using NJson = nlohmann::ordered_json;

// The document of an output, which is ASCII throughout.
inline NJson ParseOutput(const std::wstring& output) { return NJson::parse(std::string(output.begin(), output.end())); }
inline std::string OutputBytes(const std::wstring& output) { return std::string(output.begin(), output.end()); }
