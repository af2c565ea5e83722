#include "check/facts/live_registry.h"

#include <cstring>

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

LiveValue ReadLiveValue(HKEY root, const std::wstring& subKey, const std::wstring& name) {
    LiveValue value;
    RegKey key;
    LONG opened = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | kRegistryView, key.Receive());
    if (opened != ERROR_SUCCESS) {
        if (opened != ERROR_FILE_NOT_FOUND) value.state = LiveState::Unreadable;
        return value;
    }
    DWORD size = 0;
    LONG queried = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size);
    value.state = queried == ERROR_FILE_NOT_FOUND ? LiveState::MissingValue : LiveState::Unreadable;
    if (queried != ERROR_SUCCESS) return value;
    value.data.resize(size);
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) return value;
    value.data.resize(size);
    value.state = LiveState::Present;
    return value;
}

