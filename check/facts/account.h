// Who the check runs as: whether its token is elevated, the account whose HKEY_CURRENT_USER and
// local application data the program reads (the token's user, as Movendo.exe run in the same way
// reads them), and the user of the interactive console session.
#pragma once

#include <string>

// False when the token is not elevated, or its elevation cannot be read.
bool RunsElevated();

struct Accounts {
    std::wstring runner;       // DOMAIN\name of the token's user; empty when it cannot be named
    std::wstring interactive;  // DOMAIN\name of the console session's user; empty when there is none
};

Accounts ReadAccounts();
