// The simulated service control manager.
#pragma once

namespace sim {
struct Services {};
}  // namespace sim
