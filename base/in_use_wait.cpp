#include "base/in_use_wait.h"

#include <algorithm>

namespace {

constexpr DWORD kInUsePollMs = 100;

DWORD runWaited = 0;

}  // namespace

bool InUseWait::Again() {
    DWORD left = std::min(kInUseWaitPerFileMs - std::min(kInUseWaitPerFileMs, waited_),
                          kInUseWaitPerRunMs - std::min(kInUseWaitPerRunMs, runWaited));
    if (left == 0) return false;
    DWORD pause = std::min(left, kInUsePollMs);
    Sleep(pause);
    waited_ += pause;
    runWaited += pause;
    return true;
}

void ResetInUseWaits() { runWaited = 0; }
