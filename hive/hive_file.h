// Hive files read as data, never loaded into a registry: the platform's hive format ("regf", as
// its key save writes it) and the compatibility layer's text format ("WINE REGISTRY Version 2",
// which its key save writes instead). The reader is bounded against damaged, hostile or huge input:
// every offset and length is checked before it is used, a key met twice (a cycle) is refused,
// the depth of the key tree and the number of its keys are bounded. It depends on nothing but the
// C++ library, so that the inspector and the simulated machine both use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

struct Value {
    std::wstring name;  // empty: the key's default value
    uint32_t type = 0;
    std::string data;   // the raw bytes, as the registry holds them
};

struct Key {
    std::wstring name;  // empty for the saved key itself
    std::vector<Value> values;
    std::vector<Key> subkeys;
};

enum class Format { Empty, Regf, WineText, Unknown };

// What makes a file not a whole hive, or a hive that cannot be read.
enum class Damage {
    None,
    ShortBaseBlock,    // cut short inside its base block
    Checksum,          // the base block's checksum is wrong
    Sequence,          // the two sequence numbers differ: a write was not finished
    NoBins,            // no hive bins declared
    CutShort,          // the declared size is larger than the file (declared, actual)
    NoBinSignature,    // the first hive bin has no signature
    BadCell,           // a cell's offset, size or signature is wrong
    Cycle,             // a key is reached twice
    TooDeep,           // deeper than the platform's key depth
    TooManyKeys,       // more keys than any hive of the suite holds
    TextHeader,        // the text format's header line is damaged
    TextNul,           // the text holds NUL bytes
    TextCutShort,      // the text ends inside a line
    TextSyntax,        // a line of the text format that cannot be read (line)
};

struct Reading {
    Format format = Format::Unknown;
    Damage damage = Damage::None;
    uint64_t declared = 0;  // CutShort: the size the file declares; TextSyntax: the line
    Key root;               // the saved key, read whole when damage is None
    bool Whole() const { return damage == Damage::None && (format == Format::Regf || format == Format::WineText); }
};

// The platform's limit on the depth of a key tree, and the most keys a file is read for.
constexpr int kMaxDepth = 512;
constexpr size_t kMaxKeys = 1000000;

Reading ReadHive(const std::string& bytes);

// Text as the registry holds it: UTF-16LE code units. A host whose wide characters are wider than
// 16 bits joins a surrogate pair into one character and keeps an unpaired surrogate as itself.
std::wstring FromUtf16Le(const char* bytes, size_t units);
std::string ToUtf16Le(const std::wstring& text);

}  // namespace hive
