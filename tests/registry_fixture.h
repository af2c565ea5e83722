// A simulated machine with the primary workspace D:\mvtemp located, for the registry transfer.
#pragma once

#include <string>

#include "base/environment.h"
#include "platform/sim/profile.h"
#include "platform/sim/registry.h"
#include "platform/sim/token.h"
#include "sim_fixture.h"

// The settings file's bytes for a text: the UTF-16LE byte-order mark and the text in UTF-16LE.
inline std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t ch : text) {
        bytes += static_cast<char>(static_cast<unsigned>(ch) & 0xFF);
        bytes += static_cast<char>((static_cast<unsigned>(ch) >> 8) & 0xFF);
    }
    return bytes;
}

class RegistryTest : public SimTest {
protected:
    static constexpr const wchar_t* kWorkspace = L"D:\\mvtemp";
    static constexpr const wchar_t* kIniFile = L"D:\\mvtemp\\Movendo.ini";

    void SetUp() override {
        drives().Add(L'D', DRIVE_FIXED);
        files().MakeFolders(kWorkspace);
        env.m_strTempDirectory = kWorkspace;
        env.m_strIniFile = kIniFile;
    }
    // No operation leaves a key, token or file handle open, on any path.
    void TearDown() override { EXPECT_EQ(machine->OpenHandles(), 0u) << "handles left open"; }

    sim::Registry& registry() { return machine->registry(); }
    sim::Token& token() { return machine->token(); }

    // The settings file as text, decoded as the profile operations read it.
    std::wstring SettingsText() {
        std::string bytes = files().ReadFile(kIniFile);
        return sim::DecodeProfile(std::vector<uint8_t>(bytes.begin(), bytes.end())).text;
    }
    // The value's data as a number; 0xDEADBEEF when the value is missing or not 4 bytes.
    DWORD NumberOf(HKEY root, const std::wstring& path, const std::wstring& name) {
        const sim::RegValue* value = registry().GetValue(root, path, name);
        if (value == nullptr || value->data.size() != 4) return 0xDEADBEEF;
        return DWORD(value->data[0]) | DWORD(value->data[1]) << 8 | DWORD(value->data[2]) << 16 |
               DWORD(value->data[3]) << 24;
    }

    CEnvironment env;
};
