// The suite's values and files in the user's VirtualStore. A 32-bit program without a manifest,
// run without elevation, has its writes below HKEY_LOCAL_MACHINE\SOFTWARE and C:\ProgramData
// redirected into the user's VirtualStore and from then on reads them there ("Registry
// Virtualization"; "UAC file virtualization"). /get carries the machine's, never those: each of
// them that differs from the machine's, or that the machine lacks, is named. Read-only.
#pragma once

#include "check/findings/finding.h"

// Gaps for what differs or is only there; a note for a VirtualStore that equals the machine.
void CheckVirtualStore(Findings& gaps, Findings& notes);
