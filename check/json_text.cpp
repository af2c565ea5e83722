#include "check/json_text.h"

#include "platform/platform.h"

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int length = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    int length = static_cast<int>(text.size());
    int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &out[0], count);
    return out;
}

Json JsonStrings(const std::vector<std::wstring>& texts) {
    Json array = Json::array();
    for (const auto& text : texts) array.push_back(Utf8(text));
    return array;
}

std::wstring JsonText(const Json& document) {
    return FromUtf8(document.dump(-1, ' ', false, Json::error_handler_t::replace)) + L"\n";
}

std::wstring JsonWide(const Json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? FromUtf8(it->get<std::string>()) : std::wstring();
}
