#include "contract.h"

#include <cstdint>
#include <cwchar>

#ifndef _WIN32
#include "platform/sim/processes.h"
#include "platform/sim/services.h"
#endif

namespace {

// The identifier and file name of the running test program; the simulated machine lists it
// only when seeded.
DWORD SelfId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return sim::Machine::Current().processes().Add(4242, L"contract_tests.exe").id;
#endif
}

const wchar_t kSlowService[] = L"MovendoContractSlowStop";

// A service that stops as the sample of "Writing a Control Handler Function" does, taking 3 s:
// under Wine the rig's stand-in service, installed and started so; on the simulated machine, one
// of that shape. Null when it cannot be had.
SC_HANDLE StartSlowService(SC_HANDLE manager) {
#ifdef _WIN32
    SC_HANDLE service = OpenServiceW(manager, kSlowService, SERVICE_ALL_ACCESS);
    if (service == nullptr) {
        service = CreateServiceW(manager, kSlowService, kSlowService, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, L"C:\\rig\\standin_service.exe", nullptr, nullptr,
                                 nullptr, nullptr, nullptr);
    }
    LPCWSTR arguments[] = {L"3000"};
    if (service == nullptr || !StartServiceW(service, 1, arguments)) return service;
    SERVICE_STATUS status = {};
    for (int i = 0; i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING; ++i) Sleep(100);
    return service;
#else
    sim::Service& service = sim::Machine::Current().services().Add(kSlowService);
    service.stopMs = 3000;
    return OpenServiceW(manager, kSlowService, SERVICE_ALL_ACCESS);
#endif
}

}  // namespace

TEST_F(ContractTest, SnapshotListsTheRunningProgramByFileNameAndEndsWithNoMoreFiles) {
    DWORD self = SelfId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(PROCESSENTRY32W) - sizeof(WCHAR);
    EXPECT_FALSE(Process32FirstW(snapshot, &entry)) << "an entry of the wrong size";
    entry.dwSize = sizeof(PROCESSENTRY32W);
    ASSERT_TRUE(Process32FirstW(snapshot, &entry));
    int found = 0, count = 0;
    do {
        ++count;
        if (entry.th32ProcessID == self) {
            ++found;
            EXPECT_EQ(_wcsicmp(entry.szExeFile, L"contract_tests.exe"), 0) << "no path in the name";
        }
    } while (Process32NextW(snapshot, &entry));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_EQ(found, 1);
    ASSERT_TRUE(Process32FirstW(snapshot, &entry)) << "the first entry starts the list again";
    int again = 1;
    while (Process32NextW(snapshot, &entry)) ++again;
    EXPECT_EQ(again, count);
    EXPECT_TRUE(CloseHandle(snapshot));
    EXPECT_FALSE(Process32FirstW(snapshot, &entry)) << "a closed snapshot";
}

TEST_F(ContractTest, OpenProcessOfNoProcessFailsWithInvalidParameter) {
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, 0x7FFFFFF0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(ContractTest, OpenedProcessThatRunsTimesOutAWait) {
    HANDLE self = OpenProcess(SYNCHRONIZE, FALSE, SelfId());
    ASSERT_NE(self, nullptr) << GetLastError();
    DWORD before = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(self, 100), DWORD(WAIT_TIMEOUT));
    EXPECT_GE(GetTickCount() - before, 80u);
    EXPECT_EQ(WaitForSingleObject(GetCurrentProcess(), 0), DWORD(WAIT_TIMEOUT));
    EXPECT_EQ(TerminateProcess(self, 0), FALSE) << "no right to terminate";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(self));
}

TEST_F(ContractTest, WindowSearchForAnUnknownTitleFindsNothing) {
    EXPECT_EQ(FindWindowW(nullptr, L"Movendo contract: no such window"), nullptr);
    EXPECT_EQ(FindWindowW(L"Movendo contract: no such class", nullptr), nullptr);
    DWORD processId = 77;
    EXPECT_EQ(GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FF0)), &processId), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(ContractTest, ServiceManagerOpensForConnectAndMissingServiceIsReported) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(manager, nullptr) << GetLastError();
    EXPECT_EQ(OpenServiceW(manager, L"MovendoContractNoSuchService", SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_TRUE(CloseServiceHandle(manager));
    EXPECT_FALSE(CloseServiceHandle(manager));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// The stop control is answered by one report of a pending stop, and the status stays as the
// service reported it (checkpoint and wait hint included) until it reports again, stopped.
TEST_F(ContractTest, AServiceStaysStopPendingAsItReportedUntilItReportsStopped) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    ASSERT_NE(manager, nullptr) << GetLastError();
    SC_HANDLE service = StartSlowService(manager);
    ASSERT_NE(service, nullptr) << GetLastError();
    SERVICE_STATUS status = {};
    DWORD controlled = GetTickCount();
    ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
    for (int look = 0; look < 2; ++look) {
        EXPECT_EQ(status.dwCurrentState, DWORD(SERVICE_STOP_PENDING));
        EXPECT_EQ(status.dwCheckPoint, 1u);
        EXPECT_EQ(status.dwWaitHint, 0u);
        Sleep(1000);
        ASSERT_TRUE(QueryServiceStatus(service, &status));
    }
    while (status.dwCurrentState == SERVICE_STOP_PENDING && GetTickCount() - controlled < 10000) {
        Sleep(100);
        ASSERT_TRUE(QueryServiceStatus(service, &status));
    }
    EXPECT_EQ(status.dwCurrentState, DWORD(SERVICE_STOPPED));
    EXPECT_GE(GetTickCount() - controlled, 2900u);
    EXPECT_EQ(status.dwCheckPoint, 0u);
    EXPECT_TRUE(CloseServiceHandle(service));
    EXPECT_TRUE(CloseServiceHandle(manager));
}
