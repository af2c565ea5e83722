#include "base/path_buffer.h"

#include <cstring>

bool FormatPath(WCHAR* buffer, size_t count, LPCWSTR format, LPCWSTR first, LPCWSTR second) {
    buffer[0] = 0;
    size_t length = 0;
    int placeholders = 0;
    for (LPCWSTR at = format; *at; ++at) {
        if (at[0] == L'%' && at[1] == L'l' && at[2] == L's') {
            LPCWSTR text = placeholders++ == 0 ? first : second;
            if (text == nullptr) return false;
            length += std::wcslen(text);
            at += 2;
        } else {
            ++length;
        }
    }
    if (length + 1 > count) return false;
    if (placeholders >= 2) {
        swprintf_s(buffer, count, format, first, second);
    } else {
        swprintf_s(buffer, count, format, first);
    }
    return true;
}

namespace {

// Lead bytes of a two-byte character in code page 932, the narrow character set of the run.
bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

}  // namespace

void WriteTraceLine(char (&line)[MAX_PATH], const char* prefix, const char* text, const char* suffix) {
    size_t room = sizeof line - 1 - std::strlen(prefix) - std::strlen(suffix);
    size_t length = std::strlen(text);
    size_t keep = 0;
    while (keep < length) {
        size_t step = IsLeadByte(static_cast<unsigned char>(text[keep])) && keep + 1 < length ? 2 : 1;
        if (keep + step > room) break;
        keep += step;
    }
    sprintf_s(line, sizeof line, "%s%.*s%s", prefix, static_cast<int>(keep), text, suffix);
}
