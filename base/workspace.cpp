// Locating the workspace: the folder "mvtemp" or "mvtempbk" in the root of the first present drive,
// other than C:, that is removable or fixed and whose root can be held.
#include "base/workspace.h"

#include "base/environment.h"
#include "base/held_folder.h"
#include "base/path_buffer.h"
#include "base/trust.h"
#include "platform/handles.h"

namespace {

LPCWSTR WorkspacePathFormat(Workspace workspace) {
    return workspace == Workspace::Primary ? L"%lsmvtemp" : L"%lsmvtempbk";
}

// Converts the workspace path and writes "<prefix><path>\r\n" as the trace line.
void TraceWorkspace(CEnvironment& env, const char* prefix) {
    char narrow[MAX_PATH];
    size_t converted = 0;
    wcstombs_s(&converted, narrow, sizeof narrow, env.m_strTempDirectory.c_str(), _TRUNCATE);
    WriteTraceLine(env.m_szLog, prefix, narrow, "\r\n");
}

}  // namespace

// Every step in a workspace runs in folders held from its drive's root down, and each must be where
// its path says. On a drive whose root's handle reads another path (a SUBST letter, a drive some
// virtual-disk drivers make) or none, no held folder ever is: such a drive is passed over as one of
// another type would be, rather than given a workspace that could hold no data file.
DriveVerdict JudgeWorkspaceDrive(DWORD presentDrives, int index) {
    if ((presentDrives & (DWORD(1) << index)) == 0 || index == L'C' - L'A') return DriveVerdict::Other;
    WCHAR root[] = {static_cast<WCHAR>(L'A' + index), L':', L'\\', 0};
    UINT type = GetDriveTypeW(root);
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) return DriveVerdict::Other;
    HeldFolder held;
    switch (HoldTopFolder(root, held)) {
    case OpenResult::Opened: return DriveVerdict::Qualifies;
    case OpenResult::Redirected: return DriveVerdict::Unresolved;
    default: return DriveVerdict::Other;
    }
}

bool IsWorkspaceDrive(DWORD presentDrives, int index) { return JudgeWorkspaceDrive(presentDrives, index) == DriveVerdict::Qualifies; }

void FormatWorkspacePath(Workspace workspace, int driveIndex, PathBuffer& path) {
    WCHAR root[] = {static_cast<WCHAR>(L'A' + driveIndex), L':', L'\\', 0};
    FormatPath(path, WorkspacePathFormat(workspace), root);
}

std::wstring SettingsFilePath(const std::wstring& workspace) { return workspace + L"\\Movendo.ini"; }

namespace {

// Tries the qualifying drives from A to Z until the attempt succeeds on the workspace path of one:
// then the run context names that workspace and its settings file. Writes the trace line either way.
template <class Attempt>
bool LocateOnDrives(CEnvironment& env, Workspace workspace, const char* tracePrefix, Attempt attempt) {
    env.m_strTempDirectory.clear();
    bool located = false;
    DWORD present = GetLogicalDrives();
    for (int index = 0; index < 26 && !located; ++index) {
        if (!IsWorkspaceDrive(present, index)) continue;
        PathBuffer path;
        FormatWorkspacePath(workspace, index, path);
        env.m_strTempDirectory = path;
        located = attempt(env.m_strTempDirectory.c_str());
        if (located) {
            env.m_strIniFile = SettingsFilePath(env.m_strTempDirectory);
        } else {
            env.m_strTempDirectory.clear();
        }
    }
    TraceWorkspace(env, tracePrefix);
    return located;
}

}  // namespace

// An entry of that name, of any kind, is the workspace.
bool CEnvironment::FindTempDirectory(Workspace workspace) {
    return LocateOnDrives(*this, workspace, "Find:tempDirectory=", [](LPCWSTR path) {
        WIN32_FIND_DATAW data;
        FindHandle probe(FindFirstFileW(path, &data));
        return probe.Valid();
    });
}

// A new workspace is private from the start: it is made with the workspace descriptor, which what
// it will hold inherits. Without that descriptor none is made.
bool CEnvironment::CreateTempDirectory(Workspace workspace) {
    LocalDescriptor descriptor;
    bool described = ConvertStringSecurityDescriptorToSecurityDescriptorW(kWorkspaceSecurity, SDDL_REVISION_1,
                                                                          descriptor.Receive(), nullptr) != FALSE;
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
    return LocateOnDrives(*this, workspace, "Create:tempDirectory=", [&](LPCWSTR path) {
        return described && CreateDirectoryW(path, &security) != FALSE;
    });
}
