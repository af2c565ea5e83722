// The machine-wide lock that one run of the program holds for its whole length, and the one rule
// of whether an object of that name is a run's lock: the program and MovendoCheck both ask it.
#pragma once

#include "platform/handles.h"

// The lock's name.
extern LPCWSTR const kRunMutexName;  // L"Global\\Movendo.Run"

// Takes the lock, made so that only SYSTEM and Administrators may use it. False when a run holds
// it already; an object of that name that no run made (another owner) stops nothing.
bool TakeRunLock(KernelHandle& lock);

// True while a run holds the lock: an object of that name whose owner is SYSTEM, Administrators
// or the running user, or one that this process may not even open (a run's lock, made for
// administrators only, seen by a process that is not elevated).
bool RunLockHeld();
