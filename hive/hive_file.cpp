#include "hive/hive_file.h"

#include <algorithm>
#include <unordered_set>

namespace hive {

namespace {

constexpr size_t kBaseBlock = 4096;
constexpr size_t kSequence1At = 4, kSequence2At = 8, kRootCellAt = 0x24, kBinsSizeAt = 0x28, kChecksumAt = 0x1FC;
constexpr uint32_t kNoCell = 0xFFFFFFFFu;
constexpr uint32_t kInlineData = 0x80000000u;
constexpr size_t kBigDataSegment = 16344;
constexpr uint16_t kCompressedKeyName = 0x0020;
constexpr uint16_t kCompressedValueName = 0x0001;
const char kTextHeader[] = "WINE REGISTRY Version 2";

uint32_t U32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

uint16_t U16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// The XOR of the first 127 numbers of the base block; 0 and 0xFFFFFFFF are stored as 1 and 0xFFFFFFFE.
uint32_t BaseBlockChecksum(const std::string& bytes) {
    uint32_t sum = 0;
    for (size_t at = 0; at < kChecksumAt; at += 4) sum ^= U32(bytes, at);
    return sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum;
}

Reading Damaged(Format format, Damage damage, uint64_t declared = 0) {
    Reading reading;
    reading.format = format;
    reading.damage = damage;
    reading.declared = declared;
    return reading;
}

// The cells of the hive bins, every access checked: a cell is named by its offset from the first
// bin, starts with its size (negative while in use) and lies wholly inside the bins.
class RegfReader {
public:
    RegfReader(const std::string& bytes, size_t binsSize) : bytes_(bytes), binsEnd_(kBaseBlock + binsSize) {}

    Damage ReadTree(uint32_t rootCell, Key& root) {
        if (!ReadKey(rootCell, root, 0)) return damage_;
        root.name.clear();
        return Damage::None;
    }

private:
    bool Fail(Damage damage) {
        damage_ = damage;
        return false;
    }

    // The data of an allocated cell: at least `need` bytes, with the signature when one is given.
    bool Cell(uint32_t offset, size_t need, const char* signature, size_t& at, size_t& size) {
        if (offset == kNoCell || offset % 8 != 0 || offset > binsEnd_ - kBaseBlock - 4) return Fail(Damage::BadCell);
        size_t start = kBaseBlock + offset;
        int32_t declared = static_cast<int32_t>(U32(bytes_, start));
        if (declared >= 0 || declared == INT32_MIN) return Fail(Damage::BadCell);
        size_t cellSize = static_cast<size_t>(-static_cast<int64_t>(declared));
        if (cellSize < 4 + need || cellSize > binsEnd_ - start) return Fail(Damage::BadCell);
        at = start + 4;
        size = cellSize - 4;
        if (signature && bytes_.compare(at, 2, signature) != 0) return Fail(Damage::BadCell);
        return true;
    }

    bool Name(size_t at, size_t length, bool compressed, std::wstring& name) {
        name.clear();
        if (compressed) {
            for (size_t i = 0; i < length; ++i) name += static_cast<wchar_t>(static_cast<unsigned char>(bytes_[at + i]));
            return true;
        }
        if (length % 2 != 0) return Fail(Damage::BadCell);
        name = FromUtf16Le(&bytes_[at], length / 2);
        return true;
    }

    bool ReadKey(uint32_t offset, Key& key, int depth) {
        if (depth > kMaxDepth) return Fail(Damage::TooDeep);
        if (!seen_.insert(offset).second) return Fail(Damage::Cycle);
        if (seen_.size() > kMaxKeys) return Fail(Damage::TooManyKeys);
        size_t at = 0, size = 0;
        if (!Cell(offset, 0x4C, "nk", at, size)) return false;
        size_t nameLength = U16(bytes_, at + 0x48);
        if (0x4C + nameLength > size) return Fail(Damage::BadCell);
        if (!Name(at + 0x4C, nameLength, (U16(bytes_, at + 2) & kCompressedKeyName) != 0, key.name)) return false;
        uint32_t valueCount = U32(bytes_, at + 0x24);
        if (valueCount > 0 && !ReadValues(U32(bytes_, at + 0x28), valueCount, key)) return false;
        std::vector<uint32_t> children;
        uint32_t subkeyCount = U32(bytes_, at + 0x14);
        if (subkeyCount > 0 && !SubkeyList(U32(bytes_, at + 0x1C), children, 0)) return false;
        if (children.size() != subkeyCount) return Fail(Damage::BadCell);
        for (uint32_t child : children) {
            key.subkeys.emplace_back();
            if (!ReadKey(child, key.subkeys.back(), depth + 1)) return false;
        }
        return true;
    }

    // lf and lh lists hold an offset and a hint per subkey, li an offset, ri offsets of lists.
    bool SubkeyList(uint32_t offset, std::vector<uint32_t>& out, int level) {
        size_t at = 0, size = 0;
        if (!Cell(offset, 4, nullptr, at, size)) return false;
        std::string signature = bytes_.substr(at, 2);
        size_t count = U16(bytes_, at + 2);
        bool hinted = signature == "lf" || signature == "lh";
        size_t step = hinted ? 8 : 4;
        if ((!hinted && signature != "li" && signature != "ri") || 4 + count * step > size) return Fail(Damage::BadCell);
        if (signature == "ri" && level > 0) return Fail(Damage::BadCell);
        for (size_t i = 0; i < count; ++i) {
            uint32_t item = U32(bytes_, at + 4 + i * step);
            if (signature == "ri") {
                if (!SubkeyList(item, out, level + 1)) return false;
            } else {
                if (out.size() >= kMaxKeys) return Fail(Damage::TooManyKeys);
                out.push_back(item);
            }
        }
        return true;
    }

    bool ReadValues(uint32_t listOffset, uint32_t count, Key& key) {
        size_t at = 0, size = 0;
        if (!Cell(listOffset, 0, nullptr, at, size) || count > size / 4) return Fail(Damage::BadCell);
        for (uint32_t i = 0; i < count; ++i) {
            size_t vk = 0, vkSize = 0;
            if (!Cell(U32(bytes_, at + 4 * i), 0x14, "vk", vk, vkSize)) return false;
            Value value;
            size_t nameLength = U16(bytes_, vk + 2);
            if (0x14 + nameLength > vkSize) return Fail(Damage::BadCell);
            if (!Name(vk + 0x14, nameLength, (U16(bytes_, vk + 0x10) & kCompressedValueName) != 0, value.name)) return false;
            value.type = U32(bytes_, vk + 0x0C);
            if (!ValueData(vk, value.data)) return false;
            key.values.push_back(std::move(value));
        }
        return true;
    }

    // Up to 4 bytes inline in the offset's place; above one segment, a "db" cell of segments.
    bool ValueData(size_t vk, std::string& data) {
        uint32_t length = U32(bytes_, vk + 4);
        if (length & kInlineData) {
            length &= ~kInlineData;
            if (length > 4) return Fail(Damage::BadCell);
            data = bytes_.substr(vk + 8, length);
            return true;
        }
        if (length == 0) return true;
        size_t at = 0, size = 0;
        if (!Cell(U32(bytes_, vk + 8), 2, nullptr, at, size)) return false;
        if (length > kBigDataSegment && bytes_.compare(at, 2, "db") == 0) return BigData(at, size, length, data);
        if (length > size) return Fail(Damage::BadCell);
        data = bytes_.substr(at, length);
        return true;
    }

    bool BigData(size_t at, size_t size, uint32_t length, std::string& data) {
        if (size < 8) return Fail(Damage::BadCell);
        size_t segments = U16(bytes_, at + 2), list = 0, listSize = 0;
        if (!Cell(U32(bytes_, at + 4), segments * 4, nullptr, list, listSize)) return false;
        for (size_t i = 0; i < segments && data.size() < length; ++i) {
            size_t segment = 0, segmentSize = 0;
            if (!Cell(U32(bytes_, list + 4 * i), 0, nullptr, segment, segmentSize)) return false;
            size_t take = std::min<size_t>({segmentSize, kBigDataSegment, length - data.size()});
            data.append(bytes_, segment, take);
        }
        if (data.size() != length) return Fail(Damage::BadCell);
        return true;
    }

    const std::string& bytes_;
    size_t binsEnd_;
    std::unordered_set<uint32_t> seen_;
    Damage damage_ = Damage::BadCell;
};

Reading ReadRegf(const std::string& bytes) {
    if (bytes.size() < kBaseBlock) return Damaged(Format::Regf, Damage::ShortBaseBlock);
    if (U32(bytes, kChecksumAt) != BaseBlockChecksum(bytes)) return Damaged(Format::Regf, Damage::Checksum);
    if (U32(bytes, kSequence1At) != U32(bytes, kSequence2At)) return Damaged(Format::Regf, Damage::Sequence);
    uint64_t bins = U32(bytes, kBinsSizeAt);
    if (bins == 0 || bins % kBaseBlock != 0) return Damaged(Format::Regf, Damage::NoBins);
    if (kBaseBlock + bins > bytes.size()) return Damaged(Format::Regf, Damage::CutShort, kBaseBlock + bins);
    if (bytes.compare(kBaseBlock, 4, "hbin") != 0) return Damaged(Format::Regf, Damage::NoBinSignature);
    Reading reading;
    reading.format = Format::Regf;
    reading.damage = RegfReader(bytes, static_cast<size_t>(bins)).ReadTree(U32(bytes, kRootCellAt), reading.root);
    return reading;
}

}  // namespace

std::wstring FromUtf16Le(const char* bytes, size_t units) {
    std::wstring text;
    text.reserve(units);
    auto unit = [&](size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[2 * i]) | static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    };
    for (size_t i = 0; i < units; ++i) {
        unsigned high = unit(i);
        if (sizeof(wchar_t) > 2 && high >= 0xD800 && high < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
            text += static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
            continue;
        }
        text += static_cast<wchar_t>(high);
    }
    return text;
}

std::string ToUtf16Le(const std::wstring& text) {
    std::string bytes;
    auto put = [&](unsigned unit) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    };
    for (wchar_t ch : text) {
        unsigned code = static_cast<unsigned>(ch);
        if (code > 0xFFFF) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return bytes;
}

Reading ReadWineText(const std::string& bytes);

Reading ReadHive(const std::string& bytes) {
    if (bytes.empty()) return Damaged(Format::Empty, Damage::None);
    if (bytes.compare(0, 4, "regf") == 0) return ReadRegf(bytes);
    if (bytes.compare(0, sizeof kTextHeader - 1, kTextHeader) == 0) return ReadWineText(bytes);
    return Damaged(Format::Unknown, Damage::None);
}

}  // namespace hive
