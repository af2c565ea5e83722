// The simulated process token and its privileges.
#pragma once

namespace sim {
struct Token {};
}  // namespace sim
