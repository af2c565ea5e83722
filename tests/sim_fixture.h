// A fresh simulated machine for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/drives.h"
#include "platform/sim/filesystem.h"
#include "platform/sim/machine.h"

class SimTest : public ::testing::Test {
protected:
    sim::ScopedMachine machine;
    sim::FileSystem& files() { return machine->files(); }
    sim::DriveTable& drives() { return machine->drives(); }
};
