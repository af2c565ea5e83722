// What the process sets for itself before it starts its work.
#pragma once

// Turns on the process's redirection trust policy where the platform offers it (Windows 10 22H2,
// Windows 11; looked up at run time): from then on no file operation of this process follows a
// junction that a user who is not an administrator made. Elsewhere the call fails and nothing
// changes: the program's own rules against links still hold.
void EnforceRedirectionTrust();
