// WideCharToMultiByte and MultiByteToWideChar for CP_UTF8, as Windows does them: wide text is
// UTF-16 (a unit above U+FFFF, which only the host's wide characters hold, counts as its code
// point); an unpaired surrogate or a malformed byte becomes U+FFFD; a null output asks for the
// size; too small an output fails. Only explicit counts are modelled, as the inspector passes them.
#include <string>

#include "platform/platform.h"

namespace {

std::string Utf8Of(char32_t cp) {
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    int more = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    std::string out(1, static_cast<char>(((0xFF00 >> (more + 1)) & 0xFF) | (cp >> (6 * more))));
    for (int k = more - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
    return out;
}

// The code point at bytes[i]; i moves past it (past one byte of a malformed sequence).
char32_t NextPoint(const unsigned char* bytes, size_t count, size_t& i) {
    unsigned char lead = bytes[i++];
    int more = lead < 0x80 ? 0 : lead < 0xC2 ? -1 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : -1;
    if (more < 0 || i + more > count) return 0xFFFD;
    char32_t cp = more ? lead & (0x3F >> more) : lead;
    for (int k = 0; k < more; ++k) {
        if ((bytes[i + k] & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (bytes[i + k] & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return 0xFFFD;
    i += more;
    return cp;
}

template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* out, int capacity) {
    if (capacity == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<size_t>(capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return static_cast<int>(text.copy(out, text.size()));
}

bool Accepted(UINT codePage, const void* input, int count, int capacity) {
    if (codePage == CP_UTF8 && input != nullptr && count > 0 && capacity >= 0) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int count, char* narrow, int capacity, const char*, BOOL*) {
    if (!Accepted(codePage, wide, count, capacity)) return 0;
    size_t units = static_cast<size_t>(count);
    std::string out;
    for (size_t i = 0; i < units; ++i) {
        char32_t unit = static_cast<char32_t>(wide[i]), next = i + 1 < units ? static_cast<char32_t>(wide[i + 1]) : 0;
        bool pair = unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000;
        out += Utf8Of(pair ? 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00) : unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
        i += pair;
    }
    return Deliver(out, narrow, capacity);
}

int MultiByteToWideChar(UINT codePage, DWORD, const char* narrow, int count, LPWSTR wide, int capacity) {
    if (!Accepted(codePage, narrow, count, capacity)) return 0;
    size_t bytes = static_cast<size_t>(count);
    std::wstring out;
    for (size_t i = 0; i < bytes;) {
        char32_t cp = NextPoint(reinterpret_cast<const unsigned char*>(narrow), bytes, i);
        if (cp < 0x10000) out += static_cast<wchar_t>(cp);
        else out += {static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)), static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
    }
    return Deliver(out, wide, capacity);
}
