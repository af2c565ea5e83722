// The simulated processes and their top-level windows.
#pragma once

namespace sim {
struct Processes {};
}  // namespace sim
