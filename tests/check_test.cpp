// The inspector on the simulated machine: complete and incomplete backups, differences between the
// two workspaces, the restore preview, unsafe links, bad input, and that it changes nothing.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "app/command.h"
#include "check/check.h"
#include "check_json.h"
#include "check/facts/restore_replay.h"
#include "check/facts/settings_scan.h"
#include "check/usage/usage_text.h"
#include "installation.h"
#include "platform/sim/registry.h"
#include "platform/sim/token.h"
#include "sim_fixture.h"

namespace {

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

}  // namespace

class InspectorTest : public SimTest {
protected:
    void SetUp() override { drives().Add(L'D', DRIVE_FIXED); }
    CheckResult Check(std::vector<std::wstring> arguments = {}) { return RunCheck(ParseCheckArguments(arguments)); }
    void Backup() {
        ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
        RunCommand(L"/get");
    }
    // The whole machine as the inspector must leave it.
    std::vector<std::wstring> State() {
        std::vector<std::wstring> state = machine->registry().Listing();
        for (auto root : {L"C:\\", L"D:\\"}) {
            auto listing = files().Listing(root);
            state.insert(state.end(), listing.begin(), listing.end());
        }
        return state;
    }
};

TEST_F(InspectorTest, CompleteBackupIsReportedCompleteAndIdentical) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_TRUE(Contains(result.output, L"mvtemp: D:\\mvtemp (folder)"));
    EXPECT_TRUE(Contains(result.output, L"hive files: 7/7 whole"));
    EXPECT_TRUE(Contains(result.output, L"settings file Movendo.ini: UTF-16LE"));
    EXPECT_TRUE(Contains(result.output, L"C14 24/24"));
    EXPECT_TRUE(Contains(result.output, L"DispMY3: skipped")) << "the third list of the installation has no num";
    EXPECT_TRUE(Contains(result.output, L"DefEpgOrderDG: 40 pairs"));
    EXPECT_TRUE(Contains(result.output, L"Differences between mvtemp and mvtempbk: none"));
    EXPECT_TRUE(Contains(result.output, L"Summary: both workspaces complete and identical (exit 0)"));
}

TEST_F(InspectorTest, MissingPartsAreReportedWithExitOne) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    files().Remove(L"D:\\mvtemp\\Movendo.ini");
    files().Remove(L"D:\\mvtempbk\\Rondisc3.dat");
    files().Remove(L"D:\\mvtempbk\\MV\\Data\\Old\\Epg.bin");
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"problem: settings file Movendo.ini missing"));
    EXPECT_TRUE(Contains(result.output, L"note: hive file Rondisc3.dat missing"));
    EXPECT_TRUE(Contains(result.output, L"file MV\\Data\\Old\\Epg.bin only in mvtemp"));
}

TEST_F(InspectorTest, OneDifferingRecordIsNamed) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_TRUE(WritePrivateProfileStringW(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerNo",
                                           L"77", L"D:\\mvtempbk\\Movendo.ini"));
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"Differences between mvtemp and mvtempbk: 1\n"));
    EXPECT_TRUE(Contains(result.output, L"record [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp] LiveServerNo differs"));
}

TEST_F(InspectorTest, PreviewNamesEveryChangedValueAndNoUnchangedOne) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    const std::wstring mainApp = L"SOFTWARE\\Tamrix\\Mirovane\\MainApp";
    const std::wstring section = L"HKEY_LOCAL_MACHINE\\" + mainApp;
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, mainApp, L"ATTDigital", SeedNumber(section, L"ATTDigital"));
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, mainApp, L"ATTSatellite", 1);
    files().WriteFile(L"C:\\ProgramData\\Tamrix\\Mirovane\\Setting.xml", "installer's");
    files().WriteFile(L"C:\\ProgramData\\Tamrix\\Mirovane\\VideoFolder.dat", "x");
    auto before = State();
    CheckResult result = Check({L"/preview"});
    if (std::getenv("SHOW_CHECK")) std::wcout << result.output;
    EXPECT_EQ(State(), before);
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_FALSE(Contains(result.output, L"] ATTDigital:"));
    EXPECT_TRUE(Contains(result.output, L"] ATTSatellite: different (now \"1\""));
    EXPECT_TRUE(Contains(result.output, L"] AntConvPow: missing value"));
    EXPECT_TRUE(Contains(result.output, L"[HKEY_CURRENT_USER\\Software\\Tamrix\\Mirovane\\MainApp\\DispMY1]: missing key, created with 26 values"));
    EXPECT_TRUE(Contains(result.output, L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\MvAllCommonFiles\\ApInfo] RecAutoBoot: missing key, will be set to"));
    EXPECT_TRUE(Contains(result.output, L"] MainVersion: not restored (now \"9\""));
    EXPECT_TRUE(Contains(result.output, L"registry values unchanged: 1\n"));
    EXPECT_TRUE(Contains(result.output, L"Setting.xml: replace\n"));
    EXPECT_TRUE(Contains(result.output, L"file C:\\Users\\user\\AppData\\Local\\Tamrix\\Parlunet\\FilterData.xml: create"));
    EXPECT_TRUE(Contains(result.output, L"file C:\\MvdMng.ini: create"));
    EXPECT_FALSE(Contains(result.output, L"Movendo.ini: create"));
    EXPECT_TRUE(Contains(result.output, L"folder D:\\Rec\\Mpeg (MpegFileSavePath): created"));
    EXPECT_TRUE(Contains(result.output, L"delete C:\\ProgramData\\Tamrix\\Mirovane\\VideoFolder.dat"));
    EXPECT_TRUE(Contains(result.output, L"replaced whole by IPTV.dat"));
}

TEST_F(InspectorTest, LinksAndPlainFilesAreUnsafeOrProblems) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    files().MakeFolders(L"C:\\Windows\\System32");
    files().MakeLink(L"D:\\mvtemp\\MV\\Data\\escape", L"C:\\Windows");
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"UNSAFE: D:\\mvtemp\\MV\\Data\\escape is a link"));

    files().Remove(L"D:\\mvtempbk");
    files().MakeLink(L"D:\\mvtempbk", L"C:\\Windows");
    files().Remove(L"D:\\mvtemp");
    files().WriteFile(L"D:\\mvtemp", "a plain file");
    result = Check({L"/json"});
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"\"kind\":\"plain file\""));
    EXPECT_TRUE(Contains(result.output, L"D:\\\\mvtempbk is a link"));
}

TEST_F(InspectorTest, BadSettingsFilesNeitherCrashNorLie) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    files().WriteFile(L"D:\\mvtemp\\Movendo.ini", std::string("\x7f" "ELF\0\0binary", 12));
    files().WriteFile(L"D:\\mvtemp\\CheckSum.dat", "");
    files().WriteFile(L"D:\\mvtempbk\\Movendo.ini", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n");
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"is not a usable settings file"));
    EXPECT_TRUE(Contains(result.output, L"hive file CheckSum.dat is not whole: empty"));
    EXPECT_TRUE(Contains(result.output, L"repeats the section [a]"));
}

TEST_F(InspectorTest, DuplicateSectionsReadAsTheProfileFunctionsReadThem) {
    SettingsScan scan = ParseSettingsText("\xFF\xFE" + std::string("[\0S\0]\0\n\0k\0=\0 \0\"\0v\0\"\0\n\0", 22) +
                                          std::string("[\0s\0]\0\n\0k\0=\0w\0\n\0j\0=\0x\0\n\0", 22));
    const SettingsScan::Section* section = scan.FindSection(L"s");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->keys, std::vector<std::wstring>{L"k"}) << "a repeated section is never read";
    EXPECT_EQ(scan.duplicateSections.size(), 1u);
    EXPECT_EQ(scan.records, 3u);
}

TEST_F(InspectorTest, NoWorkspaceAndBadArguments) {
    EXPECT_EQ(Check().exitCode, kCheckNoWorkspace);
    EXPECT_EQ(Check({L"/bogus"}).exitCode, kCheckFailed);
    CheckResult help = Check({L"/?"});
    EXPECT_EQ(help.exitCode, kCheckConsistent);
    EXPECT_TRUE(Contains(help.output, L"2  no workspace found"));
    // The usage and every report name the version once: a text on its first line, a document as its first member.
    const std::wstring version = CheckVersionLine();
    EXPECT_EQ(version.find_first_of(L"0123456789"), std::wstring(L"MovendoCheck ").size()) << "the line names a version";
    for (const auto& output : {help.output, Check().output, Check({L"/confirm", L"D:\\none.json"}).output}) {
        EXPECT_EQ(output.find(version + L"\n"), 0u) << std::string(output.begin(), output.end());
        EXPECT_EQ(output.find(version, 1), std::wstring::npos);
    }
    NJson document = ParseOutput(Check({L"/json"}).output);
    EXPECT_EQ(document.begin().key(), "program");
    EXPECT_EQ(document["program"], std::string(version.begin(), version.end()));
}

// The usage and the guide are laid out by Wrap: lines of at most 79 characters (an 80-column console
// adds none of its own), no word split, blanks between words collapsed.
TEST(UsageLayout, WrapFillsLinesToSeventyNineCharactersAndSplitsNoWord) {
    const std::wstring word(70, L'w');
    const struct { std::wstring text, expected; } cases[] = {
        {word + L" 123456", L"  " + word + L" 123456\n"},  // 79 characters: one line
        {word + L" 1234567", L"  " + word + L"\n    1234567\n"},
        {L"a " + word + word + L" b", L"  a\n    " + word + word + L"\n    b\n"},  // too long for any line: alone
        {L"a   b ", L"  a b\n"},
    };
    for (const auto& test : cases) EXPECT_EQ(Wrap(L"  ", L"    ", test.text), test.expected) << Narrow(test.text);
}

TEST_F(InspectorTest, PathsAtTheLimitAreReportedNotFollowed) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    std::wstring folder = L"D:\\mvtemp\\MV";
    while (folder.size() < 250) folder += L"\\abcdefgh";
    files().MakeFolders(folder);
    files().WriteFile(folder + L"\\" + std::wstring(258 - folder.size(), L'x'), "fits");
    machine->files().AddChild(files().Get(folder), std::wstring(270 - folder.size(), L'y'), false);
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"has a path too long to restore"));
}

// ---- /verify: the workspaces against the machine they came from ------------------------------

namespace {

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

// On a console the check shows its progress on one line, which it clears before the report; a
// redirected output and a JSON document get none of it.
TEST_F(InspectorTest, VerifyAfterACompleteBackupFindsNoGap) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    auto before = State();
    machine->outputIsConsole = true;
    CheckResult result = Check({L"/verify"});
    EXPECT_EQ(State(), before);
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_TRUE(Contains(result.output, L" files compared, 0 gaps\n")) << result.output;
    EXPECT_FALSE(Contains(result.output, L" 0 values")) << result.output;
    EXPECT_TRUE(Contains(result.output, L"equal to this machine (exit 0)"));
    EXPECT_EQ(machine->console, L"\rChecking: 1 compared\r" + std::wstring(20, L' ') + L"\r");
    machine->console.clear();
    Check({L"/verify", L"/json"});
    machine->outputIsConsole = false;
    Check({L"/verify"});
    EXPECT_EQ(machine->console, L"") << "neither in JSON nor in a redirected output";
}

// Every workspace on every drive is named: a later drive's newer ones, which the program never
// takes, and one on a drive whose paths do not resolve. /verify holds the newest against the machine.
TEST_F(InspectorTest, EveryWorkspaceOnEveryDriveIsNamedWithTheNewer) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    drives()[L'D'].present = false;  // locked or unplugged while the next backup ran
    drives().Add(L'E', DRIVE_FIXED);
    files().Subst(L'E', L"C:\\old");  // its root reads as C:\old: passed over by /get too
    files().MakeFolders(L"E:\\mvtemp");
    drives().Add(L'F', DRIVE_FIXED);
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 77);
    RunCommand(L"/get");
    drives()[L'D'].present = true;
    CheckResult verify = Check({L"/verify"});
    EXPECT_EQ(verify.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(verify.output, L"  D:\\mvtemp: the one Movendo.exe /get and /set take\n  D:\\mvtempbk: the one Movendo.exe"));
    EXPECT_TRUE(Contains(verify.output, L"problem: F:\\mvtempbk is a workspace too, but Movendo.exe /get and /set take D:\\mvtempbk, on "
                                        L"the first drive that holds one: F:\\mvtempbk is the newer"));
    EXPECT_TRUE(Contains(verify.output, L"problem: E:\\mvtemp is not used: the paths of its drive do not resolve"));
    EXPECT_TRUE(Contains(verify.output, L"GAP: mvtemp: held against this machine is F:\\mvtemp, the newest; /set would take D:\\mvtemp"));
    EXPECT_FALSE(Contains(verify.output, L"] LiveServerNo: differs")) << Narrow(verify.output);
}

// What a backup could not carry, and what changed or broke after it, is named for each workspace.
TEST_F(InspectorTest, VerifyNamesEveryGapWithItsReason) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    std::wstring deep = kSuite;
    while (deep.size() < 240) deep += L"\\folder";
    files().MakeFolders(deep);
    machine->files().AddChild(files().Get(deep), std::wstring(270 - deep.size(), L'z') + L".dat", false);
    files().MakeFolders(L"C:\\Elsewhere");
    files().MakeLink(kSuite + L"\\Linked", L"C:\\Elsewhere");
    machine->registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"ZipCode", std::wstring(300, L'9'));
    machine->registry().SetValue(HKEY_LOCAL_MACHINE, kMainApp, L"AntConvPow", REG_DWORD, std::vector<uint8_t>(8, 1));
    files().WriteFile(kSuite + L"\\Locked.bin", "held open by the suite")->inUse = true;
    RunCommand(L"/get");
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 4242);
    std::string copy = files().ReadFile(L"D:\\mvtempbk\\MvdMng.ini");
    files().WriteFile(L"D:\\mvtempbk\\MvdMng.ini", copy.substr(0, copy.size() / 2));
    files().WriteFile(L"D:\\mvtemp\\IPTV.dat", std::string(5000, 'q'));
    std::string hive = files().ReadFile(L"D:\\mvtempbk\\Brevisto.dat");
    files().WriteFile(L"D:\\mvtempbk\\Brevisto.dat", hive.substr(0, hive.size() - 4096));

    CheckResult result = Check({L"/verify"});
    EXPECT_EQ(result.exitCode, kCheckIssues);
    const std::wstring& out = result.output;
    EXPECT_EQ(Count(out, std::wstring(270 - deep.size(), L'z') + L".dat: its path is too long to be copied"), 2u) << out;
    EXPECT_EQ(Count(out, L"\\Linked: a link, which a backup does not follow"), 2u);
    EXPECT_EQ(Count(out, L"] ZipCode: its text is longer than the 259 characters of a record"), 2u);
    EXPECT_EQ(Count(out, L"] AntConvPow: its data are longer than the 4 bytes of a number record"), 2u);
    EXPECT_EQ(Count(out, L"\\Locked.bin: unreadable or locked"), 2u);
    EXPECT_EQ(Count(out, L"] LiveServerNo: differs (now \"4242\", saved "), 2u);
    EXPECT_TRUE(Contains(out, L"GAP: mvtempbk: C:\\MvdMng.ini: its copy has "));
    EXPECT_FALSE(Contains(out, L"GAP: mvtemp: C:\\MvdMng.ini"));
    EXPECT_TRUE(Contains(out, L"GAP: mvtemp: hive file IPTV.dat of HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV: not a hive file"));
    EXPECT_TRUE(Contains(out, L"GAP: mvtempbk: hive file Brevisto.dat of HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Brevisto\\PresetChannel: cut short"));
}

TEST_F(InspectorTest, VerifyCountsAnEmptyOrBinarySettingsFileAsOneGap) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    files().WriteFile(L"D:\\mvtemp\\Movendo.ini", "");
    files().WriteFile(L"D:\\mvtempbk\\Movendo.ini", std::string("\x7f" "ELF\0\0\0\x01\x02", 9));
    files().WriteFile(L"D:\\mvtempbk\\MV\\Data\\Old\\Epg.bin", "");
    CheckResult result = Check({L"/verify", L"/json"});
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_EQ(Count(result.output, L"mvtemp: the settings file D:\\\\mvtemp\\\\Movendo.ini holds none of the "), 1u);
    EXPECT_FALSE(Contains(result.output, L"mvtemp: [HKEY_")) << "one gap for the whole file";
    EXPECT_TRUE(Contains(result.output, L"mvtempbk: the settings file D:\\\\mvtempbk\\\\Movendo.ini is not a usable settings file (ANSI)"));
    EXPECT_EQ(Count(result.output, L"mvtempbk: the settings file D:\\\\mvtempbk\\\\Movendo.ini holds none of the "), 1u);
    EXPECT_TRUE(Contains(result.output, L"mvtempbk: C:\\\\ProgramData\\\\Tamrix\\\\Mirovane\\\\Data\\\\Old\\\\Epg.bin: its copy has 0 of its "));
    EXPECT_TRUE(Contains(result.output, L"\"exitCode\":1"));
}

// ---- /preview: the gate before /set ------------------------------------------------------------

TEST_F(InspectorTest, PreviewExitsFourNamingEachLossAndWhatToDoFirst) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    machine->registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Rondisc\\MPEG2_HDTVSD");
    files().Remove(L"C:\\Users\\user\\AppData\\Local\\Tamrix");
    auto before = State();
    CheckResult result = Check({L"/preview"});
    EXPECT_EQ(State(), before);
    EXPECT_EQ(result.exitCode, kCheckWouldLose) << result.output;
    EXPECT_EQ(Count(result.output, L"LOSS: "), 4u) << result.output;
    EXPECT_EQ(Count(result.output, L"hive file Rondisc4.dat: its key HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Rondisc\\MPEG2_HDTVSD "
                                   L"does not exist, so /set does not restore it: install the suite first"), 2u);
    EXPECT_EQ(Count(result.output, L"create folder C:\\Users\\user\\AppData\\Local\\Tamrix first"), 2u);

    files().MakeFolders(L"C:\\Users\\user\\AppData\\Local\\Tamrix");
    machine->registry().MakeKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Rondisc\\MPEG2_HDTVSD");
    result = Check({L"/preview"});
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_TRUE(Contains(result.output, L"without writing it back: none\n"));
}

// The gate asks the program's own copy walk whether each saved file lands: a file or a folder of
// the other kind, a program holding the installed file, a second name, a name no path can name
// are losses, each with what to do; a read-only installed file is replaced.
TEST_F(InspectorTest, TheGateNamesEachFileThatCannotLandWithWhatToDoFirst) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    files().WriteFile(kSuite + L"\\Setting.xml\\inner", "a folder where a saved file goes");
    files().WriteFile(kSuite + L"\\Data", "a file where a saved folder goes");
    files().WriteFile(L"C:\\Other\\Held.bin", "elsewhere");
    files().MakeHardLink(kSuite + L"\\Held.bin", L"C:\\Other\\Held.bin");
    files().WriteFile(kSuite + L"\\Busy.bin", "held")->inUse = true;
    files().WriteFile(kSuite + L"\\ro.txt", "installed", FILE_ATTRIBUTE_READONLY);
    for (auto name : {L"Held.bin", L"Busy.bin", L"twin.", L"ro.txt"}) files().WriteFile(std::wstring(L"D:\\mvtemp\\MV\\") + name, "saved");
    CheckResult result = Check({L"/preview"});
    EXPECT_EQ(result.exitCode, kCheckWouldLose);
    const std::wstring mv = L"LOSS: mvtemp: ", where = L"(first: " + kSuite;
    EXPECT_TRUE(Contains(result.output, mv + L"3 files of MV cannot land: a file or a link stands where a saved folder goes " + where +
                                            L"\\Data): move it out of the way first")) << Narrow(result.output);
    EXPECT_TRUE(Contains(result.output, mv + L"1 file of MV cannot land: a folder stands where a saved file goes " + where + L"\\Setting.xml)"));
    EXPECT_TRUE(Contains(result.output, L"a program holds the installed file open " + where + L"\\Busy.bin): close that program first"));
    EXPECT_TRUE(Contains(result.output, L"the installed file has a second name, which /set never writes through " + where + L"\\Held.bin)"));
    EXPECT_TRUE(Contains(result.output, L"a name ending in a dot or a blank, which no path can name (first: D:\\mvtemp\\MV\\twin.)"));
    EXPECT_TRUE(Contains(result.output, L"  file " + kSuite + L"\\ro.txt: replace\n"));
}

// Four comes before one: links and an unreadable settings file are losses as well as problems.
TEST_F(InspectorTest, PreviewCountsLinksAndUnreadableSettingsAsLosses) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    files().MakeFolders(L"C:\\Windows");
    files().MakeLink(L"D:\\mvtemp\\MV\\Data\\escape", L"C:\\Windows");
    files().WriteFile(L"D:\\mvtempbk\\Movendo.ini", std::string("\x7f" "ELF\0\0\0binary", 13));
    CheckResult result = Check({L"/preview", L"/json"});
    EXPECT_EQ(result.exitCode, kCheckWouldLose) << result.output;
    EXPECT_TRUE(Contains(result.output, L"mvtemp: D:\\\\mvtemp\\\\MV\\\\Data\\\\escape is a link: /set does not carry it"));
    EXPECT_TRUE(Contains(result.output, L"mvtempbk: the settings file D:\\\\mvtempbk\\\\Movendo.ini cannot be read by /set"));
    EXPECT_EQ(Check().exitCode, kCheckIssues) << "without /preview the same workspaces exit 1";
}

// ---- what the machine no longer has, and what /set would change silently ---------------------

// A machine without the companion's keys, with an empty text, passes; whatever the workspace holds
// beyond this machine, or that a restore would read or write otherwise, is a gap.
TEST_F(InspectorTest, VerifyExpectsExactlyTheMachineAndNamesWhatSetWouldChange) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    machine->registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Rondisc");
    machine->registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"ZipCode", L"");
    RunCommand(L"/get");
    CheckResult result = Check({L"/verify"});
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_EQ(Count(result.output, L"] ZipCode: its text is empty"), 2u);

    files().WriteFile(L"D:\\mvtemp\\MV\\Gone.dat", "no longer on the machine");
    files().WriteFile(L"D:\\mvtemp\\MV\\big.bin.mvpart", "cut short");
    files().WriteFile(L"D:\\mvtempbk\\Rondisc1.dat", files().ReadFile(L"D:\\mvtempbk\\IPTV.dat"));
    ASSERT_TRUE(WritePrivateProfileStringW(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerNo", L"42abc",
                                           L"D:\\mvtemp\\Movendo.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"ZipCode", L"planted",
                                           L"D:\\mvtempbk\\Movendo.ini"));
    machine->registry().SetValue(HKEY_LOCAL_MACHINE, kMainApp, L"AntConvPow", REG_SZ, sim::TextBytes(L"1"));
    machine->registry().Restrict(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Brevisto\\PresetChannel");
    result = Check({L"/verify"});
    const std::wstring& out = result.output;
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(out, L"GAP: mvtemp: D:\\mvtemp\\MV\\Gone.dat: this machine has no such entry: /set would bring back")) << out;
    EXPECT_TRUE(Contains(out, L"problem: D:\\mvtemp\\MV\\big.bin.mvpart is a part file")) << out;
    EXPECT_FALSE(Contains(out, L"big.bin.mvpart: this machine")) << "named once";
    EXPECT_TRUE(Contains(out, L"GAP: mvtempbk: hive file Rondisc1.dat of HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Rondisc\\Backup: the key does not exist"));
    EXPECT_TRUE(Contains(out, L"mvtemp: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp] LiveServerNo: its record \"42abc\" is read by /set as 42"));
    EXPECT_TRUE(Contains(out, L"mvtempbk: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp] ZipCode: differs (now \"\", saved \"planted\")"));
    EXPECT_EQ(Count(out, L"] AntConvPow: it is not a REG_DWORD of 4 bytes"), 2u);
    EXPECT_EQ(Count(out, L"Brevisto.dat of HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Brevisto\\PresetChannel: the key exists but cannot be opened"), 2u);
}

// The restore creates the key of IPTV.dat (row C24) before it loads the snapshots; a value that
// the reinstall did not make casts no doubt on the backup it is restored from.
TEST_F(InspectorTest, PreviewReplaysTheRestoreOrderAndCastsNoSuspicionAfterAReinstall) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    machine->registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV");
    machine->registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp");
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"Unrelated", 1);
    CheckResult result = Check({L"/preview"});
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_TRUE(Contains(result.output, L"ApInfo\\IPTV: replaced whole by IPTV.dat of mvtempbk")) << result.output;
    EXPECT_FALSE(Contains(result.output, L"LOSS: "));
    EXPECT_TRUE(Contains(result.output, L"] LiveServerNo: missing value, will be set to \""));
    EXPECT_FALSE(Contains(result.output, L"this machine's last /get")) << Narrow(result.output);
}

TEST_F(InspectorTest, ARunInProgressIsNamedWithExitThree) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    machine->HoldMutexElsewhere(L"Global\\Movendo.Run", L"S-1-5-32-544");
    CheckResult result = Check({L"/verify"});
    EXPECT_EQ(result.exitCode, kCheckFailed);
    EXPECT_EQ(result.output, CheckVersionLine() + L"\na Movendo.exe run is in progress; check again when it has ended\n");
    machine->mutexOwners.clear();
    EXPECT_EQ(Check().exitCode, kCheckConsistent) << "the lock is gone with the run";
}

// ---- /confirm: the machine after /set against the plan saved before it -------------------------

namespace {

// "item what: why" of each planned item that did not land.
std::set<std::string> NotRestored(const CheckResult& result) {
    std::set<std::string> named;
    NJson verdict = ParseOutput(result.output);
    for (const auto& failure : verdict.at("confirm").at("failures")) {
        named.insert(failure.at("item").get<std::string>() + " " + failure.at("what").get<std::string>() + ": " +
                     failure.at("why").get<std::string>());
    }
    return named;
}

}  // namespace

TEST_F(InspectorTest, ConfirmHoldsTheMachineAgainstThePlanSavedBeforeSet) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    machine->registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerUUID", L"\u9332\u753b-\u00e9");
    RunCommand(L"/get");
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    files().WriteFile(kSuite + L"\\HDD.dat", "rebuilt by the suite");
    CheckResult preview = Check({L"/preview", L"/json"});
    ASSERT_EQ(preview.exitCode, kCheckConsistent) << preview.output;
    NJson plan = ParseOutput(preview.output).at("plan");
    std::map<std::string, NJson> values;
    for (const auto& value : plan.at("values")) values[value.at("name").get<std::string>()] = value;
    EXPECT_EQ(values.count("MainVersion"), 0u) << "never written back";
    EXPECT_EQ(values.at("LiveServerNo").at("type"), "REG_DWORD");
    EXPECT_EQ(values.at("LiveServerUUID").at("data"), "\xe9\x8c\xb2\xe7\x94\xbb-\xc3\xa9") << "UTF-8 in the document";
    EXPECT_EQ(plan.at("keys").size(), 7u);
    files().WriteFile(L"D:\\plan.json", OutputBytes(preview.output));
    RunCommand(L"/set");

    CheckResult result = Check({L"/confirm", L"D:\\plan.json", L"/json"});
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_EQ(NotRestored(result), std::set<std::string>());
    EXPECT_EQ(ParseOutput(result.output).at("confirm").at("restored"), ParseOutput(result.output).at("confirm").at("planned"));

    machine->registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 4242);
    auto& mainApp = machine->registry().Find(HKEY_LOCAL_MACHINE, kMainApp)->values;
    mainApp.erase(std::remove_if(mainApp.begin(), mainApp.end(), [](const sim::RegValue& v) { return v.name == L"ZipCode"; }));
    machine->registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Rondisc\\Backup");
    files().WriteFile(L"C:\\MvdMng.ini", "edited after the restore");
    files().Remove(L"C:\\Users\\user\\AppData\\Local\\Tamrix\\Parlunet\\FilterData.xml");
    files().Remove(L"D:\\Rec\\Mpeg");
    files().WriteFile(kSuite + L"\\VideoFolder.dat", "back again");
    files().MakeFolders(L"D:\\mvtemp");  // as /set keeps a workspace that holds what did not land
    auto before = State();
    result = Check({L"/confirm", L"D:\\plan.json", L"/json"});
    EXPECT_EQ(State(), before);
    EXPECT_EQ(result.exitCode, kCheckIssues);
    const std::string mainAppSection = "value [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp] ";
    std::set<std::string> named = NotRestored(result);
    EXPECT_EQ(named.erase(mainAppSection + "ZipCode: missing value"), 1u);
    EXPECT_EQ(named.erase("key HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Rondisc\\Backup: missing key"), 1u);
    EXPECT_EQ(named.erase("file C:\\Users\\user\\AppData\\Local\\Tamrix\\Parlunet\\FilterData.xml: missing"), 1u);
    EXPECT_EQ(named.erase("folder D:\\Rec\\Mpeg (MpegFileSavePath): missing"), 1u);
    EXPECT_EQ(named.erase("deleted C:\\ProgramData\\Tamrix\\Mirovane\\VideoFolder.dat: still there"), 1u);
    EXPECT_EQ(named.erase("deleted D:\\mvtemp: kept by /set: it holds what did not land (named above); once their cause is "
                          "mended, run Movendo.exe /set again"), 1u);
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named.begin()->rfind("file C:\\MvdMng.ini: differs (24 bytes, planned ", 0), 0u) << *named.begin();
    EXPECT_EQ(named.rbegin()->rfind(mainAppSection + "LiveServerNo: differs (now REG_DWORD \"4242\", planned REG_DWORD \"", 0), 0u);

    files().WriteFile(L"D:\\garbage.json", "{\"plan\": [1, 2");
    files().WriteFile(L"D:\\other.json", OutputBytes(Check({L"/json"}).output));
    plan["version"] = 2;
    files().WriteFile(L"D:\\later.json", NJson{{"plan", plan}}.dump());
    for (auto file : {L"D:\\none.json", L"D:\\garbage.json", L"D:\\other.json", L"D:\\later.json"}) {
        EXPECT_EQ(Check({L"/confirm", file}).exitCode, kCheckFailed) << file;
    }
    EXPECT_EQ(Check({L"/confirm"}).exitCode, kCheckFailed) << "no plan named";
}

// ---- whole keys, value by value ---------------------------------------------------------------

// A saved key is held against the live one: a changed value, a value and a subkey added since /get
// are each named for both workspaces; after /set, a key that the restore did not replace (as
// under the compatibility layer, whose key restore does nothing) is named as not restored.
TEST_F(InspectorTest, SavedKeysAreComparedValueByValueBeforeAndAfterSet) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    const std::wstring iptv = L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV";
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, iptv, L"Count", 99);
    machine->registry().SetDword(HKEY_LOCAL_MACHINE, iptv + L"\\Sub", L"New", 1);
    machine->registry().MakeKey(HKEY_LOCAL_MACHINE, iptv + L"\\Added");
    CheckResult result = Check({L"/verify"});
    EXPECT_EQ(result.exitCode, kCheckIssues);
    const std::wstring key = L"hive file IPTV.dat of HKEY_LOCAL_MACHINE\\" + iptv + L": ";
    EXPECT_EQ(Count(result.output, key + L"the value Count differs (now REG_DWORD 99, saved REG_DWORD 3)"), 2u) << result.output;
    EXPECT_EQ(Count(result.output, key + L"this machine's value Sub\\New is not in it: /set would remove it"), 2u);
    EXPECT_EQ(Count(result.output, key + L"this machine's subkey Added is not in it"), 2u);
    EXPECT_EQ(Count(result.output, L"GAP: "), 6u) << "nothing else";

    RunCommand(L"/get");
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    CheckResult preview = Check({L"/preview", L"/json"});
    files().WriteFile(L"D:\\plan.json", OutputBytes(preview.output));
    RunCommand(L"/set");
    EXPECT_EQ(Check({L"/confirm", L"D:\\plan.json"}).exitCode, kCheckConsistent);
    const std::wstring backup = L"SOFTWARE\\Tamrix\\Rondisc\\Backup";
    machine->registry().DeleteTree(HKEY_LOCAL_MACHINE, backup);
    machine->registry().MakeKey(HKEY_LOCAL_MACHINE, backup);  // the empty key a reinstall leaves
    std::set<std::string> named = NotRestored(Check({L"/confirm", L"D:\\plan.json", L"/json"}));
    ASSERT_EQ(named.size(), 1u) << *named.begin() << "\n" << *named.rbegin();
    EXPECT_EQ(*named.begin(), "key HKEY_LOCAL_MACHINE\\" + Narrow(backup) + ": not as D:\\mvtempbk\\Rondisc1.dat holds it (0 values "
                              "differ, 3 values and 1 subkey missing or not planned); the planned value Count is missing");
}

// ---- who runs the check ------------------------------------------------------------------------

TEST_F(InspectorTest, AnUnelevatedCheckJudgesNothing) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    machine->token().elevated = false;
    for (auto arguments : std::vector<std::vector<std::wstring>>{{L"/verify"}, {L"/preview"}, {L"/confirm", L"D:\\plan.json"}}) {
        CheckResult result = Check(arguments);
        EXPECT_EQ(result.exitCode, kCheckFailed) << Narrow(arguments[0]);
        EXPECT_EQ(result.output.rfind(CheckVersionLine() + L"\nMovendoCheck must be run from an elevated console", 0), 0u)
            << Narrow(result.output);
    }
}

// An administrator who elevated at a standard user's desk reads his own HKEY_CURRENT_USER and local
// data; one signed in over Remote Desktop, while another user holds the console, reads his own too.
TEST_F(InspectorTest, TheAccountIsHeldAgainstTheUserOfTheChecksOwnSession) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    sim::Token& token = machine->token();
    token.userName = L"admin";
    token.sessions[2] = {L"admin", L"PC"};
    token.processSession = 2;  // the console's session, 1, is PC\user's
    CheckResult remote = Check({L"/verify"});
    EXPECT_EQ(remote.exitCode, kCheckConsistent) << Narrow(remote.output);
    EXPECT_TRUE(Contains(remote.output, L"of PC\\admin (this check runs in session 2, whose user is PC\\admin)"));
    token.processSession = 1;
    CheckResult result = Check({L"/verify"});
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"GAP: this check runs as PC\\admin, but the user of its session (session 1) is PC\\user") &&
                Contains(result.output, L"rows C9, C11, C14, C25 and the data set tw2 are not the suite user's. To save PC\\user's: sign "
                                        L"in as PC\\user; if that account is a standard user, make it an administrator for the time of "
                                        L"the backup; run Movendo.exe /get; then remove that right again"))
        << Narrow(result.output);
}

// ---- plans that survive any console, read strictly ---------------------------------------------

namespace {

bool Ascii(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t ch) { return ch > 0 && ch < 0x80; });
}

// The document as a console that re-encodes writes it: UTF-16LE after a byte-order mark.
std::string Utf16Le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char ch : ascii) out += {ch, '\0'};
    return out;
}

}  // namespace

// A text holding non-ASCII characters and an unpaired surrogate travels in pure ASCII, through a
// plan re-encoded as UTF-16LE, and is compared code unit for code unit.
TEST_F(InspectorTest, PlansArePureAsciiAndCarryEveryCodeUnit) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    const std::wstring text = std::wstring(L"\u9332\u753b-") + static_cast<wchar_t>(0xD800) + L"-\u00e9";
    machine->registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerUUID", text);
    RunCommand(L"/get");
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    CheckResult preview = Check({L"/preview", L"/json"});
    ASSERT_EQ(preview.exitCode, kCheckConsistent) << Narrow(preview.output);
    EXPECT_TRUE(Ascii(preview.output));
    EXPECT_TRUE(Contains(preview.output, L"\"data\":\"\\u9332\\u753b-\\ud800-\\u00e9\""));
    files().WriteFile(L"D:\\plan.json", Utf16Le(OutputBytes(preview.output)));
    RunCommand(L"/set");
    CheckResult confirm = Check({L"/confirm", L"D:\\plan.json"});
    EXPECT_EQ(confirm.exitCode, kCheckConsistent) << Narrow(confirm.output);
    machine->registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerUUID", L"\u9332\u753b-\ufffd-\u00e9");
    confirm = Check({L"/confirm", L"D:\\plan.json", L"/json"});
    EXPECT_EQ(confirm.exitCode, kCheckIssues);
    EXPECT_TRUE(Ascii(confirm.output));
    EXPECT_TRUE(Contains(confirm.output, L"LiveServerUUID\",\"why\":\"differs (now REG_SZ \\\"\\u9332\\u753b-\\ufffd-\\u00e9\\\", planned REG_SZ "
                                         L"\\\"\\u9332\\u753b-\\ud800-\\u00e9\\\")")) << Narrow(confirm.output);
}

// Every plan that is not exactly a plan is refused with exit 3, naming what is wrong, and none
// crashes the reader: wrong types and ranges, missing and unknown members, the wrong version, a
// damaged encoding, a nesting too deep, too many values, a file too large.
TEST_F(InspectorTest, OnlyAPlanOfExactlyItsShapeIsRead) {
    ASSERT_NO_FATAL_FAILURE(Backup());
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    NJson good = ParseOutput(Check({L"/preview", L"/json"}).output);
    size_t dword = 0, text = 0;
    const NJson& values = good["plan"]["values"];
    while (values[dword]["type"] != "REG_DWORD") ++dword;
    while (values[text]["type"] != "REG_SZ") ++text;
    const std::string d = "/plan/values/" + std::to_string(dword), t = "/plan/values/" + std::to_string(text);
    auto with = [&](const std::string& pointer, NJson value) {
        NJson plan = good;
        if (value.is_discarded()) {
            plan[NJson::json_pointer(pointer).parent_pointer()].erase(NJson::json_pointer(pointer).back());
        } else {
            plan[NJson::json_pointer(pointer)] = value;
        }
        return plan.dump();
    };
    const NJson gone = NJson::value_t::discarded;
    const std::string at = "plan.values[" + std::to_string(dword) + "].", atText = "plan.values[" + std::to_string(text) + "].";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {with(d + "/data", -4294967283LL), at + "data is out of its range"},
        {with(d + "/data", (1ULL << 40) + 13), at + "data is out of its range"},
        {with(d + "/data", 13.9), at + "data is out of its range"},
        {with(t + "/data", 5), atText + "data is not of its type"},
        {with(t + "/data", nullptr), atText + "data is not of its type"},
        {with(t + "/data", gone), atText + "data is missing"},
        {with(t + "/name", gone), atText + "name is missing"},
        {with(t + "/extra", 1), atText + "extra is not a member of it"},
        {with("/plan/values", NJson::object()), "plan.values is not of its type"},
        {with("/plan/keys/0/values/0/data", "abc"), "plan.keys[0].values[0].data is out of its range"},
        {with("/plan/files/0/fnv1a64", "x"), "plan.files[0].fnv1a64 is out of its range"},
        {with("/plan/version", 1.5), "is not a restore plan (the output of MovendoCheck /preview /json"},
        {with("/plan/version", true), "is not a restore plan (the output of MovendoCheck /preview /json"},
        {Utf16Le(good.dump()) + "x", "is neither UTF-8 nor UTF-16LE"},
        {std::string(25000, '[') + std::string(25000, ']'), "is nested deeper than 32 levels"},
        {"{\"plan\": [1, 2", "is not a JSON document"},
    };
    for (const auto& item : cases) {
        files().WriteFile(L"D:\\bad.json", item.first);
        CheckResult result = Check({L"/confirm", L"D:\\bad.json"});
        EXPECT_EQ(result.exitCode, kCheckFailed) << item.second;
        EXPECT_TRUE(Contains(result.output, std::wstring(item.second.begin(), item.second.end()))) << Narrow(result.output);
    }
    std::string many = "[0";
    for (int i = 0; i < 1000000; ++i) many += ",0";
    files().WriteFile(L"D:\\many.json", many + "]");
    EXPECT_TRUE(Contains(Check({L"/confirm", L"D:\\many.json"}).output, L"is too large: it holds more than 1000000 values"));
    files().WriteFile(L"D:\\huge.json", std::string((64u << 20) + 1, ' '));
    EXPECT_TRUE(Contains(Check({L"/confirm", L"D:\\huge.json"}).output, L"is too large (more than 64 MB)"));
}

// ---- what the gate names --------------------------------------------------------------------------

// A suite file named as a part file is removed by /set: named and planned as a deletion. A text
// whose data /set does not write back byte for byte is named by /verify. A workspace on a drive
// without permissions is to stay in the technician's custody.
TEST_F(InspectorTest, PartFilesOddTextsAndDrivesWithoutPermissionsAreNamed) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    std::vector<uint8_t> cut = sim::TextBytes(L"12");
    std::vector<uint8_t> rest = sim::TextBytes(L"34");
    cut.insert(cut.end(), rest.begin(), rest.end());
    machine->registry().SetValue(HKEY_LOCAL_MACHINE, kMainApp, L"ZipCode", REG_SZ, cut);
    std::vector<uint8_t> odd = sim::TextBytes(L"odd");
    odd.push_back(0x41);
    machine->registry().SetValue(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerUUID", REG_SZ, odd);
    RunCommand(L"/get");
    CheckResult verify = Check({L"/verify"});
    EXPECT_EQ(verify.exitCode, kCheckIssues);
    EXPECT_EQ(Count(verify.output, L"] ZipCode: its data do not come back byte for byte"), 2u) << Narrow(verify.output);
    EXPECT_EQ(Count(verify.output, L"] LiveServerUUID: its data do not come back byte for byte"), 2u);

    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    files().WriteFile(kSuite + L"\\Setting.xml.mvpart", "a file of the suite");
    drives()[L'D'].keepsPermissions = false;
    CheckResult preview = Check({L"/preview"});
    EXPECT_TRUE(Contains(preview.output, L"delete " + kSuite + L"\\Setting.xml.mvpart (a part file, never carried: /set removes it)"));
    EXPECT_EQ(Count(preview.output, L"lies on a drive that keeps no permissions (FAT, exFAT): anyone who can write to that drive can "
                                    L"change what /set writes back, so keep the drive in your custody until /set has run"), 2u);
    NJson plan = ParseOutput(Check({L"/preview", L"/json"}).output).at("plan");
    EXPECT_EQ(std::count(plan["deleted"].begin(), plan["deleted"].end(), Narrow(kSuite + L"\\Setting.xml.mvpart")), 1);
}
