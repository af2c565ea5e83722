// The hive reader against hives that the simulated key save writes, that Debian's hivex tools
// (an implementation of the format nobody here wrote) read and change, that the compatibility
// layer writes in its text format, and against damaged copies of each.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "hive/hive_file.h"
#include "platform/sim/registry.h"
#include "platform/sim/sim_regf.h"

namespace {

std::string Bytes(const std::vector<uint8_t>& data) { return std::string(data.begin(), data.end()); }

const hive::Value* ValueOf(const hive::Key& key, const std::wstring& name) {
    for (const auto& value : key.values) if (value.name == name) return &value;
    return nullptr;
}

const hive::Key* SubkeyOf(const hive::Key& key, const std::wstring& name) {
    for (const auto& child : key.subkeys) if (child.name == name) return &child;
    return nullptr;
}

// A key of every shape the writer meets: inline, plain and big data, the default value, names in
// 8 bits and beyond, an empty subkey and more subkeys than one list holds.
sim::RegNode SampleKey() {
    sim::Registry registry;
    const std::wstring path = L"SOFTWARE\\Sample";
    registry.SetDword(HKEY_LOCAL_MACHINE, path, L"Number", 42);
    registry.SetValue(HKEY_LOCAL_MACHINE, path, L"", REG_SZ, sim::TextBytes(L"default"));
    registry.SetValue(HKEY_LOCAL_MACHINE, path, L"Big", REG_BINARY, std::vector<uint8_t>(40000, 0xAB));
    registry.SetValue(HKEY_LOCAL_MACHINE, path, L"Tiny", REG_BINARY, {1, 2});
    registry.SetValue(HKEY_LOCAL_MACHINE, path + L"\\\u9332\u753b", L"\u00e9t\u00e9", REG_DWORD, sim::DwordBytes(7));
    registry.MakeKey(HKEY_LOCAL_MACHINE, path + L"\\Empty");
    for (int i = 0; i < 600; ++i) registry.SetDword(HKEY_LOCAL_MACHINE, path + L"\\Many\\k" + std::to_wstring(i), L"i", static_cast<DWORD>(i));
    return *registry.Find(HKEY_LOCAL_MACHINE, path);
}

bool HaveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string TempFile(const std::string& name, const std::string& bytes) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string ReadBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(HiveTest, WhatTheKeySaveWritesReadsBackWhole) {
    sim::RegNode key = SampleKey();
    hive::Reading reading = hive::ReadHive(Bytes(sim::WriteRegf(key)));
    ASSERT_TRUE(reading.Whole()) << static_cast<int>(reading.damage);
    EXPECT_EQ(reading.format, hive::Format::Regf);
    EXPECT_EQ(ValueOf(reading.root, L"Number")->data, Bytes(sim::DwordBytes(42)));
    EXPECT_EQ(ValueOf(reading.root, L"")->data, Bytes(sim::TextBytes(L"default")));
    EXPECT_EQ(ValueOf(reading.root, L"Big")->data, std::string(40000, '\xAB')) << "big data in segments";
    EXPECT_EQ(ValueOf(reading.root, L"Tiny")->data, std::string("\x01\x02", 2)) << "data inline";
    const hive::Key* wide = SubkeyOf(reading.root, L"\u9332\u753b");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(ValueOf(*wide, L"\u00e9t\u00e9")->type, static_cast<uint32_t>(REG_DWORD));
    ASSERT_NE(SubkeyOf(reading.root, L"Empty"), nullptr);
    EXPECT_EQ(SubkeyOf(reading.root, L"Many")->subkeys.size(), 600u) << "a list of lists";
}

// hivex opens the file, changes it, and the reader sees exactly that change.
TEST(HiveTest, HivexReadsAndChangesWhatTheKeySaveWrites) {
    if (!HaveTool("hivexsh")) GTEST_SKIP() << "hivexsh is missing (libhivex-bin, scripts/setup)";
    std::string path = TempFile("sample.hiv", Bytes(sim::WriteRegf(SampleKey())));
    std::string script = TempFile("sample.hivexsh", "cd \\Many\\k7\nlsval\nsetval 1\nAdded\ndword:0x2a\ncd \\\nadd FromHivex\ncommit\n");
    std::string listing = ::testing::TempDir() + "sample.out";
    ASSERT_EQ(std::system(("hivexsh -w -f " + script + " " + path + " >" + listing + " 2>&1").c_str()), 0) << ReadBack(listing);
    EXPECT_NE(ReadBack(listing).find("\"i\"=dword:00000007"), std::string::npos) << ReadBack(listing);
    hive::Reading reading = hive::ReadHive(ReadBack(path));
    ASSERT_TRUE(reading.Whole()) << static_cast<int>(reading.damage);
    const hive::Key* k7 = SubkeyOf(*SubkeyOf(reading.root, L"Many"), L"k7");
    ASSERT_NE(k7, nullptr);
    ASSERT_NE(ValueOf(*k7, L"Added"), nullptr);
    EXPECT_EQ(ValueOf(*k7, L"Added")->data, Bytes(sim::DwordBytes(42)));
    EXPECT_EQ(ValueOf(*k7, L"i"), nullptr) << "setval replaces the key's values";
    EXPECT_NE(SubkeyOf(reading.root, L"FromHivex"), nullptr);
    EXPECT_EQ(ValueOf(reading.root, L"Big")->data.size(), 40000u);
    std::string changed = ReadBack(path);
    sim::RegNode restored;
    EXPECT_TRUE(sim::ReadRegf(std::vector<uint8_t>(changed.begin(), changed.end()), restored)) << "and the key restore loads it";
}

// Every single byte of a hive changed in turn, and the file cut at every bin: refused or read,
// never read past an end (the sanitizers watch); a list that leads back to its own key is a cycle.
TEST(HiveTest, DamagedHivesAreRefusedNeverOverrun) {
    sim::Registry registry;
    registry.SetDword(HKEY_LOCAL_MACHINE, L"K\\Sub", L"v", 1);
    registry.SetValue(HKEY_LOCAL_MACHINE, L"K", L"text", REG_SZ, sim::TextBytes(L"some text"));
    std::string whole = Bytes(sim::WriteRegf(*registry.Find(HKEY_LOCAL_MACHINE, L"K")));
    for (size_t at = 4096; at < whole.size(); ++at) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string damaged = whole;
            damaged[at] = static_cast<char>(damaged[at] ^ flip);
            hive::ReadHive(damaged);
        }
    }
    EXPECT_EQ(hive::ReadHive(whole.substr(0, 4095)).damage, hive::Damage::ShortBaseBlock);
    EXPECT_EQ(hive::ReadHive(whole.substr(0, whole.size() - 1)).damage, hive::Damage::CutShort);
    std::string checksum = whole, sequence = whole;
    checksum[0x30] ^= 1;
    sequence[4] ^= 1;
    sequence[0x1FC] ^= 1;
    EXPECT_EQ(hive::ReadHive(checksum).damage, hive::Damage::Checksum);
    EXPECT_EQ(hive::ReadHive(sequence).damage, hive::Damage::Sequence);
    // The root's subkey list names the root itself.
    uint32_t root = static_cast<unsigned char>(whole[0x24]) | static_cast<unsigned char>(whole[0x25]) << 8;
    size_t nk = 4096 + root + 4, list = 4096 + (static_cast<unsigned char>(whole[nk + 0x1C]) | static_cast<unsigned char>(whole[nk + 0x1D]) << 8) + 4;
    std::string cycle = whole;
    std::memcpy(&cycle[list + 4], &root, 4);
    EXPECT_EQ(hive::ReadHive(cycle).damage, hive::Damage::Cycle);
    // A root key cell that claims to reach far past the bins, with a name as long as it says.
    std::string overrun = whole;
    int32_t huge = -0x7FFFFFF0;
    std::memcpy(&overrun[nk - 4], &huge, 4);
    overrun[nk + 0x48] = overrun[nk + 0x49] = '\xFF';
    EXPECT_EQ(hive::ReadHive(overrun).damage, hive::Damage::BadCell);
}

// The file the compatibility layer's key save wrote for a key of many kinds of value.
TEST(HiveTest, TheTextFormatReadsEveryKindOfValue) {
    const std::string text =
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\\\\Software\\\\Wow6432Node\\\\ProbeKey\n\n#arch=win64\n\n"
        "[] 1796832001\n#time=1dd87f658b57a24\n@=\"default text\"\n\"[br]\"=\"v\"\n"
        "\"bin\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n  18,19,1a\n"
        "\"ctl\"=\"\\t\\0\\n\\e\\1\\0007\"\n\"dw\"=dword:0000002a\n\"exp\"=str(2):\"%PATH%\"\n\"lone\"=\"\\x00d8A\\xe9\"\n"
        "\"multi\"=str(7):\"a\\0b\\0\"\n\"none\"=hex(0):\n\"sz\"=\"a \\\"quoted\\\" back\\\\slash\"\n\n"
        "[Br\\[ack\\]et] 1796831990\n\"k\"=\"v\"\n\n[Empty] 1796831990\n\n[Sub\\\\Deeper] 1796831990\n\"a\"=dword:00000001\n";
    hive::Reading reading = hive::ReadHive(text);
    ASSERT_TRUE(reading.Whole()) << static_cast<int>(reading.damage) << " at line " << reading.declared;
    auto units = [](std::u16string u) {
        std::string bytes;
        for (char16_t c : u + u'\0') bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        return bytes;
    };
    const hive::Key& root = reading.root;
    EXPECT_EQ(ValueOf(root, L"")->data, units(u"default text"));
    EXPECT_EQ(ValueOf(root, L"[br]")->data, units(u"v"));
    EXPECT_EQ(ValueOf(root, L"bin")->data.size(), 26u) << "a continued line";
    EXPECT_EQ(ValueOf(root, L"ctl")->data, units(std::u16string(u"\t\0\n\x1b\x01\0" u"7", 7))) << "escapes, three octal digits, then a digit";
    EXPECT_EQ(ValueOf(root, L"dw")->data, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(ValueOf(root, L"exp")->type, 2u);
    EXPECT_EQ(ValueOf(root, L"lone")->data, units(u"\xd8" "A\xe9")) << "a hex escape of four digits, then one of two";
    EXPECT_EQ(ValueOf(root, L"multi")->type, 7u);
    EXPECT_EQ(ValueOf(root, L"none")->data, "");
    EXPECT_EQ(ValueOf(root, L"sz")->data, units(u"a \"quoted\" back\\slash"));
    EXPECT_NE(SubkeyOf(root, L"Br[ack]et"), nullptr);
    EXPECT_NE(SubkeyOf(root, L"Empty"), nullptr);
    ASSERT_NE(SubkeyOf(root, L"Sub"), nullptr) << "a key implied by its subkey";
    EXPECT_NE(SubkeyOf(*SubkeyOf(root, L"Sub"), L"Deeper"), nullptr);

    EXPECT_EQ(hive::ReadHive(text.substr(0, text.size() - 3)).damage, hive::Damage::TextCutShort);
    EXPECT_EQ(hive::ReadHive(text.substr(0, 40) + '\0' + text.substr(40)).damage, hive::Damage::TextNul);
    EXPECT_EQ(hive::ReadHive("WINE REGISTRY Version 2\n\"v\"=dword:1\n").damage, hive::Damage::TextSyntax) << "a value before any key";
    EXPECT_EQ(hive::ReadHive("WINE REGISTRY Version 2\n[]\n\"v\"=dword:\n").damage, hive::Damage::TextSyntax);
    std::string deep = "WINE REGISTRY Version 2\n[";
    for (int i = 0; i < 600; ++i) deep += "k\\\\";
    EXPECT_EQ(hive::ReadHive(deep + "k]\n").damage, hive::Damage::TooDeep);
}
