// Paths and names are formatted into fixed buffers of MAX_PATH wide characters. A text that would
// not fit is never truncated: the formatting refuses it, and the caller skips that entry.
#pragma once

#include <cwchar>

#include "platform/platform.h"

typedef WCHAR PathBuffer[MAX_PATH];

// Formats a template whose only placeholders are "%ls" with the given texts, when the result
// fits the buffer with its terminator; otherwise leaves the buffer empty and returns false.
bool FormatPath(WCHAR* buffer, size_t count, LPCWSTR format, LPCWSTR first, LPCWSTR second = nullptr);

template <size_t N>
bool FormatPath(WCHAR (&buffer)[N], LPCWSTR format, LPCWSTR first, LPCWSTR second = nullptr) {
    return FormatPath(buffer, N, format, first, second);
}

// Formats the narrow trace line into the run's 260-byte trace buffer. The text argument is cut
// (never inside a two-byte character) so that the whole line fits with its terminator.
void WriteTraceLine(char (&line)[MAX_PATH], const char* prefix, const char* text, const char* suffix);
