// Registry keys as files: RegSaveKeyW writes a key's whole tree into a file of the simulation's
// own format, RegRestoreKeyW replaces a key's whole tree by the one a file holds.
//
// The file has the platform's outer layout, so that a hive file can be checked as one: a base
// block of 4096 bytes ("regf", two equal sequence numbers, the size of the hive bins at 0x28 and
// at 0x1FC the XOR of the block's first 127 numbers), then the hive bins, a multiple of 4096
// bytes starting with "hbin", whose first 4096-byte bin holds the length of the tree's bytes at
// offset 32 and the bytes from offset 36 on. The tree's bytes, all numbers 32-bit little-endian:
//   file   := "MVHIVE01" tree
//   tree   := count value{count} count (name tree){count}
//   value  := name type size byte{size}
//   name   := count codepoint{count}
#include <algorithm>
#include <cstring>

#include "filesystem.h"
#include "machine.h"
#include "registry.h"
#include "token.h"
#include "win_api.h"

namespace sim {

namespace {

const char kMagic[] = "MVHIVE01";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr int kMaxDepth = 512;  // the platform's limit on the depth of a key tree

void PutNumber(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutName(std::vector<uint8_t>& out, const std::wstring& name) {
    PutNumber(out, static_cast<uint32_t>(name.size()));
    for (wchar_t ch : name) PutNumber(out, static_cast<uint32_t>(ch));
}

void PutTree(std::vector<uint8_t>& out, const RegNode& node) {
    PutNumber(out, static_cast<uint32_t>(node.values.size()));
    for (const auto& value : node.values) {
        PutName(out, value.name);
        PutNumber(out, value.type);
        PutNumber(out, static_cast<uint32_t>(value.data.size()));
        out.insert(out.end(), value.data.begin(), value.data.end());
    }
    PutNumber(out, static_cast<uint32_t>(node.subkeys.size()));
    for (const auto& child : node.subkeys) {
        PutName(out, child->name);
        PutTree(out, *child);
    }
}

constexpr size_t kBlock = 4096;
constexpr size_t kChecksumAt = 0x1FC;
constexpr size_t kBinsSizeAt = 0x28;
constexpr size_t kPayloadAt = kBlock + 36;

void SetNumber(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetNumber(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

uint32_t BaseBlockChecksum(const std::vector<uint8_t>& bytes) {
    uint32_t sum = 0;
    for (size_t at = 0; at < kChecksumAt; at += 4) sum ^= GetNumber(bytes, at);
    return sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum;
}

std::vector<uint8_t> WrapInHive(const std::vector<uint8_t>& tree) {
    size_t bins = (36 + tree.size() + kBlock - 1) / kBlock * kBlock;
    std::vector<uint8_t> bytes(kBlock + bins, 0);
    std::memcpy(bytes.data(), "regf", 4);
    SetNumber(bytes, 4, 1);
    SetNumber(bytes, 8, 1);
    SetNumber(bytes, kBinsSizeAt, static_cast<uint32_t>(bins));
    SetNumber(bytes, kChecksumAt, BaseBlockChecksum(bytes));
    std::memcpy(&bytes[kBlock], "hbin", 4);
    SetNumber(bytes, kBlock + 8, static_cast<uint32_t>(bins));
    SetNumber(bytes, kBlock + 32, static_cast<uint32_t>(tree.size()));
    std::copy(tree.begin(), tree.end(), bytes.begin() + kPayloadAt);
    return bytes;
}

// The tree's bytes of a whole hive file; false for anything else.
bool UnwrapHive(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& tree) {
    if (bytes.size() < kPayloadAt || std::memcmp(bytes.data(), "regf", 4) != 0) return false;
    if (GetNumber(bytes, kChecksumAt) != BaseBlockChecksum(bytes) || GetNumber(bytes, 4) != GetNumber(bytes, 8)) {
        return false;
    }
    if (bytes.size() != kBlock + GetNumber(bytes, kBinsSizeAt) || std::memcmp(&bytes[kBlock], "hbin", 4) != 0) return false;
    uint32_t length = GetNumber(bytes, kBlock + 32);
    if (length > bytes.size() - kPayloadAt) return false;
    tree.assign(bytes.begin() + kPayloadAt, bytes.begin() + kPayloadAt + length);
    return true;
}

// Reads the format back; every count is checked against what is left, so a cut or damaged file
// is refused rather than read past its end.
class HiveReader {
public:
    explicit HiveReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool Read(RegNode& into) {
        if (bytes_.size() < kMagicSize || std::memcmp(bytes_.data(), kMagic, kMagicSize) != 0) return false;
        at_ = kMagicSize;
        return Tree(into, 0) && at_ == bytes_.size();
    }

private:
    bool Number(uint32_t& value) {
        if (bytes_.size() - at_ < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes_[at_ + i]) << (8 * i);
        at_ += 4;
        return true;
    }
    // A count of items of at least `itemSize` bytes each that the rest of the file can hold.
    bool Count(uint32_t& count, size_t itemSize) {
        return Number(count) && count <= (bytes_.size() - at_) / itemSize;
    }
    bool Name(std::wstring& name) {
        uint32_t count;
        if (!Count(count, 4)) return false;
        name.clear();
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t code = 0;
            if (!Number(code)) return false;
            name += static_cast<wchar_t>(code);
        }
        return true;
    }
    bool Tree(RegNode& node, int depth) {
        if (depth > kMaxDepth) return false;
        uint32_t values;
        if (!Count(values, 12)) return false;
        for (uint32_t i = 0; i < values; ++i) {
            RegValue value;
            uint32_t size;
            if (!Name(value.name) || !Number(value.type) || !Count(size, 1)) return false;
            value.data.assign(bytes_.begin() + at_, bytes_.begin() + at_ + size);
            at_ += size;
            node.values.push_back(std::move(value));
        }
        uint32_t subkeys;
        if (!Count(subkeys, 12)) return false;
        for (uint32_t i = 0; i < subkeys; ++i) {
            auto child = std::make_shared<RegNode>();
            child->parent = &node;
            child->root = node.root;
            if (!Name(child->name) || child->name.empty() || !Tree(*child, depth + 1)) return false;
            node.subkeys.push_back(child);
        }
        return true;
    }

    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

}  // namespace

}  // namespace sim

using sim::Machine;

// The file is made first, as the platform does: an existing file is refused before anything else
// is looked at, and a failure after that (no privilege, a full disk) leaves the new file behind,
// empty. Saving a whole predefined root is not modelled.
LONG RegSaveKeyW(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES) {
    if (DWORD ended = sim::Machine::Current().Step()) return static_cast<LONG>(ended);
    Machine& machine = Machine::Current();
    sim::OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (file == nullptr) return ERROR_INVALID_PARAMETER;
    if (open.node->parent == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    machine.Log(std::wstring(L"RegSaveKeyW ") + file);
    auto& files = machine.files();
    sim::Lookup found = files.Resolve(file, true);
    if (found.error) return static_cast<LONG>(found.error);
    if (!found.parent) return found.node ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    if (found.node) return ERROR_ALREADY_EXISTS;
    if (DWORD error = files.WriteError(found.drive)) return static_cast<LONG>(error);
    auto node = files.AddChild(found.parent, found.name, false);
    if (!machine.token().Enabled(SE_BACKUP_NAME)) return ERROR_PRIVILEGE_NOT_HELD;
    std::vector<uint8_t> tree(sim::kMagic, sim::kMagic + sim::kMagicSize);
    sim::PutTree(tree, *open.node);
    std::vector<uint8_t> bytes = sim::WrapInHive(tree);
    if (!files.Reserve(found.drive, 0, bytes.size())) return ERROR_DISK_FULL;
    node->data = std::move(bytes);
    return ERROR_SUCCESS;
}

// The key keeps its identity (handles to it stay valid); its values and subkeys are replaced, and
// handles to the old subkeys see ERROR_KEY_DELETED. Only a forced restore (REG_FORCE_RESTORE) of
// a key below a predefined root is modelled.
LONG RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD flags) {
    if (DWORD ended = sim::Machine::Current().Step()) return static_cast<LONG>(ended);
    Machine& machine = Machine::Current();
    sim::OpenKey open;
    if (LONG error = sim::ResolveKey(key, open)) return error;
    if (file == nullptr) return ERROR_INVALID_PARAMETER;
    if (flags != REG_FORCE_RESTORE || open.node->parent == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    machine.Log(std::wstring(L"RegRestoreKeyW ") + file);
    if (DWORD error = machine.faults().Check("RegRestoreKeyW")) return static_cast<LONG>(error);
    sim::Lookup found = machine.files().Resolve(file, true);
    if (found.error) return static_cast<LONG>(found.error);
    if (!found.node) return found.parent ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    if (found.node->IsFolder()) return ERROR_ACCESS_DENIED;
    if (found.node->inUse) return ERROR_SHARING_VIOLATION;
    // "The calling process must have the SE_RESTORE_NAME and SE_BACKUP_NAME privileges" (RegRestoreKeyW).
    if (!machine.token().Enabled(SE_RESTORE_NAME) || !machine.token().Enabled(SE_BACKUP_NAME)) return ERROR_PRIVILEGE_NOT_HELD;
    sim::RegNode& target = *open.node;
    sim::RegNode loaded;
    loaded.root = target.root;
    std::vector<uint8_t> tree;
    if (!sim::UnwrapHive(found.node->data, tree) || !sim::HiveReader(tree).Read(loaded)) return ERROR_REGISTRY_CORRUPT;
    for (auto& child : target.subkeys) sim::MarkDeleted(*child);
    target.values = std::move(loaded.values);
    target.subkeys = std::move(loaded.subkeys);
    for (auto& child : target.subkeys) child->parent = &target;
    return ERROR_SUCCESS;
}
