// A key's tree in the platform's hive format, as RegSaveKeyW writes it: a base block of 4096
// bytes ("regf", equal sequence numbers, version 1.5, the root cell and the size of the hive
// bins, the checksum at 0x1FC), then one hive bin ("hbin") of cells. Every key is an "nk" cell
// sharing one "sk" security cell; its values a list of "vk" cells (data of up to 4 bytes inline,
// above 16344 bytes a "db" cell of segments); its subkeys an "lh" list sorted by upper-cased name
// ("ri" over lists of 511 when longer). Names that fit 8 bits are stored compressed. The layout
// is the one documented for the format's readers; value data are stored as the simulation holds
// them (host wide characters in texts).
#include <algorithm>
#include <cstring>
#include <cwctype>

#include "hive/hive_file.h"
#include "registry.h"
#include "sim_regf.h"

namespace sim {

namespace {

constexpr size_t kBlock = 4096;
constexpr size_t kBinHeader = 32;
constexpr size_t kSegment = 16344;
constexpr size_t kListChunk = 511;

class RegfWriter {
public:
    std::vector<uint8_t> Write(const RegNode& root) {
        bins_.assign(kBinHeader, 0);
        sk_ = Alloc(0x14 + sizeof kDescriptor);
        uint32_t rootCell = Key(root, 0, true);
        size_t at = sk_ + 4;  // "sk", then the next and previous sk cells, the keys using it, the descriptor
        Patch(sk_, "sk");
        Put32(at + 0x04, sk_);
        Put32(at + 0x08, sk_);
        Put32(at + 0x0C, keys_);
        Put32(at + 0x10, sizeof kDescriptor);
        std::memcpy(&bins_[at + 0x14], kDescriptor, sizeof kDescriptor);
        return Finish(rootCell);
    }

private:
    // A self-relative descriptor without owner, group or lists.
    static constexpr uint8_t kDescriptor[20] = {1, 0, 0x00, 0x80};

    uint32_t Alloc(size_t size) {
        size_t cell = (size + 4 + 7) / 8 * 8;
        uint32_t offset = static_cast<uint32_t>(bins_.size());
        bins_.resize(bins_.size() + cell, 0);
        Put32(offset, static_cast<uint32_t>(-static_cast<int32_t>(cell)));
        return offset;
    }
    void Put32(size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bins_[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    void Put16(size_t at, uint32_t value) {
        bins_[at] = static_cast<uint8_t>(value);
        bins_[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    void Patch(uint32_t cell, const char* signature) { std::memcpy(&bins_[cell + 4], signature, 2); }

    static bool Compressed(const std::wstring& name) {
        return std::all_of(name.begin(), name.end(), [](wchar_t ch) { return static_cast<uint32_t>(ch) <= 0xFF; });
    }
    static std::string Stored(const std::wstring& name) {
        if (!Compressed(name)) return hive::ToUtf16Le(name);
        std::string bytes;
        for (wchar_t ch : name) bytes += static_cast<char>(ch);
        return bytes;
    }

    uint32_t Key(const RegNode& node, uint32_t parent, bool root) {
        ++keys_;
        std::string name = Stored(node.name);
        uint32_t nk = Alloc(0x4C + name.size());
        Patch(nk, "nk");
        size_t at = nk + 4;
        Put16(at + 2, (Compressed(node.name) ? 0x20 : 0) | (root ? 0x2C : 0));
        Put32(at + 0x10, parent);
        Put32(at + 0x1C, 0xFFFFFFFFu);
        Put32(at + 0x20, 0xFFFFFFFFu);
        Put32(at + 0x28, 0xFFFFFFFFu);
        Put32(at + 0x2C, sk_);
        Put32(at + 0x30, 0xFFFFFFFFu);
        Put16(at + 0x48, static_cast<uint32_t>(name.size()));
        std::memcpy(&bins_[at + 0x4C], name.data(), name.size());
        if (!node.values.empty()) {
            uint32_t list = Values(node);
            Put32(nk + 4 + 0x24, static_cast<uint32_t>(node.values.size()));
            Put32(nk + 4 + 0x28, list);
        }
        if (!node.subkeys.empty()) {
            uint32_t list = Subkeys(node, nk);
            Put32(nk + 4 + 0x14, static_cast<uint32_t>(node.subkeys.size()));
            Put32(nk + 4 + 0x1C, list);
        }
        return nk;
    }

    uint32_t Values(const RegNode& node) {
        std::vector<uint32_t> cells;
        for (const RegValue& value : node.values) cells.push_back(Value(value));
        uint32_t list = Alloc(4 * cells.size());
        for (size_t i = 0; i < cells.size(); ++i) Put32(list + 4 + 4 * i, cells[i]);
        return list;
    }

    uint32_t Value(const RegValue& value) {
        std::string name = Stored(value.name);
        uint32_t vk = Alloc(0x14 + name.size());
        Patch(vk, "vk");
        size_t at = vk + 4;
        Put16(at + 2, static_cast<uint32_t>(name.size()));
        Put32(at + 0x0C, value.type);
        Put16(at + 0x10, Compressed(value.name) && !name.empty() ? 1 : 0);
        std::memcpy(&bins_[at + 0x14], name.data(), name.size());
        uint32_t size = static_cast<uint32_t>(value.data.size());
        if (size <= 4) {
            Put32(at + 4, size | 0x80000000u);
            std::copy(value.data.begin(), value.data.end(), bins_.begin() + static_cast<long>(at + 8));
            return vk;
        }
        uint32_t data = size > kSegment ? BigData(value.data) : Data(value.data.data(), size);
        Put32(vk + 4 + 4, size);
        Put32(vk + 4 + 8, data);
        return vk;
    }

    uint32_t Data(const uint8_t* bytes, size_t size) {
        uint32_t cell = Alloc(size);
        std::memcpy(&bins_[cell + 4], bytes, size);
        return cell;
    }

    uint32_t BigData(const std::vector<uint8_t>& data) {
        std::vector<uint32_t> segments;
        for (size_t at = 0; at < data.size(); at += kSegment) segments.push_back(Data(&data[at], std::min(kSegment, data.size() - at)));
        uint32_t list = Alloc(4 * segments.size());
        for (size_t i = 0; i < segments.size(); ++i) Put32(list + 4 + 4 * i, segments[i]);
        uint32_t db = Alloc(8);
        Patch(db, "db");
        Put16(db + 4 + 2, static_cast<uint32_t>(segments.size()));
        Put32(db + 4 + 4, list);
        return db;
    }

    static std::u16string Upper(const std::wstring& name) {
        std::string bytes = hive::ToUtf16Le(name);
        std::u16string units;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            char16_t unit = static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
            units += unit < 0xD800 || unit >= 0xE000 ? static_cast<char16_t>(std::towupper(unit)) : unit;
        }
        return units;
    }

    uint32_t Subkeys(const RegNode& node, uint32_t nk) {
        std::vector<std::pair<std::u16string, uint32_t>> children;
        for (const auto& child : node.subkeys) children.emplace_back(Upper(child->name), Key(*child, nk, false));
        std::sort(children.begin(), children.end());
        std::vector<uint32_t> lists;
        for (size_t first = 0; first < children.size(); first += kListChunk) {
            size_t count = std::min(kListChunk, children.size() - first);
            uint32_t lh = Alloc(4 + 8 * count);
            Patch(lh, "lh");
            Put16(lh + 4 + 2, static_cast<uint32_t>(count));
            for (size_t i = 0; i < count; ++i) {
                uint32_t hash = 0;
                for (char16_t unit : children[first + i].first) hash = hash * 37 + unit;
                Put32(lh + 8 + 8 * i, children[first + i].second);
                Put32(lh + 12 + 8 * i, hash);
            }
            lists.push_back(lh);
        }
        if (lists.size() == 1) return lists[0];
        uint32_t ri = Alloc(4 + 4 * lists.size());
        Patch(ri, "ri");
        Put16(ri + 4 + 2, static_cast<uint32_t>(lists.size()));
        for (size_t i = 0; i < lists.size(); ++i) Put32(ri + 8 + 4 * i, lists[i]);
        return ri;
    }

    std::vector<uint8_t> Finish(uint32_t rootCell) {
        size_t used = bins_.size();
        size_t size = (used + kBlock - 1) / kBlock * kBlock;
        bins_.resize(size, 0);
        if (size > used) Put32(used, static_cast<uint32_t>(size - used));  // the free rest of the bin
        std::memcpy(bins_.data(), "hbin", 4);
        Put32(8, static_cast<uint32_t>(size));
        std::vector<uint8_t> bytes(kBlock, 0);
        std::memcpy(bytes.data(), "regf", 4);
        const uint32_t header[][2] = {{4, 1}, {8, 1}, {0x14, 1}, {0x18, 5}, {0x20, 1}, {0x24, rootCell}, {0x28, static_cast<uint32_t>(size)}, {0x2C, 1}};
        for (const auto& field : header) PutBase(bytes, field[0], field[1]);
        uint32_t sum = 0;
        for (size_t at = 0; at < 0x1FC; at += 4) sum ^= GetBase(bytes, at);
        PutBase(bytes, 0x1FC, sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum);
        bytes.insert(bytes.end(), bins_.begin(), bins_.end());
        return bytes;
    }
    static void PutBase(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    static uint32_t GetBase(const std::vector<uint8_t>& bytes, size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
    }

    std::vector<uint8_t> bins_;
    uint32_t sk_ = 0;
    uint32_t keys_ = 0;
};

constexpr uint8_t RegfWriter::kDescriptor[20];

void Load(const hive::Key& from, RegNode& into) {
    for (const auto& value : from.values) into.values.push_back({value.name, value.type, std::vector<uint8_t>(value.data.begin(), value.data.end())});
    for (const auto& key : from.subkeys) {
        auto child = std::make_shared<RegNode>();
        child->name = key.name;
        child->parent = &into;
        child->root = into.root;
        Load(key, *child);
        into.subkeys.push_back(child);
    }
}

}  // namespace

std::vector<uint8_t> WriteRegf(const RegNode& key) { return RegfWriter().Write(key); }

bool ReadRegf(const std::vector<uint8_t>& bytes, RegNode& into) {
    hive::Reading reading = hive::ReadHive(std::string(bytes.begin(), bytes.end()));
    if (reading.format != hive::Format::Regf || !reading.Whole()) return false;
    Load(reading.root, into);
    return true;
}

}  // namespace sim
