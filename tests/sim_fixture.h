// A fresh simulated machine for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/drives.h"
#include "platform/sim/filesystem.h"
#include "platform/sim/machine.h"

// The suite's data folder and its main settings key, as the tests seed them.
inline const std::wstring kSuite = L"C:\\ProgramData\\Tamrix\\Mirovane";
constexpr wchar_t kMainApp[] = L"SOFTWARE\\Tamrix\\Mirovane\\MainApp";

// A text of the tests (ASCII) for a failure message.
inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class SimTest : public ::testing::Test {
protected:
    sim::ScopedMachine machine;
    sim::FileSystem& files() { return machine->files(); }
    sim::DriveTable& drives() { return machine->drives(); }
};
