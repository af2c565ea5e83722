// The simulated registry, hive files and token where they go beyond what the contract tests can
// state on the real platform: refusing keys, deleted keys, damaged hive files, the token's state.
#include <string>
#include <vector>

#include "registry_fixture.h"

class SimRegistryTest : public RegistryTest {
protected:
    HKEY Open(const wchar_t* path, REGSAM access) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, &key), ERROR_SUCCESS) << path;
        return key;
    }
    void EnableBackupAndRestore() {
        token().Enable(SE_BACKUP_NAME, true);
        token().Enable(SE_RESTORE_NAME, true);
    }
};

TEST_F(SimRegistryTest, NamesAreComparedWithoutRegardToCaseAndKeepTheirCase) {
    registry().SetDword(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix", L"Area", 1);
    registry().SetDword(HKEY_LOCAL_MACHINE, L"software\\TAMRIX", L"AREA", 2);
    EXPECT_EQ(registry().Listing(), (std::vector<std::wstring>{
                                        L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE",
                                        L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix",
                                        L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix|Area|4|02000000", L"HKEY_USERS"}));
}

TEST_F(SimRegistryTest, RefusingKeyCannotBeOpenedNorGetKeysCreatedBelowIt) {
    registry().MakeKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Locked\\Inside");
    registry().Restrict(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Locked");
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Locked", 0, KEY_QUERY_VALUE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Locked\\New", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_FALSE(registry().HasKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Locked\\New"));
    key = Open(L"SOFTWARE\\Locked\\Inside", KEY_READ);  // reaching a key below is not opening the one above
    RegCloseKey(key);
}

TEST_F(SimRegistryTest, HandleToADeletedKeyReportsItDeleted) {
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S\\Sub", L"N", 1);
    HKEY key = Open(L"S\\Sub", KEY_ALL_ACCESS);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"S");
    DWORD size = 4;
    BYTE data[4];
    EXPECT_EQ(RegQueryValueExW(key, L"N", nullptr, nullptr, data, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(key, L"N", 0, REG_DWORD, data, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(SimRegistryTest, EveryCutOfAHiveFileIsRefusedAndLeavesTheKeyUnchanged) {
    EnableBackupAndRestore();
    registry().SetString(HKEY_LOCAL_MACHINE, L"S\\A", L"T", L"text");
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S\\B\\C", L"N", 7);
    HKEY key = Open(L"S", KEY_ALL_ACCESS);
    ASSERT_EQ(RegSaveKeyW(key, L"D:\\mvtemp\\s.dat", nullptr), ERROR_SUCCESS);
    std::string hive = files().ReadFile(L"D:\\mvtemp\\s.dat");
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S", L"Changed", 1);
    std::vector<std::wstring> changed = registry().Listing();
    for (size_t length = 0; length < hive.size(); ++length) {
        files().WriteFile(L"D:\\mvtemp\\cut.dat", hive.substr(0, length));
        EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\cut.dat", REG_FORCE_RESTORE), ERROR_REGISTRY_CORRUPT) << length;
    }
    files().WriteFile(L"D:\\mvtemp\\long.dat", hive + "x");
    EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\long.dat", REG_FORCE_RESTORE), ERROR_REGISTRY_CORRUPT);
    std::string huge = hive;
    huge[8] = '\xFF';  // the value count of the top key
    huge[11] = '\x7F';
    files().WriteFile(L"D:\\mvtemp\\huge.dat", huge);
    EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\huge.dat", REG_FORCE_RESTORE), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(registry().Listing(), changed);
    EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\s.dat", REG_FORCE_RESTORE), ERROR_SUCCESS);
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, L"S", L"Changed"), nullptr);
    RegCloseKey(key);
}

TEST_F(SimRegistryTest, RestoreWithoutForceIsRefusedWhileASubkeyIsOpenAndOldSubkeysAreDeleted) {
    EnableBackupAndRestore();
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S\\Sub", L"N", 1);
    HKEY key = Open(L"S", KEY_ALL_ACCESS);
    ASSERT_EQ(RegSaveKeyW(key, L"D:\\mvtemp\\s.dat", nullptr), ERROR_SUCCESS);
    HKEY sub = Open(L"S\\Sub", KEY_READ);
    EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\s.dat", 0), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\s.dat", REG_FORCE_RESTORE), ERROR_SUCCESS);
    DWORD size = 4;
    BYTE data[4];
    EXPECT_EQ(RegQueryValueExW(sub, L"N", nullptr, nullptr, data, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExW(key, L"N", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND) << "the key itself stays";
    RegCloseKey(sub);
    EXPECT_EQ(RegRestoreKeyW(key, L"D:\\mvtemp\\s.dat", 0), ERROR_SUCCESS) << "no subkey open any more";
    RegCloseKey(key);
}

TEST_F(SimRegistryTest, HiveSaveFailsOnAWholeRootAWriteProtectedDriveAndAFullDisk) {
    EnableBackupAndRestore();
    EXPECT_EQ(RegSaveKeyW(HKEY_LOCAL_MACHINE, L"D:\\mvtemp\\root.dat", nullptr), ERROR_ACCESS_DENIED);
    registry().SetValue(HKEY_LOCAL_MACHINE, L"S", L"Big", REG_BINARY, std::vector<uint8_t>(100));
    HKEY key = Open(L"S", KEY_READ);
    drives()[L'D'].freeBytes = 50;
    EXPECT_EQ(RegSaveKeyW(key, L"D:\\mvtemp\\s.dat", nullptr), ERROR_DISK_FULL);
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\s.dat"), "") << "made, then left empty";
    drives()[L'D'].writeProtected = true;
    EXPECT_EQ(RegSaveKeyW(key, L"D:\\mvtemp\\t.dat", nullptr), ERROR_WRITE_PROTECT);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp\\t.dat"));
    RegCloseKey(key);
}

TEST_F(SimRegistryTest, TokenThatDoesNotHoldAPrivilegeCannotEnableIt) {
    token().Hold(SE_BACKUP_NAME, false);
    HANDLE handle = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &handle));
    struct {
        TOKEN_PRIVILEGES set;
        LUID_AND_ATTRIBUTES more;
    } wanted = {}, previous = {};
    wanted.set.PrivilegeCount = 2;
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.set.Privileges[0].Luid));
    wanted.set.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &wanted.more.Luid));
    wanted.more.Attributes = SE_PRIVILEGE_ENABLED;
    DWORD length = 0;
    EXPECT_TRUE(AdjustTokenPrivileges(handle, FALSE, &wanted.set, sizeof previous, &previous.set, &length));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ALL_ASSIGNED));
    EXPECT_FALSE(token().Enabled(SE_BACKUP_NAME));
    EXPECT_TRUE(token().Enabled(SE_RESTORE_NAME)) << "the held one is enabled all the same";
    EXPECT_EQ(previous.set.PrivilegeCount, 1u);
    EXPECT_EQ(previous.set.Privileges[0].Attributes, 0u) << "restore was disabled before";

    EXPECT_TRUE(AdjustTokenPrivileges(handle, TRUE, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(token().Enabled(SE_RESTORE_NAME));
    EXPECT_FALSE(token().Enabled(L"SeChangeNotifyPrivilege"));
    CloseHandle(handle);
}

TEST_F(SimRegistryTest, TokenOpenedWithoutAdjustRightCannotBeAdjusted) {
    HANDLE handle = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &handle));
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.Privileges[0].Luid);
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    EXPECT_FALSE(AdjustTokenPrivileges(handle, FALSE, &wanted, sizeof wanted, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(token().Enabled(SE_BACKUP_NAME));
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_FALSE(AdjustTokenPrivileges(handle, FALSE, &wanted, sizeof wanted, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}
