// The Windows operations of the simulated machine: the same names and shapes as the real API.
// Each facility is implemented in its own file of this folder over the machine that a test
// has installed (see machine.h).
#pragma once

#include "win_types.h"

// Last error (machine.cpp).
DWORD GetLastError();
void SetLastError(DWORD code);
BOOL CloseHandle(HANDLE handle);
HANDLE GetCurrentProcess();

// Named kernel objects and the process error mode (sim_kernel_objects.cpp).
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCWSTR name);
// sim_mutex_open.cpp
HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name);
UINT SetErrorMode(UINT mode);
BOOL ReleaseMutex(HANDLE mutex);

// Process policies looked up at run time (sim_process_policy.cpp).
HMODULE GetModuleHandleW(LPCWSTR name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL SetProcessMitigationPolicy(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T size);

// Drives (sim_drives.cpp).
DWORD GetLogicalDrives();
UINT GetDriveTypeW(LPCWSTR root);

// Files and folders (sim_files.cpp).
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
BOOL DeleteFileW(LPCWSTR path);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD size);
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD size);
// Files judged and renamed through their handles (sim_file_handles.cpp).
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD count, DWORD flags);
NTSTATUS NtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG size, FILE_INFORMATION_CLASS infoClass);
BOOL GetVolumeInformationW(LPCWSTR root, LPWSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                           DWORD fileSystemNameSize);

// Security descriptors of files and named objects, and the identifiers in them (sim_security.cpp).
BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision, PSECURITY_DESCRIPTOR* descriptor,
                                                          ULONG* size);
HLOCAL LocalFree(HLOCAL memory);
DWORD GetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID* owner, PSID* group,
                      PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor);
BOOL SetKernelObjectSecurity(HANDLE handle, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR descriptor);
BOOL GetAce(PACL acl, DWORD index, LPVOID* ace);
BOOL IsWellKnownSid(PSID sid, WELL_KNOWN_SID_TYPE type);
BOOL EqualSid(PSID first, PSID second);
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size, PDWORD needed);

// Accounts and the interactive session (sim_session.cpp).
BOOL LookupAccountSidW(LPCWSTR systemName, PSID sid, LPWSTR name, LPDWORD nameCount, LPWSTR domain, LPDWORD domainCount,
                       PSID_NAME_USE use);
DWORD WTSGetActiveConsoleSessionId();
DWORD GetCurrentProcessId();
BOOL ProcessIdToSessionId(DWORD processId, DWORD* session);
BOOL WTSQuerySessionInformationW(HANDLE server, DWORD session, WTS_INFO_CLASS infoClass, LPWSTR* buffer, LPDWORD bytes);
void WTSFreeMemory(LPVOID memory);

// The standard output and the console (sim_console.cpp).
HANDLE GetStdHandle(DWORD which);
DWORD GetFileType(HANDLE file);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL WriteConsoleW(HANDLE console, const void* text, DWORD count, LPDWORD written, LPVOID reserved);

// Known folders (sim_known_folders.cpp).
HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);

// Registry (sim_registry.cpp).
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                     REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
LONG RegCloseKey(HKEY key);
// sim_registry_enum.cpp
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameCount, LPDWORD reserved, LPWSTR keyClass,
                   LPDWORD classCount, FILETIME* lastWrite);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameCount, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize);

// Registry keys as files (sim_hive.cpp).
LONG RegSaveKeyW(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES security);
LONG RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD flags);

// Privileges (sim_token.cpp).
BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token);
BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                           PTOKEN_PRIVILEGES previousState, PDWORD returnLength);

// Profile files (sim_profile.cpp).
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR text, LPCWSTR file);
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file);
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText, LPWSTR buffer,
                               DWORD size, LPCWSTR file);

// Windows and processes (sim_processes.cpp, sim_windows.cpp).
HWND FindWindowW(LPCWSTR className, LPCWSTR title);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry);
BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry);
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// Services (sim_services.cpp).
SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access);
SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR name, DWORD access);
BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);
BOOL CloseServiceHandle(SC_HANDLE handle);

// Text (sim_text.cpp). setlocale is the C library's name: the simulated one is reached through a
// macro so that it does not replace the host's own for the rest of the process.
LPWSTR CharLowerW(LPWSTR text);
char* sim_setlocale(int category, const char* locale);
#define setlocale(category, locale) sim_setlocale(category, locale)
errno_t wcstombs_s(size_t* converted, char* dest, size_t destBytes, const wchar_t* src, size_t count);
int sprintf_s(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int swprintf_s(wchar_t* buffer, size_t size, const wchar_t* format, ...);
errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix);
int _wcsicmp(const wchar_t* a, const wchar_t* b);

// UTF-8 conversions of the code page CP_UTF8 (sim_utf8.cpp).
#define CP_UTF8 65001
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, char* narrow, int narrowBytes,
                        const char* defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* narrow, int narrowBytes, LPWSTR wide, int wideCount);
