// The simulated file system: one tree of folders and files per drive, with attributes, links
// (junctions and folder symbolic links), other reparse points and files held open by other programs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win_types.h"

namespace sim {

struct OpenFile;
struct ProfileParse;
struct Security;

struct Node {
    std::wstring name;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;  // FILE_ATTRIBUTE_DIRECTORY for folders and links
    std::vector<std::shared_ptr<Node>> children;  // in the order they were made
    std::vector<uint8_t> data;
    std::wstring linkTarget;  // a link: the absolute path it points to
    DWORD reparseTag = 0;
    bool inUse = false;       // held open by another program without sharing
    // Held open for reading by another program (a scanner, an indexer) until this clock time,
    // sharing what heldShare says: an open that asks for what it does not share, or does not share
    // its reading, fails with ERROR_SHARING_VIOLATION ("Creating and Opening Files": file sharing).
    uint64_t heldUntilMs = 0;
    DWORD heldShare = 0;
    std::vector<std::weak_ptr<OpenFile>> opens;  // those handles, for the sharing checks
    uint64_t writeTime = 0;
    Node* parent = nullptr;
    // The folders of the file's other names (hard links), each under the same name: a file with
    // more than one name reports them all in its link count.
    std::vector<Node*> otherParents;
    // A link that a standard user made: a process that enforces redirection trust does not
    // follow it.
    bool madeByStandardUser = false;
    std::shared_ptr<Security> security;  // none: as the folder above it (security.h)
    // The profile functions' parse of data (sim_profile.cpp), used only while its copy of the
    // bytes equals data.
    std::shared_ptr<ProfileParse> profile;

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const { return !linkTarget.empty(); }
    DWORD Links() const { return static_cast<DWORD>(1 + otherParents.size()); }
    std::shared_ptr<Node> Child(const std::wstring& childName) const;
};

// A path split into its drive letter and components, with "." and ".." applied and empty
// components (doubled or trailing separators) dropped, as the platform's path handling does.
struct ParsedPath {
    wchar_t drive = 0;
    std::vector<std::wstring> parts;
    bool valid = false;
};
ParsedPath ParsePath(const std::wstring& path);

// Where a path leads: the node (null when missing), its parent folder (null when the parent is
// missing too) and the drive letter of the folder that holds it, links followed.
struct Lookup {
    std::shared_ptr<Node> node;
    std::shared_ptr<Node> parent;
    std::wstring name;  // last component
    wchar_t drive = 0;
    DWORD error = 0;  // why the parent could not be reached
};

struct DriveTable;

struct FileSystem {
    explicit FileSystem(DriveTable& driveTable);

    std::shared_ptr<Node> Root(wchar_t drive);

    // Resolves a path; links in the middle of the path are always followed, the last one only
    // when followLast is set. Checks drive presence and medium.
    Lookup Resolve(const std::wstring& path, bool followLast) const;
    // The error for a change on that drive (write protection, missing medium), or 0.
    DWORD WriteError(wchar_t drive) const;

    // Control interface for tests. Paths are absolute, such as L"D:\\mvtemp\\a.txt".
    std::shared_ptr<Node> MakeFolders(const std::wstring& path);  // with every missing parent
    std::shared_ptr<Node> WriteFile(const std::wstring& path, const std::string& content,
                                    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    std::shared_ptr<Node> MakeLink(const std::wstring& path, const std::wstring& target,
                                   DWORD reparseTag = IO_REPARSE_TAG_MOUNT_POINT);
    // A symbolic link to a file: opening or copying it reaches the target, deleting it removes
    // the link.
    std::shared_ptr<Node> MakeFileLink(const std::wstring& path, const std::wstring& target);
    // Makes an existing file or folder a reparse point that names no other entry (a deduplicated
    // or cloud-placeholder file, say): it keeps its content and is listed with its tag.
    std::shared_ptr<Node> MakeReparsePoint(const std::wstring& path, DWORD reparseTag);
    // A drive letter whose root is a folder of another drive (SUBST E: D:\\folder): every handle
    // opened through it reads that drive's path ("Final Path Name"; the letter is no volume).
    void Subst(wchar_t letter, const std::wstring& folder);
    bool Exists(const std::wstring& path) const;  // the last component not followed
    bool IsFolder(const std::wstring& path) const;
    std::string ReadFile(const std::wstring& path) const;  // empty when missing
    std::shared_ptr<Node> Get(const std::wstring& path) const;  // the last component not followed
    void Remove(const std::wstring& path);
    // Files below a folder, links not followed: count and total size.
    size_t CountFiles(const std::wstring& path) const;
    // Every entry below a path, one line each, "path|attributes|size|content hash", sorted:
    // used to compare the whole machine before and after an operation that must change nothing.
    std::vector<std::wstring> Listing(const std::wstring& path) const;

    // Adds a new entry under a folder, keeping the order the folder lists in.
    std::shared_ptr<Node> AddChild(const std::shared_ptr<Node>& folder, const std::wstring& name, bool isFolder);
    void RemoveChild(Node& folder, const Node& child);
    // The entries as FindFirstFileW lists them on that drive (sorted or in creation order).
    std::vector<std::shared_ptr<Node>> ListOrder(const Node& folder, wchar_t drive) const;
    // Size accounting against the drive's free space.
    bool Reserve(wchar_t drive, uint64_t oldSize, uint64_t newSize);

    // A second name for an existing file, in another folder under the same name (a hard link).
    std::shared_ptr<Node> MakeHardLink(const std::wstring& path, const std::wstring& existing);

    // A fault: a standard user swaps an entry as soon as the program reaches it (its path or one
    // below it, by path or through a handle) for the `after`+1-th time: it is replaced by a link
    // to the target (a folder link for a folder, a file link for a file) or, for a file, by a
    // second name of the target file. Windows lets the swap happen only as it lets the user act:
    // an entry open in a handle that does not share deletion, or a folder with any handle open
    // below it, cannot be renamed away (sharing and the file system's check for open files below
    // a folder: "Creating and Opening Files", CreateFileW); an empty folder can instead be made a
    // junction where it is, unless a handle denies sharing write (FSCTL_SET_REPARSE_POINT needs
    // the folder open for writing).
    enum class SwapKind { Link, HardLink };
    void SwapForLinkOnOpen(const std::wstring& path, const std::wstring& target, int after = 0,
                           SwapKind kind = SwapKind::Link);
    void ApplySwap(const std::wstring& path);
    struct Swap {
        std::wstring path;
        std::wstring target;
        int after;
        SwapKind kind;
    };
    std::vector<Swap> swapsOnOpen;

    // The path of a folder on its drive, such as "C:\ProgramData" ("C:" for a root); empty when
    // it is no longer on any drive.
    std::wstring PathOf(const Node& folder) const;
    // The redirection trust policy (SetProcessMitigationPolicy): offered by the platform
    // (Windows 10 22H2 and later), and enforced once the process asked for it.
    bool redirectionTrustOffered = true;
    bool redirectionTrustEnforced = false;
    // Renames with POSIX semantics (FileRenameInformationEx): Windows 10 1709 and later on NTFS;
    // otherwise the class is answered with STATUS_NOT_IMPLEMENTED, as older systems and Wine do.
    bool posixRenameOffered = true;

    uint64_t clock = 1;
    std::shared_ptr<Node> roots[26];
    DriveTable* drives;
};

// A file opened with CreateFileW.
struct OpenFile {
    std::shared_ptr<Node> node;
    std::shared_ptr<Node> via;  // the folder whose entry it was opened through (none for a root)
    wchar_t drive = 0;
    size_t position = 0;
    bool canRead = false;
    bool canWrite = false;
    DWORD access = 0;  // GENERIC_READ, GENERIC_WRITE, DELETE
    DWORD share = 0;   // FILE_SHARE_*
    bool deleteOnClose = false;  // FileDispositionInfo: the entry goes when the handle is closed
    bool onReparsePoint = false;  // opened with FILE_FLAG_OPEN_REPARSE_POINT
};

// The access right to delete, as CreateFileW and the sharing checks take it.
constexpr DWORD kDeleteAccess = 0x00010000;

// True when opening the node with this access and sharing would clash with a handle already
// open on it, or with the program that holds it (Node::inUse): the open then fails with
// ERROR_SHARING_VIOLATION, as the file system's sharing rules make it.
bool SharingConflict(const Node& node, DWORD access, DWORD share);
// True while another program holds the node open for reading (Node::heldUntilMs).
bool HeldElsewhere(const Node& node);
// Records an open handle on its node for later sharing checks.
void NoteOpen(Node& node, const std::shared_ptr<OpenFile>& open);
// The swap fault reaching the entry a handle is open on (FileSystem::SwapForLinkOnOpen).
void ApplySwapAt(const OpenFile& open);
// The entry's path as its handle reads it: the folder it was opened through and its name.
std::wstring OpenedPath(const OpenFile& open);
// True when a handle open on the node does not share deletion, or, for a folder, when any handle
// is open on an entry below it: then nobody can rename or delete it.
bool IsHeld(const Node& node);
// Notes a file operation made while the backup or the restore privilege is enabled (the test of
// the program's rule that none is: with them, an open for backup bypasses a file's security), and
// counts it as a step of the process (Machine::Step): an error once the process has ended.
DWORD NoteFileOperation(const wchar_t* operation);

// The length of the full path that the platform makes of a path: separators collapsed, "." and
// ".." applied, a trailing separator kept. Folder creation limits it.
size_t FullPathLength(const std::wstring& path);

// The find data of one entry, as FindFirstFileW reports it.
void FillFindData(const Node& node, const std::wstring& name, WIN32_FIND_DATAW* data);

}  // namespace sim
