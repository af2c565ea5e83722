// The workspace trust rule, and the securing of a workspace that others could write.
#include "base/trust.h"

#include "base/folder_walk.h"
#include "base/links.h"
#include "base/path_buffer.h"
#include "platform/handles.h"

LPCWSTR const kWorkspaceSecurity = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

namespace {

// The rights that let a SID change an entry: write or append data (add files or folders),
// delete it or its children, change its permissions or its owner, and the generic forms of these.
constexpr DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr DWORD kOnItself = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

// The running user's SID, in the token information it was read into.
struct RunningUser {
    DWORD buffer[64];  // a TOKEN_USER and its SID (at most 68 bytes)
    PSID sid = nullptr;
    RunningUser() {
        KernelHandle token;
        DWORD needed = 0;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return;
        if (GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &needed)) {
            sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
        }
    }
};

bool IsDenyAce(BYTE type) {
    return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
           type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

// True when an ACE lets a SID other than the trusted ones change the entry. Every ACE that is not
// a denial counts as a grant, inherit-only ones included: they reach what is made inside.
bool GrantsOthers(PACL dacl) {
    if (dacl == nullptr) return true;  // a NULL DACL lets everyone do everything
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        LPVOID ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return true;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (IsDenyAce(allowed->Header.AceType) || (allowed->Mask & kChangeRights) == 0) continue;
        if (!IsTrustedOwner(&allowed->SidStart)) return true;
    }
    return false;
}

WorkspaceTrust JudgeHandle(HANDLE entry) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalDescriptor descriptor;
    if (GetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, descriptor.Receive()) != ERROR_SUCCESS) {
        return WorkspaceTrust::Unreadable;
    }
    if (!IsTrustedOwner(owner)) return WorkspaceTrust::ForeignOwner;
    return GrantsOthers(dacl) ? WorkspaceTrust::OthersCanWrite : WorkspaceTrust::Trusted;
}

void SecureEntry(LPCWSTR path, PSECURITY_DESCRIPTOR descriptor, bool folder);

void SecureFolderContents(LPCWSTR folder, PSECURITY_DESCRIPTOR descriptor) {
    ForEachFolderEntry(folder, [descriptor](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        if (!IsLinkEntry(entry)) SecureEntry(path, descriptor, IsFolderEntry(entry));
    });
}

// The entry is held open (with a right that sharing counts, others not allowed to rename or
// delete it) while what it holds is secured, so its path keeps naming it.
void SecureEntry(LPCWSTR path, PSECURITY_DESCRIPTOR descriptor, bool folder) {
    OpenedEntry opened;
    DWORD access = (folder ? FILE_LIST_DIRECTORY : 0) | READ_CONTROL | WRITE_DAC | WRITE_OWNER;
    // A file with a second name is left: its descriptor belongs to every name, wherever it lies.
    if (!OpenEntry(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, folder, opened) || opened.link ||
        (!opened.IsFolder() && opened.links > 1)) {
        return;
    }
    SetKernelObjectSecurity(opened.handle.Get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor);
    if (opened.attributes & FILE_ATTRIBUTE_DIRECTORY) SecureFolderContents(path, descriptor);
}

}  // namespace

bool IsTrustedOwner(PSID sid) {
    if (sid == nullptr) return false;
    if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return true;
    RunningUser user;
    return user.sid != nullptr && EqualSid(sid, user.sid);
}

WorkspaceTrust JudgeWorkspaceTrust(LPCWSTR workspacePath) {
    if (workspacePath == nullptr || workspacePath[0] == 0 || workspacePath[1] != L':' || workspacePath[2] != L'\\') {
        return WorkspaceTrust::Unreadable;
    }
    WCHAR root[] = {workspacePath[0], L':', L'\\', 0};
    DWORD flags = 0;
    if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return WorkspaceTrust::Unreadable;
    if ((flags & FILE_PERSISTENT_ACLS) == 0) return WorkspaceTrust::NoPermissions;
    KernelHandle entry(CreateFileW(workspacePath, READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING, kOnItself, nullptr));
    if (!entry.Valid()) return WorkspaceTrust::Unreadable;
    return JudgeHandle(entry.Get());
}

bool MayUseWorkspace(WorkspaceTrust trust) {
    return trust == WorkspaceTrust::Trusted || trust == WorkspaceTrust::NoPermissions;
}

bool SecureWorkspace(LPCWSTR workspacePath) {
    LocalDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kWorkspaceSecurity, SDDL_REVISION_1, descriptor.Receive(),
                                                              nullptr)) {
        return false;
    }
    SecureEntry(workspacePath, descriptor.Get(), true);
    return JudgeWorkspaceTrust(workspacePath) == WorkspaceTrust::Trusted;
}

bool PrepareWorkspaceForBackup(LPCWSTR workspacePath) {
    WorkspaceTrust trust = JudgeWorkspaceTrust(workspacePath);
    if (trust == WorkspaceTrust::OthersCanWrite) return SecureWorkspace(workspacePath);
    return MayUseWorkspace(trust);
}
