// Security descriptors on the simulated machine: parsed from their text form, read from files
// and mutexes in the platform's binary layout, and set through handles.
#include <cstring>
#include <cwchar>

#include "filesystem.h"
#include "machine.h"
#include "security.h"
#include "token.h"
#include "win_api.h"

namespace sim {

namespace {

// A descriptor handed out by this machine: its model, the owner's SID and the DACL in binary.
struct Descriptor {
    Security model;
    std::vector<BYTE> owner;
    std::vector<BYTE> acl;
};

struct Alias {
    const wchar_t* name;
    const wchar_t* sid;
};
const Alias kAliases[] = {{L"SY", kSystemSid}, {L"BA", kAdministratorsSid}, {L"BU", kUsersSid},
                          {L"AU", kAuthenticatedUsersSid}, {L"WD", L"S-1-1-0"}, {L"CO", L"S-1-3-0"}};

struct Right {
    const wchar_t* name;
    DWORD mask;
};
const Right kRights[] = {{L"FA", 0x1F01FF}, {L"GA", GENERIC_ALL}, {L"GW", GENERIC_WRITE}, {L"GR", GENERIC_READ}};

std::wstring SidOf(const std::wstring& text) {
    for (const auto& alias : kAliases) if (text == alias.name) return alias.sid;
    return text.compare(0, 2, L"S-") == 0 ? text : L"";
}

std::vector<BYTE> SidBytes(const std::wstring& text) {
    std::vector<DWORD> numbers;
    for (size_t at = 2; at < text.size();) {
        size_t end = text.find(L'-', at);
        numbers.push_back(static_cast<DWORD>(std::wcstoul(text.substr(at, end - at).c_str(), nullptr, 10)));
        at = end == std::wstring::npos ? text.size() : end + 1;
    }
    std::vector<BYTE> bytes(8 + 4 * (numbers.size() - 2));
    bytes[0] = static_cast<BYTE>(numbers[0]);
    bytes[1] = static_cast<BYTE>(numbers.size() - 2);
    bytes[7] = static_cast<BYTE>(numbers[1]);
    std::memcpy(bytes.data() + 8, numbers.data() + 2, 4 * (numbers.size() - 2));
    return bytes;
}

std::wstring SidText(const void* sid) {
    const SID* s = static_cast<const SID*>(sid);
    std::wstring text = L"S-" + std::to_wstring(s->Revision) + L"-" + std::to_wstring(s->IdentifierAuthority.Value[5]);
    for (BYTE i = 0; i < s->SubAuthorityCount; ++i) text += L"-" + std::to_wstring(s->SubAuthority[i]);
    return text;
}

std::vector<BYTE> AclBytes(const std::vector<Ace>& aces) {
    std::vector<BYTE> bytes(sizeof(ACL));
    for (const Ace& ace : aces) {
        std::vector<BYTE> sid = SidBytes(ace.sid);
        ACCESS_ALLOWED_ACE head{{ace.type, ace.flags, static_cast<WORD>(8 + sid.size())}, ace.mask, 0};
        bytes.insert(bytes.end(), reinterpret_cast<BYTE*>(&head), reinterpret_cast<BYTE*>(&head) + 8);
        bytes.insert(bytes.end(), sid.begin(), sid.end());
    }
    ACL header{2, 0, static_cast<WORD>(bytes.size()), static_cast<WORD>(aces.size()), 0};
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

PSECURITY_DESCRIPTOR HandOut(const Security& model) {
    auto descriptor = std::make_shared<Descriptor>();
    descriptor->model = model;
    descriptor->owner = SidBytes(model.owner);
    descriptor->acl = AclBytes(model.dacl);
    Machine::Current().localMemory[descriptor.get()] = descriptor;
    return descriptor.get();
}

// One "(type;flags;rights;;;sid)" entry.
bool ParseAce(const std::wstring& text, Ace& ace) {
    std::vector<std::wstring> fields;
    for (size_t at = 0;;) {
        size_t end = text.find(L';', at);
        fields.push_back(text.substr(at, end - at));
        if (end == std::wstring::npos) break;
        at = end + 1;
    }
    if (fields.size() != 6 || (fields[0] != L"A" && fields[0] != L"D")) return false;
    ace.type = fields[0] == L"A" ? ACCESS_ALLOWED_ACE_TYPE : ACCESS_DENIED_ACE_TYPE;
    ace.flags = 0;
    for (size_t i = 0; i + 1 < fields[1].size(); i += 2) {
        std::wstring flag = fields[1].substr(i, 2);
        ace.flags |= flag == L"OI" ? OBJECT_INHERIT_ACE : flag == L"CI" ? CONTAINER_INHERIT_ACE : flag == L"IO" ? INHERIT_ONLY_ACE : 0;
    }
    ace.mask = fields[2].compare(0, 2, L"0x") == 0 ? static_cast<DWORD>(std::wcstoul(fields[2].c_str(), nullptr, 16)) : 0;
    for (const auto& right : kRights) if (fields[2] == right.name) ace.mask = right.mask;
    ace.sid = SidOf(fields[5]);
    return ace.mask != 0 && !ace.sid.empty();
}

}  // namespace

Security EffectiveSecurity(const Node& node) {
    for (const Node* at = &node; at != nullptr; at = at->parent) {
        if (at->security) return *at->security;
    }
    return Security{kAdministratorsSid, {{0, 3, 0x1F01FF, kSystemSid}, {0, 3, 0x1F01FF, kAdministratorsSid}}, false};
}

Security FormattedDriveRoot() {
    return Security{kAdministratorsSid,
                    {{0, 3, 0x1F01FF, kSystemSid}, {0, 3, 0x1F01FF, kAdministratorsSid}, {0, 3, 0x1200A9, kUsersSid},
                     {0, 3, 0x1301BF, kAuthenticatedUsersSid}},
                    false};
}

bool ParseSddl(const std::wstring& text, Security& out) {
    out = Security{kAdministratorsSid, {}, false};  // the elevated token's default owner
    size_t at = 0;
    if (text.compare(0, 2, L"O:") == 0) {
        size_t end = text.find(L"D:");
        out.owner = SidOf(text.substr(2, end - 2));
        if (out.owner.empty() || end == std::wstring::npos) return false;
        at = end;
    }
    if (text.compare(at, 2, L"D:") != 0) return false;
    at += 2;
    if (at < text.size() && text[at] == L'P') out.protectedDacl = true, ++at;
    while (at < text.size()) {
        size_t end = text.find(L')', at);
        Ace ace;
        if (text[at] != L'(' || end == std::wstring::npos || !ParseAce(text.substr(at + 1, end - at - 1), ace)) return false;
        out.dacl.push_back(ace);
        at = end + 1;
    }
    return true;
}

const Security* DescriptorModel(PSECURITY_DESCRIPTOR descriptor) {
    auto& memory = Machine::Current().localMemory;
    auto found = memory.find(descriptor);
    return found == memory.end() ? nullptr : &static_cast<Descriptor*>(found->second.get())->model;
}

}  // namespace sim

using sim::Fail;
using sim::Machine;

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision, PSECURITY_DESCRIPTOR* descriptor,
                                                          ULONG* size) {
    sim::Security model;
    if (text == nullptr || descriptor == nullptr || revision != SDDL_REVISION_1) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!sim::ParseSddl(text, model)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    *descriptor = sim::HandOut(model);
    if (size) *size = 20;
    return TRUE;
}

HLOCAL LocalFree(HLOCAL memory) {
    if (memory == nullptr) return nullptr;
    return Machine::Current().localMemory.erase(memory) ? nullptr : memory;
}

// A file handle needs READ_CONTROL; a mutex reads as its creator made it (its DACL is not modelled).
DWORD GetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION, PSID* owner, PSID* group, PACL* dacl,
                      PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
    Machine& machine = Machine::Current();
    sim::Security model;
    if (auto open = machine.FindHandle<sim::OpenFile>(handle, sim::HandleKind::File)) {
        if (type != SE_FILE_OBJECT || !(open->access & READ_CONTROL)) return ERROR_ACCESS_DENIED;
        model = sim::EffectiveSecurity(*open->node);
    } else if (auto name = machine.FindHandle<std::wstring>(handle, sim::HandleKind::Mutex)) {
        if (type != SE_KERNEL_OBJECT) return ERROR_INVALID_PARAMETER;
        auto found = machine.namedObjectOwners.find(*name);
        model.owner = found == machine.namedObjectOwners.end() ? sim::kAdministratorsSid : found->second;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    if (descriptor == nullptr) return ERROR_INVALID_PARAMETER;
    auto* held = static_cast<sim::Descriptor*>(sim::HandOut(model));
    *descriptor = held;
    if (owner) *owner = held->owner.data();
    if (group) *group = nullptr;
    if (dacl) *dacl = reinterpret_cast<PACL>(held->acl.data());
    if (sacl) *sacl = nullptr;
    return ERROR_SUCCESS;
}

// Replaces the owner and the DACL of the file a handle names; neither is passed on to entries below.
BOOL SetKernelObjectSecurity(HANDLE handle, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR descriptor) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenFile>(handle, sim::HandleKind::File);
    const sim::Security* given = sim::DescriptorModel(descriptor);
    if (!open || !given) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (((info & DACL_SECURITY_INFORMATION) && !(open->access & WRITE_DAC)) ||
        ((info & OWNER_SECURITY_INFORMATION) && !(open->access & WRITE_OWNER))) {
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    }
    machine.Log(L"SetKernelObjectSecurity " + open->node->name);
    sim::Security now = sim::EffectiveSecurity(*open->node);
    if (info & OWNER_SECURITY_INFORMATION) now.owner = given->owner;
    if (info & DACL_SECURITY_INFORMATION) now.dacl = given->dacl, now.protectedDacl = given->protectedDacl;
    open->node->security = std::make_shared<sim::Security>(now);
    return TRUE;
}

BOOL GetAce(PACL acl, DWORD index, LPVOID* ace) {
    if (acl == nullptr || ace == nullptr || index >= acl->AceCount) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    BYTE* at = reinterpret_cast<BYTE*>(acl) + sizeof(ACL);
    for (DWORD i = 0; i < index; ++i) at += reinterpret_cast<ACE_HEADER*>(at)->AceSize;
    *ace = at;
    return TRUE;
}

BOOL IsWellKnownSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
    if (sid == nullptr) return FALSE;
    std::wstring text = sim::SidText(sid);
    return (type == WinLocalSystemSid && text == sim::kSystemSid) || (type == WinBuiltinAdministratorsSid && text == sim::kAdministratorsSid);
}

BOOL EqualSid(PSID first, PSID second) {
    return first != nullptr && second != nullptr && sim::SidText(first) == sim::SidText(second);
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size, PDWORD needed) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenToken>(token, sim::HandleKind::Token);
    if (!open || infoClass != TokenUser) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!(open->access & TOKEN_QUERY)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    std::vector<BYTE> sid = sim::SidBytes(machine.token().user);
    DWORD total = static_cast<DWORD>(sizeof(TOKEN_USER) + sid.size());
    if (needed) *needed = total;
    if (info == nullptr || size < total) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    TOKEN_USER* user = static_cast<TOKEN_USER*>(info);
    BYTE* stored = static_cast<BYTE*>(info) + sizeof(TOKEN_USER);
    std::memcpy(stored, sid.data(), sid.size());
    user->User.Sid = stored;
    user->User.Attributes = 0;
    return TRUE;
}
