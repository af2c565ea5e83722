#include "installation.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/sim/filesystem.h"
#include "platform/sim/registry.h"

namespace {

const wchar_t kSuiteData[] = L"C:\\ProgramData\\Tamrix\\Mirovane";
const wchar_t kCommonData[] = L"C:\\ProgramData\\Tamrix\\Parlunet";

}  // namespace

void SeedInstallation(sim::Machine&, const SuiteShape& shape) {
    std::wstring failure;
    ASSERT_TRUE(InstallSuite(shape, failure)) << std::string(failure.begin(), failure.end());
}

void Reinstall(sim::Machine& machine) {
    sim::Registry& registry = machine.registry();
    registry.DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix");
    registry.DeleteTree(HKEY_CURRENT_USER, L"SOFTWARE\\Tamrix");
    registry.DeleteTree(HKEY_USERS, L".Default\\SOFTWARE\\Tamrix");
    sim::FileSystem& files = machine.files();
    for (auto folder : {kSuiteData, kCommonData, L"C:\\Users\\user\\AppData\\Local\\Tamrix", L"C:\\MvdMng.ini"}) {
        files.Remove(folder);
    }
    std::wstring failure;
    ASSERT_TRUE(InstallFreshSuite(failure)) << std::string(failure.begin(), failure.end());
}

std::vector<std::wstring> SuiteRegistryListing(sim::Machine& machine) {
    // Key names are compared without regard to case, as the registry compares them: a restore
    // creates "Software\Tamrix" where the installer wrote "SOFTWARE\Tamrix".
    std::vector<std::wstring> lines;
    for (const auto& line : machine.registry().Listing()) {
        if (line.find(L"\\Tamrix") != std::wstring::npos) lines.push_back(sim::Upper(line));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}
