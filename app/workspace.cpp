// Locating the workspace: the folder "mvtemp" or "mvtempbk" in the root of the first present drive,
// other than C:, that is removable or fixed.
#include "app/workspace.h"

#include "app/environment.h"
#include "app/path_buffer.h"

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

bool CEnvironment::FindTempDirectory(Workspace workspace) {
    m_strTempDirectory.clear();
    bool found = false;
    DWORD present = GetLogicalDrives();
    for (int index = 0; index < 26 && !found; ++index) {
        if (!IsWorkspaceDrive(present, index)) continue;
        PathBuffer path;
        FormatWorkspacePath(workspace, index, path);
        m_strTempDirectory = path;
        WIN32_FIND_DATAW data;
        HANDLE probe = FindFirstFileW(m_strTempDirectory.c_str(), &data);
        if (probe != INVALID_HANDLE_VALUE) {
            FindClose(probe);
            m_strIniFile = m_strTempDirectory + L"\\Movendo.ini";
            found = true;
        } else {
            m_strTempDirectory.clear();
        }
    }
    TraceWorkspace(*this, "Find:tempDirectory=");
    return found;
}

bool CEnvironment::CreateTempDirectory(Workspace workspace) {
    m_strTempDirectory.clear();
    bool created = false;
    DWORD present = GetLogicalDrives();
    for (int index = 0; index < 26 && !created; ++index) {
        if (!IsWorkspaceDrive(present, index)) continue;
        PathBuffer path;
        FormatWorkspacePath(workspace, index, path);
        m_strTempDirectory = path;
        if (CreateDirectoryW(m_strTempDirectory.c_str(), nullptr)) {
            m_strIniFile = m_strTempDirectory + L"\\Movendo.ini";
            created = true;
        } else {
            m_strTempDirectory.clear();
        }
    }
    TraceWorkspace(*this, "Create:tempDirectory=");
    return created;
}
