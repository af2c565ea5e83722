// Reading whole files through the platform, read-only and shared, with a size bound, and comparing
// a file with its copy byte for byte.
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

// Two files compared byte for byte, read-only.
enum class FileMatch { Same, Differs, SourceUnreadable, CopyMissing, CopyUnreadable, SizeDiffers };

struct FileComparison {
    FileMatch match = FileMatch::Same;
    uint64_t sourceSize = 0;
    uint64_t copySize = 0;
};

FileComparison CompareFileContents(const std::wstring& source, const std::wstring& copy);
