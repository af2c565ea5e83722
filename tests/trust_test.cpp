// Whom a workspace answers to, on the simulated machine: what /get makes is private, what someone
// else owns or others can write is not read by /set, /get secures a writable one and refuses a
// foreign one, and a lock name that another user took first stops no run.
#include "app/command.h"
#include "app/movendo_app.h"
#include "base/run_lock.h"
#include "base/trust.h"
#include "check/check.h"
#include "check_json.h"
#include "installation.h"
#include "platform/sim/registry.h"
#include "platform/sim/security.h"
#include "platform/sim/token.h"
#include "sim_fixture.h"

namespace {

const sim::Security kForeign{L"S-1-5-21-9-9-9-2000", {{0, 3, 0x1F01FF, L"S-1-5-21-9-9-9-2000"}}, true};
const sim::Security kPrivate{sim::kAdministratorsSid, {{0, 3, 0x1F01FF, sim::kSystemSid}, {0, 3, 0x1F01FF, sim::kAdministratorsSid}}, true};

}  // namespace

class TrustTest : public SimTest {
protected:
    void SetUp() override {
        drives().Add(L'D', DRIVE_FIXED);
        files().Root(L'D')->security = std::make_shared<sim::Security>(sim::FormattedDriveRoot());
    }
    void Secure(const std::wstring& path, const sim::Security& security) {
        files().Get(path)->security = std::make_shared<sim::Security>(security);
    }
    bool IsPrivate(const std::wstring& path) {
        sim::Security now = sim::EffectiveSecurity(*files().Get(path));
        return now.owner == kPrivate.owner && now.protectedDacl && now.dacl.size() == 2 && now.dacl[0].sid == sim::kSystemSid &&
               now.dacl[1].sid == sim::kAdministratorsSid;
    }
    WorkspaceTrust Judge(const std::wstring& path) { return JudgeWorkspaceTrust(path.c_str()); }
};

TEST_F(TrustTest, AWorkspaceThatGetMadeIsPrivateFromItsCreation) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    ASSERT_TRUE(CreateDirectoryW(L"D:\\plain", nullptr));
    EXPECT_EQ(Judge(L"D:\\plain"), WorkspaceTrust::OthersCanWrite) << "the drive root lets Authenticated Users modify";
    RunCommand(L"/get");
    for (auto path : {L"D:\\mvtemp", L"D:\\mvtempbk", L"D:\\mvtemp\\Movendo.ini", L"D:\\mvtemp\\MV"}) {
        EXPECT_TRUE(IsPrivate(path)) << Narrow(path);
        EXPECT_EQ(Judge(path), WorkspaceTrust::Trusted) << Narrow(path);
    }
    for (const auto& call : machine->calls()) EXPECT_EQ(call.find(L"SetKernelObjectSecurity"), std::wstring::npos);
    EXPECT_TRUE(machine->localMemory.empty()) << "every descriptor is freed";
}

// Written by hand, owned by another user or writable by others: /set changes nothing at all.
TEST_F(TrustTest, SetNeitherReadsNorDeletesAnUntrustedWorkspace) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    RunCommand(L"/get");
    Secure(L"D:\\mvtemp", kForeign);
    Secure(L"D:\\mvtempbk", sim::FormattedDriveRoot());
    EXPECT_EQ(Judge(L"D:\\mvtemp"), WorkspaceTrust::ForeignOwner);
    EXPECT_EQ(Judge(L"D:\\mvtempbk"), WorkspaceTrust::OthersCanWrite);
    files().WriteFile(L"D:\\mvtemp\\MV\\evil.dll", "x");
    machine->registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", L"D:\\Made");
    auto registryBefore = machine->registry().Listing();
    auto filesBefore = files().Listing(L"C:\\"), workspacesBefore = files().Listing(L"D:\\");
    NJson check = ParseOutput(RunCheck(ParseCheckArguments({L"/preview", L"/json"})).output);
    EXPECT_EQ(check.at("exitCode"), kCheckIssues);
    EXPECT_NE(check.at("workspaces").at("mvtemp").at("problems").dump().find("/set will neither read nor delete it"), std::string::npos);
    EXPECT_EQ(check.at("workspaces").at("mvtemp").at("trust"), "its owner is someone else");
    EXPECT_EQ(check.at("workspaces").at("mvtempbk").at("trust"), "others can change it");
    EXPECT_TRUE(check.at("plan").at("values").empty() && check.at("plan").at("files").empty()) << "MovendoCheck plans what /set does";
    machine->ClearCalls();
    RunCommand(L"/set");
    EXPECT_EQ(machine->registry().Listing(), registryBefore);
    EXPECT_EQ(files().Listing(L"C:\\"), filesBefore);
    EXPECT_EQ(files().Listing(L"D:\\"), workspacesBefore);
}

// The second workspace belongs to someone else: that pass changes nothing. The primary one others
// could write, a folder in it with an ACE of its own: it is secured whole, then used.
TEST_F(TrustTest, GetSecuresAWritableWorkspaceWholeAndLeavesAForeignOneAlone) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    files().MakeFolders(kSuite + L"\\Old");  // a folder the backup keeps, with an ACE of its own
    files().MakeFolders(L"D:\\mvtemp\\MV\\Old");
    Secure(L"D:\\mvtemp\\MV\\Old", sim::Security{sim::kAdministratorsSid, {{0, 0, 0x1301BF, sim::kUsersSid}}, true});
    files().MakeLink(L"D:\\mvtemp\\Elsewhere", kSuite);
    files().MakeFolders(L"D:\\mvtemp\\Swapped");
    files().SwapForLinkOnOpen(L"D:\\mvtemp\\Swapped", kSuite);  // after the walk listed it
    files().MakeHardLink(L"D:\\mvtemp\\Setting.xml", kSuite + L"\\Setting.xml");  // a second name of a suite file
    files().MakeFolders(L"D:\\mvtempbk");
    Secure(L"D:\\mvtempbk", kForeign);
    RunCommand(L"/get");
    EXPECT_EQ(files().Listing(L"D:\\mvtempbk").size(), 1u) << "nothing is written into a foreign workspace";
    for (auto path : {L"D:\\mvtemp", L"D:\\mvtemp\\MV", L"D:\\mvtemp\\MV\\Old", L"D:\\mvtemp\\Movendo.ini"}) {
        EXPECT_TRUE(IsPrivate(path)) << Narrow(path);
    }
    for (auto link : {L"D:\\mvtemp\\Elsewhere", L"D:\\mvtemp\\Swapped"}) EXPECT_FALSE(files().Get(link)->security) << "a link is not changed";
    for (const auto& entry : files().Get(kSuite)->children) EXPECT_FALSE(entry->security) << "nor what it points to";
}

TEST_F(TrustTest, ADriveWithoutPermissionsHasNoRuleAndTheOwnerTrustedIsTheRunningUsersToo) {
    files().MakeFolders(L"D:\\mvtemp");
    Secure(L"D:\\mvtemp", kForeign);
    drives()[L'D'].keepsPermissions = false;
    EXPECT_EQ(Judge(L"D:\\mvtemp"), WorkspaceTrust::NoPermissions);
    drives()[L'D'].keepsPermissions = true;
    std::wstring user = machine->token().user;
    Secure(L"D:\\mvtemp", sim::Security{user, {{0, 0, 0x1F01FF, user}, {1, 0, 0x1F01FF, sim::kUsersSid}}, false});
    EXPECT_EQ(Judge(L"D:\\mvtemp"), WorkspaceTrust::Trusted) << "a denial grants nothing";
    EXPECT_EQ(Judge(L"D:\\missing"), WorkspaceTrust::Unreadable);
}

// A standard user's process, of any account (the running one's too), owns a mutex of the lock's
// name: no run ends for it, and MovendoCheck takes it for no run in progress.
TEST_F(TrustTest, ALockNameThatAnotherUserTookFirstStopsNoRun) {
    for (const std::wstring& owner : {std::wstring(sim::kUsersSid), machine->token().user}) {
        machine->HoldMutexElsewhere(kRunMutexName, owner);
        CMovendoApp app;
        app.m_lpCmdLine = L"/get";
        app.InitInstance();
        EXPECT_TRUE(files().IsFolder(L"D:\\mvtemp"));
        EXPECT_FALSE(RunLockHeld());
        files().Remove(L"D:\\mvtemp");
        machine->namedObjects.clear(), machine->mutexOwners.clear();
    }
    EXPECT_TRUE(machine->localMemory.empty());
}
