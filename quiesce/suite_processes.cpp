// The process step: every running process of one of the suite's executable names is terminated.
#include <cstring>

#include "base/path_buffer.h"
#include "platform/handles.h"
#include "quiesce/process_termination.h"
#include "quiesce/stop_sequence.h"
#include "quiesce/suite_tables.h"

namespace {

// The name in the narrow character set of the current locale, cut to the buffer when longer;
// empty when one of its characters has no representation there.
void NarrowName(const WCHAR* wide, char (&narrow)[MAX_PATH]) {
    size_t converted = 0;
    errno_t result = wcstombs_s(&converted, narrow, sizeof narrow, wide, _TRUNCATE);
    if (result != 0 && result != STRUNCATE) narrow[0] = 0;
}

// One entry of the snapshot: its name lowercased and made narrow, traced, and compared whole.
void InspectProcess(CEnvironment& env, PROCESSENTRY32W& entry) {
    entry.szExeFile[MAX_PATH - 1] = 0;
    CharLowerW(entry.szExeFile);
    char name[MAX_PATH];
    NarrowName(entry.szExeFile, name);
    char suffix[32];
    sprintf_s(suffix, sizeof suffix, ", PID=%d\r\n", static_cast<int>(entry.th32ProcessID));
    WriteTraceLine(env.m_szLog, "szExeFile=", name, suffix);
    TerminateIfSuiteProcess(name, entry.th32ProcessID);
}

}  // namespace

void TerminateSuiteProcesses(CEnvironment& env) {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(PROCESSENTRY32W);
    if (!Process32FirstW(snapshot.Get(), &entry)) return;
    // From here on, for the rest of the run, narrow text is that of the Japanese locale.
    setlocale(LC_ALL, "japanese");
    do {
        InspectProcess(env, entry);
    } while (Process32NextW(snapshot.Get(), &entry));
}

void TerminateIfSuiteProcess(const char* name, DWORD processId) {
    for (const char* suiteName : kSuiteProcessNames) {
        if (std::strcmp(name, suiteName) == 0) {
            TerminateAndWait(processId);
            return;
        }
    }
}
