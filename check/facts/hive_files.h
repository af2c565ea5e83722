// The hive files of a workspace, read as data: whether each is whole and, when it is, the saved
// key's whole tree (subkeys, value names, types and data), in either format a key save writes
// (the platform's hive format, or the compatibility layer's text format). Read-only, shared.
#pragma once

#include <cstdint>
#include <string>

#include "hive/hive_file.h"

enum class HiveFormat { Missing, Unreadable, TooLarge, Empty, WindowsHive, TextRegistry, Unknown };

struct HiveFile {
    HiveFormat format = HiveFormat::Missing;
    bool whole = false;
    uint64_t size = 0;
    hive::Damage damage = hive::Damage::None;
    uint64_t declared = 0;  // of the damage: the size the file declares, or the line of the text
    hive::Key tree;         // the saved key, when whole
};

HiveFile ReadHiveFile(const std::wstring& path);
HiveFile ReadHiveBytes(const std::string& bytes);
