// A key's tree as a file in the platform's hive format, and back (sim_regf.cpp).
#pragma once

#include <cstdint>
#include <vector>

namespace sim {

struct RegNode;

std::vector<uint8_t> WriteRegf(const RegNode& key);
// The values and subkeys of a whole hive file into the (empty) node; false for anything else.
bool ReadRegf(const std::vector<uint8_t>& bytes, RegNode& into);

}  // namespace sim
