// The machine-wide lock that one run of the program owns for its whole length, and the one rule
// of whether a run holds it: the program and MovendoCheck both ask it.
#pragma once

#include "platform/handles.h"

// The lock's name.
extern LPCWSTR const kRunMutexName;  // L"Global\\Movendo.Run"

// The lock as a run owns it: released when the run ends.
class RunLock {
public:
    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock, made so that only SYSTEM and Administrators may use it, with owner
    // Administrators. False when another run owns it: an object of that name whose owner is
    // SYSTEM or Administrators and that stays owned for kRunLockWaitMs (a lock that a killed run
    // left is taken over; one that MovendoCheck's probe holds for a moment is waited for). An
    // object of that name that anyone else made first stops nothing.
    bool Take();

private:
    KernelHandle mutex_;
    bool owned_ = false;
};

// How long a starting run waits for a lock that is owned.
constexpr DWORD kRunLockWaitMs = 250;

// True while a run owns the lock, or when this process may not even open it (a run's lock, made
// for administrators only, seen by a process that is not elevated). The probe owns a free lock for
// no longer than it takes to let it go again, so a run that starts meanwhile waits, never ends.
bool RunLockHeld();
