// Waiting for a file that another program holds open for a moment (a scanner, an indexer, a
// concurrent check): while the platform says a destination is in use, its replacement is tried
// again, for up to kInUseWaitPerFileMs for one file and kInUseWaitPerRunMs for the whole run.
#pragma once

#include "platform/platform.h"

constexpr DWORD kInUseWaitPerFileMs = 3000;
constexpr DWORD kInUseWaitPerRunMs = 30000;

// The wait for one file, begun at its first refusal.
class InUseWait {
public:
    // Sleeps one poll interval and is true while this file's and the run's time last; false once
    // either is spent (then the file counts as not landed).
    bool Again();

private:
    DWORD waited_ = 0;
};

// A run starts with the whole of its time (CEnvironment does this once per run).
void ResetInUseWaits();
