#include "contract.h"

#include <cstdint>
#include <cwchar>

#ifndef _WIN32
#include "platform/sim/processes.h"
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
