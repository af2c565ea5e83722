// Whether a hive file is whole. A hive in the platform's own format is checked as one: its
// signature, the checksum of its base block, equal sequence numbers (a write that was not
// finished leaves them apart) and the size of its hive bins against the file's size. A file in
// the text format of the compatibility layer, which writes its own instead, is checked for what
// that format allows (its header line, and a file that ends at the end of a line); its content
// is not compared.
#pragma once

#include <cstdint>
#include <string>

enum class HiveFormat { Missing, Unreadable, Empty, WindowsHive, TextRegistry, Unknown };

struct HiveVerdict {
    HiveFormat format = HiveFormat::Missing;
    bool whole = false;
    uint64_t size = 0;
    std::wstring detail;  // what was checked, or what is wrong
};

HiveVerdict CheckHiveFile(const std::wstring& path);
HiveVerdict CheckHiveBytes(const std::string& bytes);
