// Security descriptors on the simulated machine: parsed from their text form, read from files and
// mutexes as an owner and an ACL in the platform's layout, and set through handles. A SID handed
// out is the number of its text in the machine's table, which only these operations read.
#include <cwchar>
#include <regex>

#include "filesystem.h"
#include "machine.h"
#include "security.h"
#include "token.h"
#include "win_api.h"

namespace sim {

namespace {

// A descriptor handed out by this machine: its model, the owner's SID and the DACL.
struct Descriptor {
    Security model;
    DWORD owner;
    std::vector<DWORD> acl;  // an ACL header, then per ACE its header, mask and SID
};

std::wstring SidOf(const std::wstring& text) {
    static const wchar_t* const kAliases[][2] = {{L"SY", kSystemSid}, {L"BA", kAdministratorsSid}, {L"BU", kUsersSid},
                                                 {L"AU", kAuthenticatedUsersSid}, {L"WD", L"S-1-1-0"}};
    for (const auto& alias : kAliases) if (text == alias[0]) return alias[1];
    return text;
}

DWORD SidNumber(const std::wstring& text) {
    auto& table = Machine::Current().sids;
    for (size_t i = 0; i < table.size(); ++i) if (table[i] == text) return static_cast<DWORD>(i);
    table.push_back(text);
    return static_cast<DWORD>(table.size() - 1);
}

const std::wstring& SidText(PSID sid) { return Machine::Current().sids.at(*static_cast<DWORD*>(sid)); }

Descriptor* HandOut(const Security& model) {
    auto descriptor = std::make_shared<Descriptor>();
    descriptor->model = model;
    descriptor->owner = SidNumber(model.owner);
    descriptor->acl = {0, static_cast<DWORD>(model.dacl.size())};  // revision and size; ACE count
    for (const Ace& ace : model.dacl) {
        descriptor->acl.insert(descriptor->acl.end(), {DWORD(ace.type | ace.flags << 8 | 12 << 16), ace.mask, SidNumber(ace.sid)});
    }
    Machine::Current().localMemory[descriptor.get()] = descriptor;
    return descriptor.get();
}

}  // namespace

Security EffectiveSecurity(const Node& node) {
    for (const Node* at = &node; at != nullptr; at = at->parent) {
        if (at->security) return *at->security;
    }
    return Security{kAdministratorsSid, {{0, 3, 0x1F01FF, kSystemSid}, {0, 3, 0x1F01FF, kAdministratorsSid}}, false};
}

Security FormattedDriveRoot() {
    Security root = EffectiveSecurity(Node());
    root.dacl.push_back({0, 3, 0x1200A9, kUsersSid});
    root.dacl.push_back({0, 3, 0x1301BF, kAuthenticatedUsersSid});
    return root;
}

// "O:sid" (by default the elevated token's owner, Administrators), then "D:", "P" when protected,
// and entries "(A|D;OI CI IO;FA|GA|0x...;;;sid)".
bool ParseSddl(const std::wstring& text, Security& out) {
    static const std::wregex kWhole(L"(O:([A-Z0-9-]+))?D:(P?)((\\([AD];[A-Z]*;[A-Z0-9x]+;;;[A-Z0-9-]+\\))*)");
    static const std::wregex kAce(L"\\(([AD]);([A-Z]*);([A-Z0-9x]+);;;([A-Z0-9-]+)\\)");
    std::wsmatch whole;
    if (!std::regex_match(text, whole, kWhole)) return false;
    out = Security{whole[2].matched ? SidOf(whole[2]) : kAdministratorsSid, {}, whole[3].length() == 1};
    std::wstring aces = whole[4];
    for (std::wsregex_iterator it(aces.begin(), aces.end(), kAce), end; it != end; ++it) {
        std::wstring flags = (*it)[2], rights = (*it)[3];
        BYTE bits = (flags.find(L"OI") != std::wstring::npos ? OBJECT_INHERIT_ACE : 0) |
                    (flags.find(L"CI") != std::wstring::npos ? CONTAINER_INHERIT_ACE : 0) |
                    (flags.find(L"IO") != std::wstring::npos ? INHERIT_ONLY_ACE : 0);
        DWORD mask = rights == L"FA" ? 0x1F01FF : rights == L"GA" ? GENERIC_ALL : static_cast<DWORD>(std::wcstoul(rights.c_str(), nullptr, 16));
        out.dacl.push_back({static_cast<BYTE>((*it)[1] == L"A" ? ACCESS_ALLOWED_ACE_TYPE : ACCESS_DENIED_ACE_TYPE), bits, mask, SidOf((*it)[4])});
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
    if (text == nullptr || descriptor == nullptr || revision != SDDL_REVISION_1 || !sim::ParseSddl(text, model)) {
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    *descriptor = sim::HandOut(model);
    if (size) *size = 20;
    return TRUE;
}

HLOCAL LocalFree(HLOCAL memory) {
    if (memory == nullptr) return nullptr;
    return Machine::Current().localMemory.erase(memory) ? nullptr : memory;
}

// A file handle needs READ_CONTROL; a mutex has only its owner (its DACL is not modelled).
DWORD GetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION, PSID* owner, PSID* group, PACL* dacl,
                      PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
    Machine& machine = Machine::Current();
    sim::Security model;
    if (auto open = machine.FindHandle<sim::OpenFile>(handle, sim::HandleKind::File)) {
        if (type != SE_FILE_OBJECT || !(open->access & READ_CONTROL)) return ERROR_ACCESS_DENIED;
        model = sim::EffectiveSecurity(*open->node);
    } else if (auto name = machine.FindHandle<std::wstring>(handle, sim::HandleKind::Mutex)) {
        if (type != SE_KERNEL_OBJECT) return ERROR_INVALID_PARAMETER;
        model.owner = machine.namedObjectOwners.count(*name) ? machine.namedObjectOwners[*name] : sim::kAdministratorsSid;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    if (descriptor == nullptr) return ERROR_INVALID_PARAMETER;
    sim::Descriptor* held = sim::HandOut(model);
    *descriptor = held;
    if (owner) *owner = &held->owner;
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
    *ace = reinterpret_cast<BYTE*>(acl) + sizeof(ACL) + index * 12;
    return TRUE;
}

BOOL IsWellKnownSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
    const wchar_t* known = type == WinLocalSystemSid ? sim::kSystemSid : type == WinBuiltinAdministratorsSid ? sim::kAdministratorsSid : L"";
    return sid != nullptr && sim::SidText(sid) == known;
}

BOOL EqualSid(PSID first, PSID second) {
    return first != nullptr && second != nullptr && sim::SidText(first) == sim::SidText(second);
}

// TokenUser: the structure, with the user's SID after it in the same buffer.
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size, PDWORD needed) {
    Machine& machine = Machine::Current();
    auto open = machine.FindHandle<sim::OpenToken>(token, sim::HandleKind::Token);
    if (!open || (infoClass != TokenUser && infoClass != TokenElevation)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!(open->access & TOKEN_QUERY)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (infoClass == TokenElevation) return sim::TokenElevationInformation(machine.token(), info, size, needed);
    DWORD total = sizeof(TOKEN_USER) + sizeof(DWORD);
    if (needed) *needed = total;
    if (info == nullptr || size < total) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    auto* user = static_cast<TOKEN_USER*>(info);
    auto* sid = reinterpret_cast<DWORD*>(user + 1);
    *sid = sim::SidNumber(machine.token().user);
    user->User = {sid, 0};
    return TRUE;
}
