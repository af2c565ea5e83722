// Locating the workspace: the folder "mvtemp" or "mvtempbk" in the root of the first present drive,
// other than C:, that is removable or fixed.
#include "base/workspace.h"

#include "base/environment.h"
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

bool IsWorkspaceDrive(DWORD presentDrives, int index) {
    if ((presentDrives & (DWORD(1) << index)) == 0 || index == L'C' - L'A') return false;
    WCHAR root[] = {static_cast<WCHAR>(L'A' + index), L':', L'\\', 0};
    UINT type = GetDriveTypeW(root);
    return type == DRIVE_REMOVABLE || type == DRIVE_FIXED;
}

void FormatWorkspacePath(Workspace workspace, int driveIndex, PathBuffer& path) {
    WCHAR root[] = {static_cast<WCHAR>(L'A' + driveIndex), L':', L'\\', 0};
    FormatPath(path, WorkspacePathFormat(workspace), root);
}

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
            env.m_strIniFile = env.m_strTempDirectory + L"\\Movendo.ini";
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
