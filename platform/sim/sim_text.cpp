// The C library's text operations in their Microsoft forms, over the simulated locale.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

#include "machine.h"
#include "text.h"
#include "win_api.h"

namespace sim {

// "japanese" stands for code page 932: ASCII, half-width katakana in one byte, and the
// Japanese scripts and full-width forms in two bytes. Other characters have no representation.
bool EncodeNarrow(const TextState& state, wchar_t ch, std::string& out) {
    unsigned code = static_cast<unsigned>(ch);
    if (code < 0x80) {
        out += static_cast<char>(code);
        return true;
    }
    if (state.locale == "C") return false;
    if (code >= 0xFF61 && code <= 0xFF9F) {
        out += static_cast<char>(code - 0xFF61 + 0xA1);
        return true;
    }
    bool twoBytes = (code >= 0x3000 && code <= 0x30FF) || (code >= 0x4E00 && code <= 0x9FFF) ||
                    (code >= 0xFF01 && code <= 0xFF5E);
    if (!twoBytes) return false;
    out += static_cast<char>(0x81 + (code >> 8) % 0x1F);
    out += static_cast<char>(0x40 + (code & 0x3F));
    return true;
}

namespace {

// The default handler for invalid parameters of the secure functions ends the process on Windows.
[[noreturn]] void InvalidParameter(const char* function) {
    std::fprintf(stderr, "%s: invalid parameter (the process would end on Windows)\n", function);
    std::abort();
}

}  // namespace

}  // namespace sim

LPWSTR CharLowerW(LPWSTR text) {
    if (text == nullptr) return text;
    for (wchar_t* at = text; *at; ++at) *at = static_cast<wchar_t>(std::towlower(*at));
    return text;
}

char* sim_setlocale(int, const char* locale) {
    static char name[64];
    auto& state = sim::Machine::Current().text();
    if (locale != nullptr) {
        std::string wanted(locale);
        for (auto& ch : wanted) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (wanted == "japanese" || wanted == "japanese_japan.932") {
            state.locale = "Japanese_Japan.932";
        } else if (wanted == "c" || wanted.empty()) {
            state.locale = "C";
        } else {
            return nullptr;
        }
    }
    std::snprintf(name, sizeof name, "%s", state.locale.c_str());
    return name;
}

// Converts up to the terminator, or up to count characters; with _TRUNCATE as much as fits.
// A character without representation empties the destination and gives EILSEQ.
errno_t wcstombs_s(size_t* converted, char* dest, size_t destBytes, const wchar_t* src, size_t count) {
    if (dest == nullptr || destBytes == 0 || src == nullptr) sim::InvalidParameter("wcstombs_s");
    const auto& state = sim::Machine::Current().text();
    std::string out;
    for (size_t i = 0; src[i] && (count == _TRUNCATE || i < count); ++i) {
        if (!sim::EncodeNarrow(state, src[i], out)) {
            dest[0] = 0;
            if (converted) *converted = 0;
            return EILSEQ;
        }
    }
    errno_t result = 0;
    if (out.size() + 1 > destBytes) {
        if (count != _TRUNCATE) sim::InvalidParameter("wcstombs_s");
        // Never split a two-byte character.
        size_t keep = 0;
        for (size_t i = 0; src[i]; ++i) {
            std::string one;
            sim::EncodeNarrow(state, src[i], one);
            if (keep + one.size() + 1 > destBytes) break;
            keep += one.size();
        }
        out.resize(keep);
        result = STRUNCATE;
    }
    std::memcpy(dest, out.data(), out.size());
    dest[out.size()] = 0;
    if (converted) *converted = out.size() + 1;
    return result;
}

int sprintf_s(char* buffer, size_t size, const char* format, ...) {
    if (buffer == nullptr || size == 0 || format == nullptr) sim::InvalidParameter("sprintf_s");
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) >= size) sim::InvalidParameter("sprintf_s");
    return written;
}

int swprintf_s(wchar_t* buffer, size_t size, const wchar_t* format, ...) {
    if (buffer == nullptr || size == 0 || format == nullptr) sim::InvalidParameter("swprintf_s");
    va_list args;
    va_start(args, format);
    int written = std::vswprintf(buffer, size, format, args);
    va_end(args);
    if (written < 0) sim::InvalidParameter("swprintf_s");
    return written;
}

errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix) {
    if (buffer == nullptr || size == 0 || radix != 10) sim::InvalidParameter("_itow_s");
    std::wstring text = std::to_wstring(value);
    if (text.size() + 1 > size) sim::InvalidParameter("_itow_s");
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        wint_t x = std::towlower(*a), y = std::towlower(*b);
        if (x != y || x == 0) return static_cast<int>(x) - static_cast<int>(y);
    }
}
