// Enumerating the subkeys and values of an open key.
// RegEnumKeyExW: https://learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regenumkeyexw
// RegEnumValueW: https://learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regenumvaluew
// The name sizes are counts of characters: in, the buffer's with room for the terminator; out,
// the name's without it. A name or data that does not fit gives ERROR_MORE_DATA; an index past
// the last gives ERROR_NO_MORE_ITEMS. Subkeys need KEY_ENUMERATE_SUB_KEYS, values KEY_QUERY_VALUE.
#include <cstring>

#include "registry.h"
#include "win_api.h"

namespace {

LONG CopyName(const std::wstring& name, LPWSTR buffer, LPDWORD count) {
    if (buffer == nullptr || count == nullptr) return ERROR_INVALID_PARAMETER;
    if (*count <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    *count = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameCount, LPDWORD reserved, LPWSTR keyClass,
                   LPDWORD classCount, FILETIME* lastWrite) {
    sim::OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (reserved != nullptr || keyClass != nullptr || classCount != nullptr) return ERROR_INVALID_PARAMETER;
    if ((open.access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
    if (index >= open.node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    if (lastWrite) *lastWrite = FILETIME{};
    return CopyName(open.node->subkeys[index]->name, name, nameCount);
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameCount, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize) {
    sim::OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return ERROR_INVALID_PARAMETER;
    if ((open.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    if (index >= open.node->values.size()) return ERROR_NO_MORE_ITEMS;
    const sim::RegValue& value = open.node->values[index];
    if (LONG error = CopyName(value.name, name, nameCount)) return error;
    DWORD size = static_cast<DWORD>(value.data.size());
    if (type) *type = value.type;
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && size) std::memcpy(data, value.data.data(), size);
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}
