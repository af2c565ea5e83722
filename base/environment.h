// The run context: the located workspace, the settings file in it and the trace line, with the
// operations that act on them. One object lives for the whole run and is handed by reference to
// every step; it is never copied.
#pragma once

#include <string>

#include "platform/platform.h"

// The two workspaces: "mvtemp" (primary) and "mvtempbk" (second).
enum class Workspace { Primary, Second };

class CEnvironment {
public:
    CEnvironment();
    virtual ~CEnvironment();
    CEnvironment(const CEnvironment&) = delete;
    CEnvironment& operator=(const CEnvironment&) = delete;

    // Workspace location (workspace.cpp).
    bool FindTempDirectory(Workspace workspace);
    bool CreateTempDirectory(Workspace workspace);

    // Registry values as records of the settings file (registry/value_records.cpp).
    bool SaveDwordValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName);
    bool RestoreDwordValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName);
    bool SaveStringValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName);
    bool RestoreStringValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName);

    // Whole keys below HKEY_LOCAL_MACHINE as hive files in the workspace (registry/key_snapshots.cpp).
    void SaveKeyToFile(LPCWSTR fileName, LPCWSTR subKey);
    void RestoreKeyFromFile(LPCWSTR fileName, LPCWSTR subKey);

    // Data folders and files between the system and the workspace (files/data_sets.cpp).
    void CopySuiteDataToWorkspace(LPCWSTR subPath);
    void CopySuiteDataFromWorkspace(LPCWSTR subPath);
    void CopyParlunetCommonDataToWorkspace(LPCWSTR subPath);
    void CopyParlunetCommonDataFromWorkspace(LPCWSTR subPath);
    void CopyParlunetLocalDataToWorkspace(LPCWSTR subPath);
    void CopyParlunetLocalDataFromWorkspace(LPCWSTR subPath);
    void CopyMvdMngIniToWorkspace();
    void CopyMvdMngIniFromWorkspace();

    // Removes a folder with everything below it (files/delete_tree.cpp).
    void DeleteDirectoryTree(LPCWSTR folder);

    // Creates the recording folders that the restored settings name (procedures/save_path_folders.cpp).
    void CreateSavePathFolders();

    std::wstring m_strTempDirectory;
    std::wstring m_strIniFile;
    char m_szLog[MAX_PATH];
    // Set when a record could not be written to the settings file of the current backup pass.
    bool m_bRecordWriteFailed = false;
    // Set when a carried item of the current restore pass did not land: a value read from the
    // settings file that could not be written, a hive file not loaded over its key, a saved file
    // not copied into place. Such a pass keeps its workspace.
    bool m_bRestoreIncomplete = false;
};
