// PLACEHOLDER until the registry transfer lands: remove this file when implementing it.
#include "app/environment.h"
bool CEnvironment::SaveDwordValue(HKEY, LPCWSTR, LPCWSTR) { return false; }
bool CEnvironment::RestoreDwordValue(HKEY, LPCWSTR, LPCWSTR) { return false; }
bool CEnvironment::SaveStringValue(HKEY, LPCWSTR, LPCWSTR) { return false; }
bool CEnvironment::RestoreStringValue(HKEY, LPCWSTR, LPCWSTR) { return false; }
void CEnvironment::SaveKeyToFile(LPCWSTR, LPCWSTR) {}
void CEnvironment::RestoreKeyFromFile(LPCWSTR, LPCWSTR) {}
