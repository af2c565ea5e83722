// Who the check runs as: whether its token is elevated, the account whose HKEY_CURRENT_USER and
// local application data the program reads (the token's user, as Movendo.exe run in the same way
// reads them), and the user of the session the check itself runs in (over Remote Desktop, or with
// a second user switched in, the console's session is someone else's).
#pragma once

#include <string>

#include "platform/platform.h"

// False when the token is not elevated, or its elevation cannot be read.
bool RunsElevated();

struct Accounts {
    std::wstring runner;       // DOMAIN\name of the token's user; empty when it cannot be named
    std::wstring interactive;  // DOMAIN\name of the user of the check's session; empty when there is none
    DWORD session = 0;         // the check's session
    bool sessionKnown = false;
};

Accounts ReadAccounts();
