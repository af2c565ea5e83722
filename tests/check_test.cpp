// The inspector on the simulated machine: complete and incomplete backups, differences between the
// two workspaces, the restore preview, unsafe links, bad input, and that it changes nothing.
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/command.h"
#include "check/check.h"
#include "check/settings_scan.h"
#include "installation.h"
#include "platform/sim/registry.h"
#include "sim_fixture.h"

namespace {

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

}  // namespace

class InspectorTest : public SimTest {
protected:
    void SetUp() override { drives().Add(L'D', DRIVE_FIXED); }
    CheckResult Check(std::vector<std::wstring> arguments = {}) { return RunCheck(ParseCheckArguments(arguments)); }
    void Backup() {
        SeedInstallation(*machine);
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
    Backup();
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckConsistent) << result.output;
    EXPECT_TRUE(Contains(result.output, L"mvtemp: D:\\mvtemp (folder)"));
    EXPECT_TRUE(Contains(result.output, L"hive files: 7/7 present"));
    EXPECT_TRUE(Contains(result.output, L"settings file Movendo.ini: UTF-16LE"));
    EXPECT_TRUE(Contains(result.output, L"C14 24/24"));
    EXPECT_TRUE(Contains(result.output, L"DispMY3: skipped")) << "the third list of the installation has no num";
    EXPECT_TRUE(Contains(result.output, L"DefEpgOrderDG: 40 pairs"));
    EXPECT_TRUE(Contains(result.output, L"Differences between mvtemp and mvtempbk: none"));
    EXPECT_TRUE(Contains(result.output, L"Summary: both workspaces complete and identical (exit 0)"));
}

TEST_F(InspectorTest, MissingPartsAreReportedWithExitOne) {
    Backup();
    files().Remove(L"D:\\mvtemp\\Movendo.ini");
    files().Remove(L"D:\\mvtempbk\\Rondisc3.dat");
    files().Remove(L"D:\\mvtempbk\\MV\\Data\\Old\\Epg.bin");
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"problem: settings file Movendo.ini missing"));
    EXPECT_TRUE(Contains(result.output, L"problem: hive file Rondisc3.dat missing"));
    EXPECT_TRUE(Contains(result.output, L"file MV\\Data\\Old\\Epg.bin only in mvtemp"));
}

TEST_F(InspectorTest, OneDifferingRecordIsNamed) {
    Backup();
    ASSERT_TRUE(WritePrivateProfileStringW(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerNo",
                                           L"77", L"D:\\mvtempbk\\Movendo.ini"));
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"Differences between mvtemp and mvtempbk: 1\n"));
    EXPECT_TRUE(Contains(result.output, L"record [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp] LiveServerNo differs"));
}

TEST_F(InspectorTest, PreviewNamesEveryChangedValueAndNoUnchangedOne) {
    Backup();
    Reinstall(*machine);
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
    Backup();
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
    Backup();
    files().WriteFile(L"D:\\mvtemp\\Movendo.ini", std::string("\x7f" "ELF\0\0binary", 12));
    files().WriteFile(L"D:\\mvtemp\\CheckSum.dat", "");
    files().WriteFile(L"D:\\mvtempbk\\Movendo.ini", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n");
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"is not a usable settings file"));
    EXPECT_TRUE(Contains(result.output, L"hive file CheckSum.dat is empty"));
    EXPECT_TRUE(Contains(result.output, L"repeats the section [a]"));

    files().WriteFile(L"D:\\mvtempbk\\Movendo.ini", std::string(kSettingsSizeBound + 1, ';'));
    result = Check();
    EXPECT_TRUE(Contains(result.output, L"too large to read"));
}

TEST_F(InspectorTest, DuplicateSectionsReadAsTheProfileFunctionsReadThem) {
    SettingsScan scan = ParseSettingsText("\xFF\xFE" + std::string("[\0S\0]\0\n\0k\0=\0 \0\"\0v\0\"\0\n\0", 22) +
                                          std::string("[\0s\0]\0\n\0k\0=\0w\0\n\0j\0=\0x\0\n\0", 22));
    std::wstring text;
    ASSERT_TRUE(scan.Find(L"s", L"K", text));
    EXPECT_EQ(text, L"v");
    EXPECT_FALSE(scan.Find(L"S", L"j", text)) << "a repeated section is never read";
    EXPECT_EQ(scan.duplicateSections.size(), 1u);
}

TEST_F(InspectorTest, NoWorkspaceAndBadArguments) {
    EXPECT_EQ(Check().exitCode, kCheckNoWorkspace);
    EXPECT_EQ(Check({L"/bogus"}).exitCode, kCheckFailed);
    CheckResult help = Check({L"/?"});
    EXPECT_EQ(help.exitCode, kCheckConsistent);
    EXPECT_TRUE(Contains(help.output, L"2  no workspace found"));
}

TEST_F(InspectorTest, PathsAtTheLimitAreReportedNotFollowed) {
    Backup();
    std::wstring folder = L"D:\\mvtemp\\MV";
    while (folder.size() < 250) folder += L"\\abcdefgh";
    files().MakeFolders(folder);
    files().WriteFile(folder + L"\\" + std::wstring(258 - folder.size(), L'x'), "fits");
    machine->files().AddChild(files().Get(folder), std::wstring(270 - folder.size(), L'y'), false);
    CheckResult result = Check();
    EXPECT_EQ(result.exitCode, kCheckIssues);
    EXPECT_TRUE(Contains(result.output, L"has a path too long to restore"));
}
