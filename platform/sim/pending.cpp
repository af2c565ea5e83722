// PLACEHOLDER: the simulated registry, profile files, token, processes, windows, services and the
// copy/delete operations arrive with their facilities; each facility removes its lines here.
#include "win_api.h"
#include "machine.h"
LONG RegOpenKeyExW(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY result) { if (result) *result = nullptr; return ERROR_FILE_NOT_FOUND; }
LONG RegQueryValueExW(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) { return ERROR_FILE_NOT_FOUND; }
LONG RegCloseKey(HKEY) { return ERROR_SUCCESS; }
