// Ending one process outright, shared by the window step and the process step.
#pragma once

#include "platform/platform.h"

// How long a termination waits for the process to end.
constexpr DWORD kTerminationWaitMs = 500;

// Opens the process with all access rights (handle not inheritable), terminates it with exit
// code 0 and waits up to kTerminationWaitMs for it to end. When it cannot be opened nothing
// happens; the outcome of the termination and of the wait is not examined.
void TerminateAndWait(DWORD processId);
