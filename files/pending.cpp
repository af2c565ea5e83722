// PLACEHOLDER until the file transfer lands: remove this file when implementing it.
#include "app/environment.h"
#include "files/cleanup.h"
void CEnvironment::CopySuiteDataToWorkspace(LPCWSTR) {}
void CEnvironment::CopySuiteDataFromWorkspace(LPCWSTR) {}
void CEnvironment::CopyParlunetCommonDataToWorkspace(LPCWSTR) {}
void CEnvironment::CopyParlunetCommonDataFromWorkspace(LPCWSTR) {}
void CEnvironment::CopyParlunetLocalDataToWorkspace(LPCWSTR) {}
void CEnvironment::CopyParlunetLocalDataFromWorkspace(LPCWSTR) {}
void CEnvironment::CopyMvdMngIniToWorkspace() {}
void CEnvironment::CopyMvdMngIniFromWorkspace() {}
void CEnvironment::DeleteDirectoryTree(LPCWSTR) {}
void DeleteHddAndVideoFolderFiles() {}
