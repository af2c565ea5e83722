#include "check/facts/hive_files.h"

#include "base/file_read.h"

namespace {

// Far above any key of the suite, and below what a check may hold in memory.
constexpr uint64_t kHiveSizeBound = 512u * 1024 * 1024;

HiveFile Of(HiveFormat format) {
    HiveFile file;
    file.format = format;
    return file;
}

HiveFormat FormatOf(hive::Format format) {
    switch (format) {
    case hive::Format::Empty: return HiveFormat::Empty;
    case hive::Format::Regf: return HiveFormat::WindowsHive;
    case hive::Format::WineText: return HiveFormat::TextRegistry;
    case hive::Format::Unknown: break;
    }
    return HiveFormat::Unknown;
}

}  // namespace

HiveFile ReadHiveBytes(const std::string& bytes) {
    hive::Reading reading = hive::ReadHive(bytes);
    HiveFile file = Of(FormatOf(reading.format));
    file.whole = reading.Whole();
    file.size = bytes.size();
    file.damage = reading.damage;
    file.declared = reading.declared;
    file.tree = std::move(reading.root);
    return file;
}

HiveFile ReadHiveFile(const std::wstring& path) {
    FileReadResult read = ReadWholeFile(path, kHiveSizeBound);
    switch (read.status) {
    case FileReadStatus::Missing: return Of(HiveFormat::Missing);
    case FileReadStatus::TooLarge: return Of(HiveFormat::TooLarge);
    case FileReadStatus::Unreadable: return Of(HiveFormat::Unreadable);
    case FileReadStatus::Read: break;
    }
    return ReadHiveBytes(read.bytes);
}
