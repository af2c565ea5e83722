// WideCharToMultiByte and MultiByteToWideChar for CP_UTF8, as Windows does them: wide text is
// UTF-16 (a unit above U+FFFF, which only the host's wide characters can hold, counts as its code
// point), an unpaired surrogate or a malformed byte sequence becomes U+FFFD, a count of -1 takes
// the text up to and with its terminator, a null output asks for the size, and an output too
// small fails with ERROR_INSUFFICIENT_BUFFER.
#include <string>

#include "platform/platform.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::u32string DecodeWide(LPCWSTR wide, size_t count) {
    std::u32string points;
    for (size_t i = 0; i < count; ++i) {
        char32_t unit = static_cast<char32_t>(wide[i]);
        bool high = unit >= 0xD800 && unit < 0xDC00;
        char32_t next = i + 1 < count ? static_cast<char32_t>(wide[i + 1]) : 0;
        if (high && next >= 0xDC00 && next < 0xE000) {
            points += 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        } else {
            points += unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit;
        }
    }
    return points;
}

std::string EncodeUtf8(const std::u32string& points) {
    std::string out;
    for (char32_t cp : points) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// One code point from bytes[i...]; i moves past what it used (one byte of a malformed sequence).
char32_t DecodeOne(const unsigned char* bytes, size_t count, size_t& i) {
    unsigned char lead = bytes[i++];
    if (lead < 0x80) return lead;
    int more = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
    if (more < 0 || i + more > count) return kReplacement;
    char32_t cp = lead & (0x3F >> more);
    for (int k = 0; k < more; ++k) {
        if ((bytes[i + k] & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (bytes[i + k] & 0x3F);
    }
    static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return kReplacement;
    i += more;
    return cp;
}

std::wstring EncodeWide(const std::u32string& points) {
    std::wstring out;
    for (char32_t cp : points) {
        if (cp < 0x10000) {
            out += static_cast<wchar_t>(cp);
        } else {
            out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* out, int capacity) {
    int needed = static_cast<int>(text.size());
    if (capacity == 0) return needed;
    if (needed > capacity) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text.copy(out, text.size());
    return needed;
}

bool Accepted(UINT codePage, const void* input, int count, const void* output, int capacity) {
    if (codePage == CP_UTF8 && input != nullptr && count != 0 && count >= -1 && capacity >= 0 && (capacity == 0 || output)) {
        return true;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideCount, char* narrow, int narrowBytes, const char*,
                        BOOL* usedDefault) {
    if (!Accepted(codePage, wide, wideCount, narrow, narrowBytes)) return 0;
    if (usedDefault != nullptr) *usedDefault = FALSE;
    size_t count = wideCount == -1 ? wcslen(wide) + 1 : static_cast<size_t>(wideCount);
    return Deliver(EncodeUtf8(DecodeWide(wide, count)), narrow, narrowBytes);
}

int MultiByteToWideChar(UINT codePage, DWORD, const char* narrow, int narrowBytes, LPWSTR wide, int wideCount) {
    if (!Accepted(codePage, narrow, narrowBytes, wide, wideCount)) return 0;
    size_t count = narrowBytes == -1 ? strlen(narrow) + 1 : static_cast<size_t>(narrowBytes);
    std::u32string points;
    const auto* bytes = reinterpret_cast<const unsigned char*>(narrow);
    for (size_t i = 0; i < count;) points += DecodeOne(bytes, count, i);
    return Deliver(EncodeWide(points), wide, wideCount);
}
