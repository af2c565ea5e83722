// What a standard user can do to the suite's trees, which such a user may write, against the
// elevated copies: swap an entry for a junction or a second name of another file at any step the
// run takes there, plant second names and read-only files, own the files /set replaces. And what
// other programs do there: hold a destination open for a moment, keep a file behind a filter.
#include "app/movendo_app.h"
#include "base/links.h"
#include "files/stale_entries.h"
#include "files_fixture.h"
#include "platform/sim/security.h"
#include "platform/sim/token.h"

namespace {

// Files only administrators may read or change.
const std::wstring kSecret = L"C:\\Windows\\Secret";
constexpr DWORD kDedupTag = 0x80000013;  // IO_REPARSE_TAG_DEDUP: a file behind a filter

}  // namespace

class HeldPathsTest : public FilesTest {
protected:
    void Seed() {
        files().WriteFile(kSuite + L"\\Data\\a.dat", "suite a");
        files().MakeReparsePoint(kSuite + L"\\Data\\a.dat", kDedupTag);  // read through its filter
        files().WriteFile(kSuite + L"\\Data\\b.dat", "suite b", FILE_ATTRIBUTE_READONLY);
        files().MakeFolders(kSuite + L"\\Data\\Empty");
        for (auto name : {L"a.dat", L"b.dat", L"c.dat", L"x.mvpart"}) files().WriteFile(kSecret + L"\\" + name, "secret");
        files().Get(kSecret + L"\\x.mvpart")->attributes = FILE_ATTRIBUTE_READONLY;
        for (auto name : {L"a.dat", L"b.dat", L"Empty\\c.dat", L"Gone\\d.dat"}) {
            files().WriteFile(kWorkspace + L"\\MV\\Data\\" + name, "saved");
        }
    }
    std::vector<std::wstring> Secret() { return files().Listing(kSecret); }
    bool WorkspaceHoldsTheSecret() {
        for (const auto& line : files().Listing(kWorkspace)) {
            std::wstring path = line.substr(0, line.find(L'|'));
            if (!files().IsFolder(path) && files().ReadFile(path) == "secret") return true;
        }
        return false;
    }
};

// Each swap is tried at every step the copy reaches the entry, until the copy no longer reaches
// it that often: a folder held by the walk cannot be swapped (only an empty one re-pointed in
// place), and whatever was swapped is judged through its handle before it is read or written.
TEST_F(HeldPathsTest, ASwapAtAnyStepRedirectsNoReadWriteNorDeleteOfEitherCommand) {
    using Kind = sim::FileSystem::SwapKind;
    struct Swap {
        std::wstring entry, target;
        Kind kind;
    } swaps[] = {
        {kSuite + L"\\Data", kSecret, Kind::Link},
        {kSuite + L"\\Data\\Empty", kSecret, Kind::Link},
        {kSuite + L"\\Data\\a.dat", kSecret + L"\\a.dat", Kind::Link},
        {kSuite + L"\\Data\\a.dat", kSecret + L"\\a.dat", Kind::HardLink},
        {kSuite + L"\\Data\\b.dat", kSecret + L"\\b.dat", Kind::HardLink},
    };
    size_t swapped = 0;
    for (bool backup : {true, false}) {
        for (const Swap& swap : swaps) {
            for (int after = 0;; ++after) {
                for (const auto& tree : {kSuite, kWorkspace, kSecret}) files().Remove(tree);
                files().swapsOnOpen.clear();
                files().MakeFolders(kWorkspace);
                Seed();
                auto secret = Secret();
                files().SwapForLinkOnOpen(swap.entry, swap.target, after, swap.kind);
                RemoveSystemPartFiles();
                backup ? Backup() : Restore();
                SCOPED_TRACE(Narrow(swap.entry) + (backup ? " /get" : " /set") + " step " + std::to_string(after));
                EXPECT_EQ(Secret(), secret);
                EXPECT_FALSE(WorkspaceHoldsTheSecret());
                EXPECT_TRUE(machine->privilegedFileOperations.empty());
                if (!files().swapsOnOpen.empty()) break;  // the run never reached the entry that often
                swapped += files().Get(swap.entry) && (files().Get(swap.entry)->IsLink() || files().Get(swap.entry)->Links() > 1);
            }
        }
    }
    EXPECT_GT(swapped, 10u) << "the swaps happened";
}

TEST_F(HeldPathsTest, ReadOnlyAndOwnedFilesAreReplacedKeepingTheirRightsAndNoSecondNameIsUsed) {
    Seed();
    const std::wstring user = machine->token().user;
    files().Get(kSuite + L"\\Data\\b.dat")->security =
        std::make_shared<sim::Security>(sim::Security{user, {{0, 0, 0x1F01FF, user}}, false});
    files().MakeHardLink(kSuite + L"\\Data\\c.dat", kSecret + L"\\c.dat");
    files().MakeHardLink(kSuite + L"\\x.mvpart", kSecret + L"\\x.mvpart");
    files().WriteFile(kWorkspace + L"\\MV\\Data\\b.dat", "saved b", FILE_ATTRIBUTE_HIDDEN);
    auto secret = Secret();
    Backup();
    EXPECT_FALSE(files().Exists(kWorkspace + L"\\MV\\Data\\c.dat")) << "a second name is not read";
    EXPECT_EQ(files().ReadFile(kWorkspace + L"\\MV\\Data\\b.dat"), "suite b") << "a read-only copy is replaced";
    EXPECT_EQ(files().Get(kWorkspace + L"\\MV\\Data\\b.dat")->attributes, DWORD(FILE_ATTRIBUTE_READONLY));
    files().WriteFile(kWorkspace + L"\\MV\\Data\\b.dat", "saved b", FILE_ATTRIBUTE_HIDDEN);
    files().WriteFile(kWorkspace + L"\\MV\\Data\\c.dat", "saved");
    files().WriteFile(kWorkspace + L"\\MV\\Data\\Gone\\d.dat", "saved");
    RemoveSystemPartFiles();
    Restore();
    EXPECT_EQ(Secret(), secret) << "neither written through nor changed in its attributes";
    EXPECT_TRUE(env.m_bRestoreIncomplete) << "c.dat did not land";
    const sim::Node& replaced = *files().Get(kSuite + L"\\Data\\b.dat");
    EXPECT_EQ(files().ReadFile(kSuite + L"\\Data\\b.dat"), "saved b");
    EXPECT_EQ(replaced.attributes, DWORD(FILE_ATTRIBUTE_HIDDEN)) << "the source's attributes";
    ASSERT_TRUE(replaced.security);
    EXPECT_EQ(replaced.security->dacl.size(), 1u);
    EXPECT_EQ(replaced.security->dacl[0].sid, user) << "whoever could change it still can";
    ASSERT_TRUE(files().Exists(kSuite + L"\\Data\\Gone\\d.dat"));
    EXPECT_FALSE(files().Get(kSuite + L"\\Data\\Gone\\d.dat")->security) << "a new file takes its folder's rights";
}

// Where the platform offers it, a run follows no junction that a standard user made; elsewhere
// the run goes on under its own rules.
TEST_F(HeldPathsTest, ARunEnforcesRedirectionTrustWhereThePlatformOffersIt) {
    files().WriteFile(kSecret + L"\\a.dat", "secret");
    files().MakeFolders(L"C:\\ProgramData\\Tamrix");
    files().MakeLink(kSuite, kSecret)->madeByStandardUser = true;
    for (bool offered : {false, true}) {
        files().redirectionTrustOffered = offered;
        CMovendoApp app;
        app.m_lpCmdLine = L"/get";
        app.InitInstance();
        EXPECT_EQ(files().redirectionTrustEnforced, offered);
        EXPECT_TRUE(files().IsFolder(L"D:\\mvtempbk")) << "the run went on";
    }
    HANDLE through = CreateFileW((kSuite + L"\\a.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(through, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_UNTRUSTED_MOUNT_POINT));
}

// A program (a scanner, a concurrent check) holds the destination open: a copy waits for it, up to
// 3 s for one file and 30 s in one run, replacing at once where POSIX semantics allow it; a file
// behind a filter is carried with its content, in both directions.
TEST_F(HeldPathsTest, DestinationsHeldForAMomentAreReplacedAndFilesBehindFiltersCarryTheirContent) {
    struct Hold {
        DWORD share;
        uint64_t forMs;
        bool posix;
        bool lands;
        uint64_t waitedMs;  // the clock when the copies end
    } holds[] = {
        {0, 1500, true, true, 1500},
        {FILE_SHARE_READ | FILE_SHARE_WRITE, 1500, false, true, 1500},
        {kShareAll, 1500, false, true, 1500},
        {kShareAll, 60000, true, true, 0},
        {kShareAll, 60000, false, false, 3000},
        {0, 60000, true, false, 3000},
    };
    for (bool backup : {true, false}) {
        for (const Hold& hold : holds) {
            SCOPED_TRACE(std::string(backup ? "/get" : "/set") + " share " + std::to_string(hold.share) + " for " +
                         std::to_string(hold.forMs) + (hold.posix ? " posix" : ""));
            for (const auto& tree : {kSuite, kWorkspace}) files().Remove(tree);
            files().MakeFolders(kWorkspace);
            Seed();
            files().MakeReparsePoint(kWorkspace + L"\\MV\\Data\\a.dat", kDedupTag);
            std::wstring from = (backup ? kSuite : kWorkspace + L"\\MV") + L"\\Data\\a.dat";
            std::wstring to = (backup ? kWorkspace + L"\\MV" : kSuite) + L"\\Data\\a.dat";
            std::string carried = files().ReadFile(from), earlier = files().ReadFile(to);
            machine->clockMs = 0;
            files().posixRenameOffered = hold.posix;
            files().Get(to)->heldShare = hold.share;
            files().Get(to)->heldUntilMs = hold.forMs;
            env.m_bRestoreIncomplete = false;
            CEnvironment run;  // a run's time to wait starts whole
            RemoveSystemPartFiles();
            backup ? Backup() : Restore();
            EXPECT_EQ(files().ReadFile(to), hold.lands ? carried : earlier);
            EXPECT_EQ(env.m_bRestoreIncomplete, !backup && !hold.lands);
            EXPECT_EQ(machine->clockMs, hold.waitedMs);
        }
    }
    files().Get(kSuite + L"\\Data\\a.dat")->heldUntilMs = 0;
    for (int i = 0; i < 12; ++i) {
        files().WriteFile(kWorkspace + L"\\MV\\Data\\held" + std::to_wstring(i), "saved");
        files().WriteFile(kSuite + L"\\Data\\held" + std::to_wstring(i), "x")->inUse = true;
    }
    machine->clockMs = 0;
    CEnvironment run;
    Restore();
    EXPECT_EQ(machine->clockMs, 30000u) << "the run's time, not twelve files' time";
}
