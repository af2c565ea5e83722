// The least model of security that the program's rules read: an owner and a list of ACEs for
// each file, folder and named object. An entry without its own takes its parent's; a drive root
// without one is owned by Administrators and gives full control to SYSTEM and Administrators only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "win_types.h"

namespace sim {

struct Node;

struct Ace {
    BYTE type;  // ACCESS_ALLOWED_ACE_TYPE, ACCESS_DENIED_ACE_TYPE
    BYTE flags;
    DWORD mask;
    std::wstring sid;  // "S-1-5-18"
};

struct Security {
    std::wstring owner;
    std::vector<Ace> dacl;
    bool protectedDacl = false;
};

constexpr wchar_t kSystemSid[] = L"S-1-5-18";
constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
constexpr wchar_t kUsersSid[] = L"S-1-5-32-545";
constexpr wchar_t kAuthenticatedUsersSid[] = L"S-1-5-11";

// The security an entry has: its own, or that of the nearest folder above it that has one.
Security EffectiveSecurity(const Node& node);
// The root of an NTFS drive as Windows formats it: Authenticated Users may modify what is below it.
Security FormattedDriveRoot();
// The owner and DACL of a descriptor in the platform's text form; false for a text outside the
// forms the model knows ("O:sid", "D:" with "P", and "(A;flags;rights;;;sid)" or "(D;...)").
bool ParseSddl(const std::wstring& text, Security& out);
// The model held by a descriptor that this machine handed out.
const Security* DescriptorModel(PSECURITY_DESCRIPTOR descriptor);

}  // namespace sim
