// The simulated registry: its state and control interface.
#pragma once

namespace sim {
struct Registry {};
}  // namespace sim
