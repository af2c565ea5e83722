// Reading whole files through the platform, read-only and shared, with a size bound, comparing
// a file with its copy byte for byte, and a content hash of a whole file.
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

// The 64-bit FNV-1a hash of a file's bytes, read in chunks: enough to tell whether a file still
// holds the content it was planned to hold (not a defence against a forged file). Neither the C++
// library nor every platform this runs on offers a file hash, and FNV-1a is four lines.
struct FileHash {
    FileReadStatus status = FileReadStatus::Missing;  // never TooLarge
    uint64_t size = 0;
    uint64_t fnv1a64 = 0;
};

FileHash HashWholeFile(const std::wstring& path);
uint64_t Fnv1a64(const char* bytes, size_t count, uint64_t hash = 0xcbf29ce484222325ull);
