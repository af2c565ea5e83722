// The simulated C library's locale, which governs wide-to-narrow conversion.
#pragma once

#include <string>

namespace sim {

struct TextState {
    std::string locale = "C";  // "C" or "Japanese_Japan.932"
};

// Narrow encoding of one wide character in the current locale: the bytes, or false when the
// character has no representation there.
bool EncodeNarrow(const TextState& state, wchar_t ch, std::string& out);

}  // namespace sim
