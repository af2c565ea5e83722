#include "check/hive_check.h"

#include "base/file_read.h"

namespace {

constexpr size_t kBaseBlock = 4096;
constexpr size_t kChecksumAt = 0x1FC;
constexpr size_t kBinsSizeAt = 0x28;
constexpr uint64_t kHiveSizeBound = 512u * 1024 * 1024;
const char kTextHeader[] = "WINE REGISTRY Version 2";

uint32_t NumberAt(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The XOR of the first 127 numbers of the base block; 0 and 0xFFFFFFFF are stored as 1 and
// 0xFFFFFFFE.
uint32_t BaseBlockChecksum(const std::string& bytes) {
    uint32_t sum = 0;
    for (size_t at = 0; at < kChecksumAt; at += 4) sum ^= NumberAt(bytes, at);
    return sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum;
}

HiveVerdict Verdict(HiveFormat format, bool whole, const std::wstring& detail) {
    HiveVerdict verdict;
    verdict.format = format;
    verdict.whole = whole;
    verdict.detail = detail;
    return verdict;
}

HiveVerdict CheckWindowsHive(const std::string& bytes) {
    if (bytes.size() < kBaseBlock) return Verdict(HiveFormat::WindowsHive, false, L"cut short inside its base block");
    if (NumberAt(bytes, kChecksumAt) != BaseBlockChecksum(bytes)) {
        return Verdict(HiveFormat::WindowsHive, false, L"the checksum of its base block is wrong");
    }
    if (NumberAt(bytes, 4) != NumberAt(bytes, 8)) {
        return Verdict(HiveFormat::WindowsHive, false, L"its sequence numbers differ: the write was not finished");
    }
    uint64_t bins = NumberAt(bytes, kBinsSizeAt);
    if (bins == 0 || bins % kBaseBlock != 0) return Verdict(HiveFormat::WindowsHive, false, L"it declares no hive bins");
    if (kBaseBlock + bins > bytes.size()) {
        return Verdict(HiveFormat::WindowsHive, false,
                       L"cut short: it declares " + std::to_wstring(kBaseBlock + bins) + L" bytes, the file holds " +
                           std::to_wstring(bytes.size()));
    }
    if (bytes.compare(kBaseBlock, 4, "hbin") != 0) {
        return Verdict(HiveFormat::WindowsHive, false, L"its first hive bin has no signature");
    }
    return Verdict(HiveFormat::WindowsHive, true, L"a whole hive (signature, checksum, sizes)");
}

HiveVerdict CheckTextRegistry(const std::string& bytes) {
    size_t headerEnd = sizeof kTextHeader - 1;
    bool headerLine = bytes.size() > headerEnd && (bytes[headerEnd] == '\n' || bytes[headerEnd] == '\r');
    if (!headerLine) return Verdict(HiveFormat::TextRegistry, false, L"its header line is damaged");
    if (bytes.find('\0') != std::string::npos) return Verdict(HiveFormat::TextRegistry, false, L"it holds NUL bytes");
    if (bytes.back() != '\n') return Verdict(HiveFormat::TextRegistry, false, L"cut short: it ends inside a line");
    return Verdict(HiveFormat::TextRegistry, true, L"a registry text file, header and end intact (content not compared)");
}

}  // namespace

HiveVerdict CheckHiveBytes(const std::string& bytes) {
    HiveVerdict verdict;
    if (bytes.empty()) {
        verdict = Verdict(HiveFormat::Empty, false, L"empty");
    } else if (bytes.compare(0, 4, "regf") == 0) {
        verdict = CheckWindowsHive(bytes);
    } else if (bytes.compare(0, sizeof kTextHeader - 1, kTextHeader) == 0) {
        verdict = CheckTextRegistry(bytes);
    } else {
        verdict = Verdict(HiveFormat::Unknown, false, L"not a hive file");
    }
    verdict.size = bytes.size();
    return verdict;
}

HiveVerdict CheckHiveFile(const std::wstring& path) {
    FileReadResult read = ReadWholeFile(path, kHiveSizeBound);
    switch (read.status) {
    case FileReadStatus::Missing: return Verdict(HiveFormat::Missing, false, L"missing");
    case FileReadStatus::TooLarge: return Verdict(HiveFormat::Unknown, false, L"larger than any hive of the suite");
    case FileReadStatus::Unreadable: return Verdict(HiveFormat::Unreadable, false, L"cannot be read");
    case FileReadStatus::Read: break;
    }
    return CheckHiveBytes(read.bytes);
}
