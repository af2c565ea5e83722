// The file transfer's machine: the suite's and the companion's folders where the shell's known
// folders put them, and a workspace on drive D:.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/environment.h"
#include "files/cleanup.h"
#include "platform/sim/known_folders.h"
#include "sim_fixture.h"

const std::wstring kCommon = L"C:\\ProgramData\\Tamrix\\Parlunet";
const std::wstring kLocal = L"C:\\Users\\user\\AppData\\Local\\Tamrix\\Parlunet";
const std::wstring kWorkspace = L"D:\\mvtemp";

class FilesTest : public SimTest {
protected:
    void SetUp() override {
        drives().Add(L'D', DRIVE_FIXED);
        drives().Add(L'E', DRIVE_FIXED);
        files().MakeFolders(kWorkspace);
        env.m_strTempDirectory = kWorkspace;
    }
    void Backup() {
        env.CopyMvdMngIniToWorkspace();
        env.CopySuiteDataToWorkspace(L"");
        env.CopyParlunetCommonDataToWorkspace(L"");
        env.CopyParlunetLocalDataToWorkspace(L"");
    }
    void Restore() {
        env.CopyParlunetLocalDataFromWorkspace(L"");
        env.CopyParlunetCommonDataFromWorkspace(L"");
        env.CopySuiteDataFromWorkspace(L"");
        env.CopyMvdMngIniFromWorkspace();
    }
    // Every entry below a folder, links not followed: relative paths, folders ending in a
    // separator, links ending in "@".
    std::vector<std::wstring> Tree(const std::wstring& folder) {
        std::vector<std::wstring> out;
        std::function<void(const sim::Node&, const std::wstring&)> add = [&](const sim::Node& node, const std::wstring& at) {
            for (const auto& child : node.children) {
                std::wstring path = at + child->name;
                if (child->IsLink()) {
                    out.push_back(path + L"@");
                } else if (child->IsFolder()) {
                    out.push_back(path + L"\\");
                    add(*child, path + L"\\");
                } else {
                    out.push_back(path);
                }
            }
        };
        if (auto node = files().Get(folder)) add(*node, L"");
        std::sort(out.begin(), out.end());
        return out;
    }
    size_t Calls(const std::wstring& prefix) {
        size_t count = 0;
        for (const auto& call : machine->calls()) count += call.compare(0, prefix.size(), prefix) == 0;
        return count;
    }
    CEnvironment env;
};

typedef std::vector<std::wstring> Names;
