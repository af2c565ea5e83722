// The command line and the dispatch of "/get" and "/set".
#pragma once

#include "platform/platform.h"

// The command-line tail: what follows the program's own name. The name ends at the first
// character of code 0x20 or less outside double quotes (a quote toggles the quoted state); the
// characters of code 1 to 0x20 after it are skipped; nothing is removed from the end.
LPCWSTR CommandLineTail(LPCWSTR commandLine);

// Runs the command the tail names: "/get" backs up into "mvtempbk" then "mvtemp", "/set"
// restores from "mvtemp" then "mvtempbk"; anything else does nothing. Compared as a whole,
// with regard to case.
void RunCommand(LPCWSTR tail);
