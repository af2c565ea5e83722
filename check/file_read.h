// Reading a whole file through the platform, read-only and shared, with a size bound.
#pragma once

#include <cstdint>
#include <string>

enum class FileReadStatus { Read, Missing, TooLarge, Unreadable };

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Missing;
    uint64_t size = 0;
    std::string bytes;
};

FileReadResult ReadWholeFile(const std::wstring& path, uint64_t sizeBound);
