#include "check/live_registry.h"

#include <cstring>
#include <cwctype>

#include "platform/handles.h"

std::wstring LiveValue::AsText() const {
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::wstring text;
        for (size_t i = 0; i + sizeof(WCHAR) <= data.size(); i += sizeof(WCHAR)) {
            WCHAR ch;
            std::memcpy(&ch, &data[i], sizeof ch);
            if (ch == 0) break;
            text += ch;
        }
        return text;
    }
    if (data.size() <= 4) {
        uint32_t number = 0;
        for (size_t i = 0; i < data.size(); ++i) number |= static_cast<uint32_t>(data[i]) << (8 * i);
        return std::to_wstring(static_cast<int32_t>(number));
    }
    return L"(" + std::to_wstring(data.size()) + L" bytes of type " + std::to_wstring(type) + L")";
}

bool LiveKeyExists(HKEY root, const std::wstring& subKey) {
    RegKey key;
    return RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | kRegistryView, key.Receive()) == ERROR_SUCCESS;
}

LiveValue ReadLiveValue(HKEY root, const std::wstring& subKey, const std::wstring& name) {
    LiveValue value;
    RegKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | kRegistryView, key.Receive()) != ERROR_SUCCESS) {
        return value;
    }
    value.state = LiveState::MissingValue;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
    value.data.resize(size);
    LONG result = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &value.type, value.data.data(), &size);
    if (result != ERROR_SUCCESS) return value;
    value.data.resize(size);
    value.state = LiveState::Present;
    return value;
}

int32_t ProfileInteger(const std::wstring& text) {
    size_t at = 0;
    while (at < text.size() && std::iswspace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'-' || text[at] == L'+')) negative = text[at++] == L'-';
    unsigned base = 10;
    if (at + 1 < text.size() && text[at] == L'0') {
        wchar_t mark = static_cast<wchar_t>(std::towlower(text[at + 1]));
        base = mark == L'x' ? 16 : mark == L'o' ? 8 : mark == L'b' ? 2 : 10;
        if (base != 10) at += 2;
    }
    uint32_t value = 0;
    for (; at < text.size(); ++at) {
        wchar_t ch = static_cast<wchar_t>(std::towlower(text[at]));
        unsigned digit = ch >= L'0' && ch <= L'9' ? ch - L'0' : ch >= L'a' && ch <= L'f' ? ch - L'a' + 10 : 99;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}
