#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

const wchar_t kDtChUtl[] = L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DtChUtl";
const wchar_t kDtChUtlSection[] = L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DtChUtl]\r\n";

}  // namespace

class ValueRecordsTest : public RegistryTest {};

TEST_F(ValueRecordsTest, WorkedExampleIsWrittenByteForByteAndRestored) {
    registry().SetDword(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area", 13);
    registry().SetDword(HKEY_LOCAL_MACHINE, kDtChUtl, L"CATV", 0xFFFFFFFF);
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", L"D:\\Video");

    EXPECT_TRUE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area"));
    EXPECT_TRUE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"CATV"));
    EXPECT_TRUE(env.SaveStringValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath"));
    EXPECT_EQ(files().ReadFile(kIniFile),
              Utf16File(std::wstring(kDtChUtlSection) +
                        L"Area=13\r\n"
                        L"CATV=-1\r\n"
                        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp]\r\n"
                        L"MpegFileSavePath=D:\\Video\r\n"));

    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix");
    EXPECT_TRUE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area"));
    EXPECT_TRUE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"CATV"));
    EXPECT_TRUE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath"));
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area")->type, DWORD(REG_DWORD));
    EXPECT_EQ(NumberOf(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area"), 13u);
    EXPECT_EQ(NumberOf(HKEY_LOCAL_MACHINE, kDtChUtl, L"CATV"), 0xFFFFFFFFu);
    const sim::RegValue* path = registry().GetValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->type, DWORD(REG_SZ));
    EXPECT_EQ(path->data.size(), 9 * sizeof(WCHAR)) << "the text and its terminator";
    EXPECT_EQ(path->data, sim::TextBytes(L"D:\\Video"));
}

TEST_F(ValueRecordsTest, NumbersRoundTripThroughTheirSignedText) {
    struct Case {
        DWORD value;
        const wchar_t* text;
    };
    const Case cases[] = {{0xFFFFFFFF, L"-1"}, {0, L"0"}, {0x80000000, L"-2147483648"}, {0x7FFFFFFF, L"2147483647"}};
    for (const Case& c : cases) {
        registry().SetDword(HKEY_CURRENT_USER, L"Software\\Tamrix", L"N", c.value);
        ASSERT_TRUE(env.SaveDwordValue(HKEY_CURRENT_USER, L"Software\\Tamrix", L"N")) << c.text;
        EXPECT_EQ(SettingsText(), std::wstring(L"[HKEY_CURRENT_USER\\Software\\Tamrix]\r\nN=") + c.text + L"\r\n");
        registry().SetDword(HKEY_CURRENT_USER, L"Software\\Tamrix", L"N", 12345);
        EXPECT_TRUE(env.RestoreDwordValue(HKEY_CURRENT_USER, L"Software\\Tamrix", L"N")) << c.text;
        EXPECT_EQ(NumberOf(HKEY_CURRENT_USER, L"Software\\Tamrix", L"N"), c.value) << c.text;
    }
}

// Only a REG_DWORD of 4 bytes is a number: data of any other type or size would be saved as some
// other number and restored as a REG_DWORD that the value never was.
TEST_F(ValueRecordsTest, NumberSaveCarriesOnlyFourByteDwords) {
    registry().SetValue(HKEY_USERS, L"S", L"Negative", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF});
    registry().SetValue(HKEY_USERS, L"S", L"Text", REG_SZ, {0x31, 0, 0, 0});
    registry().SetValue(HKEY_USERS, L"S", L"Two", REG_BINARY, {1, 2});
    registry().SetValue(HKEY_USERS, L"S", L"None", REG_NONE, {});
    registry().SetValue(HKEY_USERS, L"S", L"Short", REG_DWORD, {1, 2});
    registry().SetValue(HKEY_USERS, L"S", L"Quad", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(env.SaveDwordValue(HKEY_USERS, L"S", L"Negative"));
    for (auto name : {L"Text", L"Two", L"None", L"Short", L"Quad", L"Missing"}) {
        EXPECT_FALSE(env.SaveDwordValue(HKEY_USERS, L"S", name)) << Narrow(name);
    }
    EXPECT_EQ(SettingsText(), L"[HKEY_USERS\\S]\r\nNegative=-2\r\n");
}

TEST_F(ValueRecordsTest, MissingOrEmptyRecordRestoresNothingAndCreatesNoKey) {
    std::vector<std::wstring> before = registry().Listing();
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B", L"N")) << "no settings file";
    EXPECT_FALSE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B", L"T"));
    files().WriteFile(kIniFile, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B]\r\nN=\r\nT=\r\nQ=\"\"\r\n");
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B", L"N")) << "empty record";
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B", L"Q")) << "empty once quotes are stripped";
    EXPECT_FALSE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B", L"T"));
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B", L"Other"));
    EXPECT_EQ(registry().Listing(), before);
}

TEST_F(ValueRecordsTest, MissingKeyIsCreatedWithItsParentsOnlyForAnExistingRecord) {
    files().WriteFile(kIniFile, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New\\Deep]\r\nN=5\r\nT=text\r\n");
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New\\Other", L"N"));
    EXPECT_FALSE(registry().HasKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New"));
    EXPECT_TRUE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New\\Deep", L"N"));
    EXPECT_EQ(NumberOf(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New\\Deep", L"N"), 5u);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New");
    EXPECT_TRUE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New\\Deep", L"T"));
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\New\\Deep", L"T")->data, sim::TextBytes(L"text"));
}

TEST_F(ValueRecordsTest, StringOf259CharactersIsCarriedWholeAndLongerOnesGiveNoRecord) {
    std::wstring longest(259, L'x');
    registry().SetString(HKEY_CURRENT_USER, L"S", L"Longest", longest);
    registry().SetString(HKEY_CURRENT_USER, L"S", L"TooLong", longest + L"y");
    // 260 characters with no terminator: the data fill the whole buffer.
    registry().SetValue(HKEY_CURRENT_USER, L"S", L"Unterminated", REG_SZ, sim::TextBytes(longest + L"y", false));
    EXPECT_FALSE(env.SaveStringValue(HKEY_CURRENT_USER, L"S", L"TooLong"));
    EXPECT_FALSE(env.SaveStringValue(HKEY_CURRENT_USER, L"S", L"Unterminated"));
    EXPECT_FALSE(files().Exists(kIniFile)) << "no record, no settings file";
    EXPECT_TRUE(env.SaveStringValue(HKEY_CURRENT_USER, L"S", L"Longest"));
    registry().DeleteTree(HKEY_CURRENT_USER, L"S");
    EXPECT_TRUE(env.RestoreStringValue(HKEY_CURRENT_USER, L"S", L"Longest"));
    EXPECT_EQ(registry().GetValue(HKEY_CURRENT_USER, L"S", L"Longest")->data, sim::TextBytes(longest));
    EXPECT_FALSE(env.RestoreStringValue(HKEY_CURRENT_USER, L"S", L"TooLong"));
}

TEST_F(ValueRecordsTest, ShorterUnterminatedStringIsBoundedByTheZeroedBuffer) {
    registry().SetValue(HKEY_CURRENT_USER, L"S", L"T", REG_SZ, sim::TextBytes(L"abc", false));
    EXPECT_TRUE(env.SaveStringValue(HKEY_CURRENT_USER, L"S", L"T"));
    EXPECT_EQ(SettingsText(), L"[HKEY_CURRENT_USER\\S]\r\nT=abc\r\n");
}

TEST_F(ValueRecordsTest, RecordTextLongerThanTheBufferIsRestoredAsItsFirst259Characters) {
    std::string text(300, 'z');
    files().WriteFile(kIniFile, "[HKEY_CURRENT_USER\\S]\r\nT=" + text + "\r\n");
    EXPECT_TRUE(env.RestoreStringValue(HKEY_CURRENT_USER, L"S", L"T"));
    EXPECT_EQ(registry().GetValue(HKEY_CURRENT_USER, L"S", L"T")->data, sim::TextBytes(std::wstring(259, L'z')));
}

TEST_F(ValueRecordsTest, ExpandableAndMultiStringsAreSavedUpToTheirFirstNulAndRestoredAsPlainStrings) {
    registry().SetString(HKEY_LOCAL_MACHINE, L"S", L"Expand", L"%SystemRoot%\\Video", REG_EXPAND_SZ);
    std::vector<uint8_t> multi = sim::TextBytes(L"one");
    std::vector<uint8_t> second = sim::TextBytes(L"two");
    multi.insert(multi.end(), second.begin(), second.end());
    registry().SetValue(HKEY_LOCAL_MACHINE, L"S", L"Multi", REG_MULTI_SZ, multi);
    EXPECT_TRUE(env.SaveStringValue(HKEY_LOCAL_MACHINE, L"S", L"Expand"));
    EXPECT_TRUE(env.SaveStringValue(HKEY_LOCAL_MACHINE, L"S", L"Multi"));
    EXPECT_EQ(SettingsText(), L"[HKEY_LOCAL_MACHINE\\S]\r\nExpand=%SystemRoot%\\Video\r\nMulti=one\r\n");
    EXPECT_TRUE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, L"S", L"Expand"));
    const sim::RegValue* restored = registry().GetValue(HKEY_LOCAL_MACHINE, L"S", L"Expand");
    EXPECT_EQ(restored->type, DWORD(REG_SZ));
    EXPECT_EQ(restored->data, sim::TextBytes(L"%SystemRoot%\\Video"));
}

TEST_F(ValueRecordsTest, EmptyStringIsSavedAsAnEmptyRecordThatRestoresNothing) {
    registry().SetString(HKEY_CURRENT_USER, L"S", L"T", L"");
    EXPECT_TRUE(env.SaveStringValue(HKEY_CURRENT_USER, L"S", L"T"));
    EXPECT_EQ(SettingsText(), L"[HKEY_CURRENT_USER\\S]\r\nT=\r\n");
    registry().SetString(HKEY_CURRENT_USER, L"S", L"T", L"kept");
    EXPECT_FALSE(env.RestoreStringValue(HKEY_CURRENT_USER, L"S", L"T"));
    EXPECT_EQ(registry().GetValue(HKEY_CURRENT_USER, L"S", L"T")->data, sim::TextBytes(L"kept"));
}

TEST_F(ValueRecordsTest, SavingTheSameValueTwiceLeavesOneRecordWithTheLaterText) {
    registry().SetDword(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area", 1);
    EXPECT_TRUE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area"));
    registry().SetDword(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area", 2);
    EXPECT_TRUE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, kDtChUtl, L"Area"));
    EXPECT_EQ(SettingsText(), std::wstring(kDtChUtlSection) + L"Area=2\r\n");
}

TEST_F(ValueRecordsTest, RootsOtherThanTheFourAreRefusedWithoutTouchingAnything) {
    const HKEY otherRoot = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000005u));  // HKEY_CURRENT_CONFIG
    files().WriteFile(kIniFile, "[\\S]\r\nN=1\r\nT=x\r\n");
    std::vector<std::wstring> before = registry().Listing();
    machine->ClearCalls();
    EXPECT_FALSE(env.SaveDwordValue(otherRoot, L"S", L"N"));
    EXPECT_FALSE(env.SaveStringValue(otherRoot, L"S", L"T"));
    EXPECT_FALSE(env.RestoreDwordValue(otherRoot, L"S", L"N"));
    EXPECT_FALSE(env.RestoreStringValue(otherRoot, L"S", L"T"));
    EXPECT_TRUE(machine->calls().empty());
    EXPECT_EQ(registry().Listing(), before);
    EXPECT_EQ(files().ReadFile(kIniFile), "[\\S]\r\nN=1\r\nT=x\r\n");
}

TEST_F(ValueRecordsTest, KeysThatRefuseTheNeededAccessGiveFalse) {
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S", L"N", 1);
    registry().Restrict(HKEY_LOCAL_MACHINE, L"S", KEY_READ);
    EXPECT_TRUE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N")) << "the save asks for KEY_QUERY_VALUE only";
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N")) << "KEY_SET_VALUE refused";
    registry().Restrict(HKEY_LOCAL_MACHINE, L"S", KEY_SET_VALUE);
    EXPECT_TRUE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N")) << "the restore asks for KEY_SET_VALUE only";
    EXPECT_FALSE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
    registry().Restrict(HKEY_LOCAL_MACHINE, L"S", 0);
    EXPECT_FALSE(env.SaveStringValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
    EXPECT_FALSE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
}

TEST_F(ValueRecordsTest, ValueThatCannotBeSetGivesFalse) {
    files().WriteFile(kIniFile, "[HKEY_LOCAL_MACHINE\\S]\r\nN=1\r\nT=x\r\n");
    machine->faults().FailAlways("RegSetValueExW", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(env.RestoreDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
    EXPECT_FALSE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, L"S", L"T"));
}

TEST_F(ValueRecordsTest, SettingsFileThatCannotBeWrittenGivesFalse) {
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S", L"N", 1);
    drives()[L'D'].writeProtected = true;
    EXPECT_FALSE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
    EXPECT_FALSE(files().Exists(kIniFile));
    drives()[L'D'].writeProtected = false;
    env.m_strIniFile = L"D:\\removed\\Movendo.ini";
    EXPECT_FALSE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
    EXPECT_FALSE(files().Exists(L"D:\\removed"));
}

// The settings file is created with its UTF-16LE byte-order mark just before its first record.
TEST_F(ValueRecordsTest, NoRecordLeavesNoSettingsFile) {
    EXPECT_FALSE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Missing", L"N"));
    EXPECT_FALSE(env.SaveStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Missing", L"T"));
    EXPECT_FALSE(files().Exists(kIniFile));
}

TEST_F(ValueRecordsTest, CharactersOutsideTheAnsiCodePageRoundTrip) {
    const std::wstring path = L"E:\\\xB179\xD654 \x263A";  // a recording folder in Hangul, and a symbol
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", path);
    EXPECT_TRUE(env.SaveStringValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath"));
    EXPECT_EQ(files().ReadFile(kIniFile).substr(0, 2), "\xFF\xFE");
    registry().DeleteTree(HKEY_LOCAL_MACHINE, kMainApp);
    EXPECT_TRUE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath"));
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath")->data, sim::TextBytes(path));
}

// What the byte-order mark prevents: a settings file in the ANSI code page (here one left by an
// earlier backup) turns those characters into question marks.
TEST_F(ValueRecordsTest, AnsiSettingsFileLosesThoseCharacters) {
    files().WriteFile(kIniFile, "");
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", L"E:\\\xB179\xD654");
    EXPECT_TRUE(env.SaveStringValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath"));
    EXPECT_TRUE(env.RestoreStringValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath"));
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath")->data, sim::TextBytes(L"E:\\??"));
}

TEST_F(ValueRecordsTest, ExistingSettingsFileIsNeitherReplacedNorGivenAMark) {
    files().WriteFile(kIniFile, "[Other]\r\nKept=1\r\n");
    registry().SetDword(HKEY_LOCAL_MACHINE, L"S", L"N", 4);
    EXPECT_TRUE(env.SaveDwordValue(HKEY_LOCAL_MACHINE, L"S", L"N"));
    EXPECT_EQ(files().ReadFile(kIniFile), "[Other]\r\nKept=1\r\n[HKEY_LOCAL_MACHINE\\S]\r\nN=4\r\n");
}
