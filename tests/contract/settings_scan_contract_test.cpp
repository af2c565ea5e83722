// The inspector's scan of a settings file against the profile functions, on hostile files: for
// every key the file names, the scan must say the key is in a section's first copy exactly when
// the profile functions read a record for it, since the scan counts the records a restore never
// reaches. It also names the encoding and the repeated sections, which the profile functions
// cannot tell.
#include "check/facts/settings_scan.h"
#include "contract.h"

namespace {

std::string Utf16(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (char ch : ascii) {
        bytes += ch;
        bytes += '\0';
    }
    return bytes;
}

struct Probe {
    LPCWSTR section;
    LPCWSTR key;
};

}  // namespace

class SettingsScanContractTest : public ContractTest {
protected:
    std::wstring File() const { return Path(L"Movendo.ini"); }

    bool ProfileHas(LPCWSTR section, LPCWSTR key) {
        WCHAR buffer[MAX_PATH];
        GetPrivateProfileStringW(section, key, L"(none)", buffer, MAX_PATH, File().c_str());
        return std::wstring(buffer) != L"(none)";
    }

    static bool ScanHas(const SettingsScan& scan, LPCWSTR section, LPCWSTR key) {
        const SettingsScan::Section* found = scan.FindSection(section);
        return found && found->index.count(UpperCase(key)) > 0;
    }

    // Writes the file, scans it, and holds every probe of the scan against the profile functions.
    SettingsScan Agree(const std::string& bytes, const std::vector<Probe>& probes) {
        EXPECT_TRUE(WriteBytes(File(), bytes));
        SettingsScan scan = ScanSettingsFile(File());
        for (const Probe& probe : probes) {
            EXPECT_EQ(ScanHas(scan, probe.section, probe.key), ProfileHas(probe.section, probe.key))
                << "[" << std::string(probe.section, probe.section + std::wcslen(probe.section)) << "] "
                << std::string(probe.key, probe.key + std::wcslen(probe.key));
        }
        return scan;
    }
};

TEST_F(SettingsScanContractTest, BlanksQuotesCommentsAndLinesWithoutEquals) {
    SettingsScan scan = Agree("[ Sec ]\r\n  Key  =  \"quoted value\"  \r\nEmpty=\"\"\r\n; Area=5\r\nNoEquals\r\n"
                              "\tTabbed\t=\t'x'\r\n\r\n[Next]\r\nKey=other\r\n",
                              {{L"Sec", L"Key"}, {L"sec", L"EMPTY"}, {L"Sec", L"Area"}, {L"Sec", L"NoEquals"},
                               {L"Sec", L"Tabbed"}, {L"Next", L"Key"}, {L"Next", L"Empty"}, {L"Missing", L"Key"}});
    EXPECT_EQ(scan.encoding, SettingsEncoding::Ansi);
    EXPECT_TRUE(scan.duplicateSections.empty());
}

TEST_F(SettingsScanContractTest, RepeatedKeysAndSectionsAreReadFromTheFirst) {
    SettingsScan scan = Agree("[A]\r\nx=1\r\nx=2\r\n[B]\r\ny=1\r\n[a]\r\nx=3\r\nonlyInSecond=4\r\n[A]\r\nthird=5\r\n",
                              {{L"A", L"x"}, {L"A", L"onlyInSecond"}, {L"A", L"third"}, {L"B", L"y"}, {L"B", L"x"}});
    EXPECT_EQ(scan.duplicateSections, std::vector<std::wstring>{L"a"}) << "each repeated section named once";
    EXPECT_EQ(scan.FindSection(L"a")->keys.size(), 1u);
}

TEST_F(SettingsScanContractTest, ByteOrderMarksChooseTheEncoding) {
    SettingsScan wide = Agree(Utf16("[S]\r\nk=v\r\n[T]\r\nj=w\r\n"), {{L"S", L"k"}, {L"T", L"j"}, {L"S", L"j"}});
    EXPECT_EQ(wide.encoding, SettingsEncoding::Utf16Le);
    EXPECT_EQ(wide.records, 2u);
    SettingsScan narrow = Agree("[S]\r\nk=v\r\n", {{L"S", L"k"}});
    EXPECT_EQ(narrow.encoding, SettingsEncoding::Ansi);
    // Whether the line after a UTF-8 mark is a section differs between platforms; the ones after
    // it are read alike.
    SettingsScan utf8 = Agree("\xEF\xBB\xBF[S]\r\nk=v\r\n[T]\r\nj=w\r\n", {{L"T", L"j"}, {L"T", L"k"}});
    EXPECT_EQ(utf8.encoding, SettingsEncoding::Utf8);
}

TEST_F(SettingsScanContractTest, LongLinesDoNotHideTheRecordsAfterThem) {
    std::string line(100000, 'v');
    Agree("[S]\r\nlong=" + line + "\r\nafter=1\r\n[" + std::string(300, 's') + "]\r\nk=1\r\n[T]\r\nt=1\r\n",
          {{L"S", L"long"}, {L"S", L"after"}, {L"T", L"t"}});
}

// A settings file far beyond any real one is still read whole, by both.
TEST_F(SettingsScanContractTest, TwentyMegabytes) {
    std::string bytes;
    const std::string filler(200, 'f');
    for (int section = 0; bytes.size() < 20u * 1024 * 1024; ++section) {
        bytes += "[S" + std::to_string(section) + "]\r\n";
        for (int key = 0; key < 50; ++key) bytes += "k" + std::to_string(key) + "=" + filler + "\r\n";
    }
    bytes += "[Last]\r\nend=1\r\n";
    SettingsScan scan = Agree(bytes, {{L"S0", L"k0"}, {L"S1000", L"k49"}, {L"Last", L"end"}, {L"Last", L"k0"}});
    EXPECT_EQ(scan.encoding, SettingsEncoding::Ansi);
    EXPECT_GT(scan.records, 100000u);
}
