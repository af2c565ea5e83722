// Contract tests state what Windows does for the operations the product relies on. The same
// tests run on the simulated machine and, built for Windows, under Wine: a test that passes on
// both means the simulation and the real platform agree.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "platform/sim/drives.h"
#include "platform/sim/machine.h"
#endif

// Each test gets a fresh, empty scratch folder D:\contract\<test name> (drive D: must exist and
// be fixed; the simulated machine gets one).
class ContractTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::wstring& Dir() const { return dir_; }
    std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }
    // Writes a file through the platform; false when it cannot.
    bool WriteBytes(const std::wstring& path, const std::string& bytes);
    std::string ReadBytes(const std::wstring& path);

private:
#ifndef _WIN32
    sim::ScopedMachine machine_;
#endif
    std::wstring dir_;
};

// True when running on the real platform under Wine rather than on the simulated machine or
// Windows itself; a test uses it only to record a known gap of Wine.
bool RunningUnderWine();

// A text of the tests (ASCII) as a wide one.
std::wstring Widen(const char* text);
