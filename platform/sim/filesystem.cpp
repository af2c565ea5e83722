#include "filesystem.h"

#include <algorithm>
#include <cwctype>
#include <cwchar>
#include <functional>

#include "drives.h"
#include "machine.h"
#include "token.h"

namespace sim {

namespace {

bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

// Links may point at links; a chain longer than this is a loop.
constexpr int kMaxLinkDepth = 16;

// Characters that no file or folder name may hold: wildcards, redirection and quoting
// characters and control codes.
bool IsValidName(const std::wstring& name) {
    for (wchar_t ch : name) {
        if (ch < 0x20 || std::wcschr(L"*?<>|\"", ch) != nullptr) return false;
    }
    return true;
}

// A removable or CD drive asked for while it holds no medium: unless the process fails critical
// errors quietly, Windows stops it with its own box asking for a disk.
void NoteMissingMedium(wchar_t letter, const Drive& drive) {
    if (drive.type != DRIVE_REMOVABLE && drive.type != DRIVE_CDROM) return;
    if (!Machine::Installed()) return;
    Machine& machine = Machine::Current();
    if (machine.errorMode & SEM_FAILCRITICALERRORS) return;
    machine.systemBoxes.push_back(std::wstring(L"There is no disk in the drive. Please insert a disk into drive ") +
                                  letter + L":.");
}

}  // namespace

std::shared_ptr<Node> Node::Child(const std::wstring& childName) const {
    for (const auto& child : children) {
        if (SameName(child->name, childName)) return child;
    }
    return nullptr;
}

ParsedPath ParsePath(const std::wstring& path) {
    ParsedPath parsed;
    if (path.size() < 2 || path[1] != L':') return parsed;
    wchar_t letter = static_cast<wchar_t>(std::towupper(path[0]));
    if (letter < L'A' || letter > L'Z') return parsed;
    if (path.size() > 2 && !IsSeparator(path[2])) return parsed;  // drive-relative paths are not used
    parsed.drive = letter;
    std::wstring part;
    auto flush = [&]() {
        if (part == L"..") {
            if (!parsed.parts.empty()) parsed.parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parsed.parts.push_back(part);
        }
        part.clear();
    };
    for (size_t i = 2; i < path.size(); ++i) {
        if (IsSeparator(path[i])) {
            flush();
        } else {
            part += path[i];
        }
    }
    flush();
    parsed.valid = true;
    return parsed;
}

FileSystem::FileSystem(DriveTable& driveTable) : drives(&driveTable) {
    for (auto& root : roots) {
        root = std::make_shared<Node>();
        root->attributes = FILE_ATTRIBUTE_DIRECTORY;
    }
}

std::shared_ptr<Node> FileSystem::Root(wchar_t drive) { return roots[(drive & ~0x20) - L'A']; }

void FileSystem::Subst(wchar_t letter, const std::wstring& folder) { roots[(letter & ~0x20) - L'A'] = MakeFolders(folder); }

DWORD FileSystem::WriteError(wchar_t drive) const {
    const Drive& info = (*drives)[drive];
    if (!info.present) return ERROR_PATH_NOT_FOUND;
    if (!info.hasMedium) return ERROR_NOT_READY;
    if (info.writeProtected) return ERROR_WRITE_PROTECT;
    return 0;
}

Lookup FileSystem::Resolve(const std::wstring& path, bool followLast) const {
    Lookup result;
    ParsedPath parsed = ParsePath(path);
    if (!parsed.valid) {
        result.error = ERROR_INVALID_NAME;
        return result;
    }
    if (path.size() >= MAX_PATH) {
        result.error = ERROR_FILENAME_EXCED_RANGE;
        return result;
    }
    for (const auto& part : parsed.parts) {
        if (!IsValidName(part)) {
            result.error = ERROR_INVALID_NAME;
            return result;
        }
    }
    int depth = 0;
    // A process that enforces redirection trust does not follow a junction that a standard user
    // made ("PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY structure"); the platform then fails the
    // call with ERROR_UNTRUSTED_MOUNT_POINT.
    auto Untrusted = [this](const Node& link) { return redirectionTrustEnforced && link.madeByStandardUser; };
    std::function<bool(ParsedPath, bool)> walk = [&](ParsedPath at, bool followEnd) -> bool {
        const Drive& drive = (*drives)[at.drive];
        if (!drive.present) {
            result.error = ERROR_PATH_NOT_FOUND;
            return false;
        }
        if (!drive.hasMedium) {
            NoteMissingMedium(at.drive, drive);
            result.error = ERROR_NOT_READY;
            return false;
        }
        std::shared_ptr<Node> folder = roots[at.drive - L'A'];
        result.drive = at.drive;
        if (at.parts.empty()) {
            result.node = folder;
            result.parent = nullptr;
            result.name.clear();
            return true;
        }
        for (size_t i = 0; i < at.parts.size(); ++i) {
            bool last = i + 1 == at.parts.size();
            std::shared_ptr<Node> child = folder->Child(at.parts[i]);
            if (last) {
                result.parent = folder;
                result.name = at.parts[i];
                result.node = child;
                if (child && child->IsLink() && followEnd) {
                    if (Untrusted(*child)) {
                        result.error = ERROR_UNTRUSTED_MOUNT_POINT;
                        result.node = result.parent = nullptr;
                        return false;
                    }
                    ParsedPath target = ParsePath(child->linkTarget);
                    if (++depth > kMaxLinkDepth || !target.valid) {
                        result.error = ERROR_PATH_NOT_FOUND;
                        result.node = result.parent = nullptr;
                        return false;
                    }
                    return walk(target, true);
                }
                return true;
            }
            if (!child || !child->IsFolder()) {
                result.error = ERROR_PATH_NOT_FOUND;
                return false;
            }
            if (child->IsLink()) {
                if (Untrusted(*child)) {
                    result.error = ERROR_UNTRUSTED_MOUNT_POINT;
                    return false;
                }
                if (++depth > kMaxLinkDepth) {
                    result.error = ERROR_PATH_NOT_FOUND;
                    return false;
                }
                ParsedPath target = ParsePath(child->linkTarget);
                if (!target.valid) {
                    result.error = ERROR_PATH_NOT_FOUND;
                    return false;
                }
                for (size_t j = i + 1; j < at.parts.size(); ++j) target.parts.push_back(at.parts[j]);
                return walk(target, followEnd);
            }
            folder = child;
        }
        return true;
    };
    if (!walk(parsed, followLast)) {
        result.node = nullptr;
        result.parent = nullptr;
    }
    return result;
}

std::shared_ptr<Node> FileSystem::AddChild(const std::shared_ptr<Node>& folder, const std::wstring& name,
                                           bool isFolder) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->attributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    node->parent = folder.get();
    node->writeTime = clock++;
    folder->children.push_back(node);
    return node;
}

void FileSystem::RemoveChild(Node& folder, const Node& child) {
    auto& list = folder.children;
    list.erase(std::remove_if(list.begin(), list.end(), [&](const std::shared_ptr<Node>& n) { return n.get() == &child; }),
               list.end());
    // A file keeps its other names.
    Node& node = const_cast<Node&>(child);
    auto& others = node.otherParents;
    if (node.parent == &folder && !others.empty()) {
        node.parent = others.back();
        others.pop_back();
    } else {
        others.erase(std::remove(others.begin(), others.end(), &folder), others.end());
    }
}

std::shared_ptr<Node> FileSystem::MakeHardLink(const std::wstring& path, const std::wstring& existing) {
    Lookup found = Resolve(path, false);
    std::shared_ptr<Node> file = Get(existing);
    if (found.node || !found.parent || !file || file->IsFolder() || !SameName(found.name, file->name)) return nullptr;
    found.parent->children.push_back(file);
    file->otherParents.push_back(found.parent.get());
    return file;
}

std::wstring FileSystem::PathOf(const Node& folder) const {
    std::wstring path;
    const Node* at = &folder;
    for (; at->parent != nullptr; at = at->parent) path = L"\\" + at->name + path;
    for (int i = 0; i < 26; ++i) {
        if (roots[i].get() == at) return std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":" + path;
    }
    return std::wstring();
}

std::vector<std::shared_ptr<Node>> FileSystem::ListOrder(const Node& folder, wchar_t drive) const {
    std::vector<std::shared_ptr<Node>> list(folder.children);
    if ((*drives)[drive].sortedListing) {
        std::stable_sort(list.begin(), list.end(), [](const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) {
            return Upper(a->name) < Upper(b->name);
        });
    }
    return list;
}

bool FileSystem::Reserve(wchar_t drive, uint64_t oldSize, uint64_t newSize) {
    Drive& info = (*drives)[drive];
    if (newSize > oldSize && newSize - oldSize > info.freeBytes) return false;
    info.freeBytes = info.freeBytes + oldSize - newSize;
    return true;
}

std::shared_ptr<Node> FileSystem::MakeFolders(const std::wstring& path) {
    ParsedPath parsed = ParsePath(path);
    if (!parsed.valid) return nullptr;
    std::wstring at = std::wstring(1, parsed.drive) + L":";
    std::shared_ptr<Node> node = Resolve(at + L"\\", true).node;
    for (const auto& part : parsed.parts) {
        at += L"\\" + part;
        Lookup found = Resolve(at, true);
        if (found.node) {
            node = found.node;
            continue;
        }
        if (!found.parent) return nullptr;
        node = AddChild(found.parent, part, true);
    }
    return node;
}

std::shared_ptr<Node> FileSystem::WriteFile(const std::wstring& path, const std::string& content, DWORD attributes) {
    Lookup found = Resolve(path, true);
    if (!found.parent && !found.node) {
        ParsedPath parsed = ParsePath(path);
        if (!parsed.valid || parsed.parts.empty()) return nullptr;
        std::wstring folder = std::wstring(1, parsed.drive) + L":";
        for (size_t i = 0; i + 1 < parsed.parts.size(); ++i) folder += L"\\" + parsed.parts[i];
        MakeFolders(folder);
        found = Resolve(path, true);
    }
    std::shared_ptr<Node> node = found.node;
    if (!node) {
        if (!found.parent) return nullptr;
        node = AddChild(found.parent, found.name, false);
    }
    Reserve(found.drive, node->data.size(), content.size());
    node->data.assign(content.begin(), content.end());
    node->attributes = attributes & ~DWORD(FILE_ATTRIBUTE_DIRECTORY);
    node->writeTime = clock++;
    return node;
}

std::shared_ptr<Node> FileSystem::MakeLink(const std::wstring& path, const std::wstring& target, DWORD reparseTag) {
    Lookup found = Resolve(path, false);
    if (found.node || !found.parent) return nullptr;
    auto node = AddChild(found.parent, found.name, true);
    node->attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    node->linkTarget = target;
    node->reparseTag = reparseTag;
    return node;
}

std::shared_ptr<Node> FileSystem::MakeFileLink(const std::wstring& path, const std::wstring& target) {
    Lookup found = Resolve(path, false);
    if (found.node || !found.parent) return nullptr;
    auto node = AddChild(found.parent, found.name, false);
    node->attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;
    node->linkTarget = target;
    node->reparseTag = IO_REPARSE_TAG_SYMLINK;
    return node;
}

std::shared_ptr<Node> FileSystem::MakeReparsePoint(const std::wstring& path, DWORD reparseTag) {
    auto node = Get(path);
    if (!node || node->IsLink()) return nullptr;
    node->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    node->reparseTag = reparseTag;
    return node;
}

std::shared_ptr<Node> FileSystem::Get(const std::wstring& path) const { return Resolve(path, false).node; }

bool FileSystem::Exists(const std::wstring& path) const { return Get(path) != nullptr; }

bool FileSystem::IsFolder(const std::wstring& path) const {
    auto node = Resolve(path, true).node;
    return node && node->IsFolder();
}

std::string FileSystem::ReadFile(const std::wstring& path) const {
    auto node = Resolve(path, true).node;
    if (!node || node->IsFolder()) return std::string();
    return std::string(node->data.begin(), node->data.end());
}

void FileSystem::Remove(const std::wstring& path) {
    Lookup found = Resolve(path, false);
    if (found.node && found.parent) RemoveChild(*found.parent, *found.node);
}

size_t FileSystem::CountFiles(const std::wstring& path) const {
    std::function<size_t(const Node&)> count = [&](const Node& node) -> size_t {
        if (node.IsLink()) return 0;
        if (!node.IsFolder()) return 1;
        size_t total = 0;
        for (const auto& child : node.children) total += count(*child);
        return total;
    };
    auto node = Resolve(path, true).node;
    return node ? count(*node) : 0;
}

std::vector<std::wstring> FileSystem::Listing(const std::wstring& path) const {
    std::vector<std::wstring> lines;
    std::function<void(const Node&, const std::wstring&)> add = [&](const Node& node, const std::wstring& at) {
        size_t hash = std::hash<std::string>()(std::string(node.data.begin(), node.data.end()));
        lines.push_back(at + L"|" + std::to_wstring(node.attributes) + L"|" + std::to_wstring(node.data.size()) + L"|" +
                        std::to_wstring(hash) + L"|" + node.linkTarget);
        if (node.IsLink()) return;
        for (const auto& child : node.children) add(*child, at + L"\\" + child->name);
    };
    auto node = Resolve(path, false).node;
    if (node) add(*node, path);
    std::sort(lines.begin(), lines.end());
    return lines;
}

namespace {

// The kinds of access that sharing governs.
struct AccessKinds {
    bool read, write, remove;
};

AccessKinds KindsOf(DWORD access) {
    return {(access & GENERIC_READ) != 0, (access & GENERIC_WRITE) != 0, (access & kDeleteAccess) != 0};
}

// True when one side holds an access that the other side's sharing does not allow.
bool Clash(const AccessKinds& access, DWORD otherShare) {
    return (access.read && !(otherShare & FILE_SHARE_READ)) || (access.write && !(otherShare & FILE_SHARE_WRITE)) ||
           (access.remove && !(otherShare & FILE_SHARE_DELETE));
}

}  // namespace

bool HeldElsewhere(const Node& node) { return Machine::Current().clockMs < node.heldUntilMs; }

bool SharingConflict(const Node& node, DWORD access, DWORD share) {
    if (node.inUse) return true;
    AccessKinds wanted = KindsOf(access);
    if (HeldElsewhere(node) && (Clash(wanted, node.heldShare) || !(share & FILE_SHARE_READ))) return true;
    for (const auto& weak : node.opens) {
        auto open = weak.lock();
        if (!open) continue;
        AccessKinds held = KindsOf(open->access);
        if (Clash(wanted, open->share) || Clash(held, share)) return true;
    }
    return false;
}

bool IsHeld(const Node& node) {
    for (const auto& weak : node.opens) {
        auto open = weak.lock();
        if (open && !(open->share & FILE_SHARE_DELETE)) return true;
    }
    if (!node.IsFolder() || node.IsLink()) return false;
    for (const auto& child : node.children) {
        bool opened = std::any_of(child->opens.begin(), child->opens.end(), [](const std::weak_ptr<OpenFile>& w) { return !w.expired(); });
        if (opened || IsHeld(*child)) return true;
    }
    return false;
}

DWORD NoteFileOperation(const wchar_t* operation) {
    Machine& machine = Machine::Current();
    if (machine.token().Enabled(L"SeBackupPrivilege") || machine.token().Enabled(L"SeRestorePrivilege")) {
        machine.privilegedFileOperations.push_back(operation);
    }
    return machine.Step();
}

void NoteOpen(Node& node, const std::shared_ptr<OpenFile>& open) {
    auto& opens = node.opens;
    opens.erase(std::remove_if(opens.begin(), opens.end(), [](const std::weak_ptr<OpenFile>& w) { return w.expired(); }),
                opens.end());
    opens.push_back(open);
}

size_t FullPathLength(const std::wstring& path) {
    ParsedPath parsed = ParsePath(path);
    size_t length = 2;
    for (const auto& part : parsed.parts) length += 1 + part.size();
    bool trailing = !path.empty() && IsSeparator(path.back());
    if (parsed.parts.empty() || trailing) ++length;
    return length;
}

void FillFindData(const Node& node, const std::wstring& name, WIN32_FIND_DATAW* data) {
    *data = WIN32_FIND_DATAW();
    data->dwFileAttributes = node.attributes;
    data->ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(node.writeTime);
    data->ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(node.writeTime >> 32);
    uint64_t size = node.IsFolder() ? 0 : node.data.size();
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->dwReserved0 = (node.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? node.reparseTag : 0;
    size_t count = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::copy(name.begin(), name.begin() + count, data->cFileName);
    data->cFileName[count] = 0;
}

}  // namespace sim

namespace sim {

void FileSystem::SwapForLinkOnOpen(const std::wstring& path, const std::wstring& target, int after, SwapKind kind) {
    swapsOnOpen.push_back(Swap{path, target, after, kind});
}

namespace {

bool DeniesWrite(const Node& node) {
    return std::any_of(node.opens.begin(), node.opens.end(), [](const std::weak_ptr<OpenFile>& weak) {
        auto open = weak.lock();
        return open && !(open->share & FILE_SHARE_WRITE);
    });
}

}  // namespace

void FileSystem::ApplySwap(const std::wstring& path) {
    for (auto it = swapsOnOpen.begin(); it != swapsOnOpen.end(); ++it) {
        const std::wstring& swapped = it->path;
        size_t n = swapped.size();
        bool below = path.size() > n && (path[n] == L'\\' || path[n] == L'/');
        if (!(path.size() == n || below) || !SameName(path.substr(0, n), swapped)) continue;
        if (it->after-- > 0) continue;
        Swap swap = *it;
        swapsOnOpen.erase(it);
        std::shared_ptr<Node> node = Get(swap.path);
        if (!node) return;
        if (IsHeld(*node)) {
            // Held where it is: only an empty folder can be re-pointed, in place.
            if (!node->IsFolder() || node->IsLink() || !node->children.empty() || DeniesWrite(*node) ||
                swap.kind != SwapKind::Link) {
                return;
            }
            node->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
            node->reparseTag = IO_REPARSE_TAG_MOUNT_POINT;
            node->linkTarget = swap.target;
            node->madeByStandardUser = true;
            return;
        }
        bool folder = node->IsFolder();
        Remove(swap.path);
        std::shared_ptr<Node> made = swap.kind == SwapKind::HardLink ? MakeHardLink(swap.path, swap.target)
                                     : folder                        ? MakeLink(swap.path, swap.target)
                                                                     : MakeFileLink(swap.path, swap.target);
        if (made && swap.kind == SwapKind::Link) made->madeByStandardUser = true;
        return;
    }
}

}  // namespace sim
