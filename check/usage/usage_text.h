// What MovendoCheck's usage and the technician's guide both say: the version line, the commands,
// the exit codes with what to do next, and the technician's sequence. The texts are data, laid out
// by Wrap for a console and for the guide alike. This file and usage_text.cpp need the C++ library
// alone: the guide is written from them on the build machine (check/main_guide.cpp).
#pragma once

#include <string>

struct UsageEntry {
    const wchar_t* name;  // a command, an exit code, a step
    const wchar_t* text;  // may be empty
};

inline constexpr const wchar_t* kCheckPurpose =
    L"MovendoCheck checks the workspaces mvtemp and mvtempbk that Movendo.exe /get leaves, without changing anything.";

inline constexpr UsageEntry kCheckCommands[] = {
    {L"MovendoCheck", L"every workspace on every drive, and which of them Movendo.exe takes; both workspaces it takes: where "
                      L"each is, who can change it, what it holds, and what differs between them"},
    {L"/verify", L"also holds them against this machine (run it before drive C: is wiped): every value, file and key the "
                 L"backup carries must equal what the machine has now"},
    {L"/preview", L"also shows what Movendo.exe /set would change on this machine, and what it would delete without "
                  L"writing it back; with /json the document holds the restore plan"},
    {L"/confirm PLAN", L"after /set: holds this machine against PLAN, the saved output of /preview /json: every value, key "
                       L"(value by value), file, recording folder and deletion it plans must have landed"},
    {L"/json", L"prints one JSON document instead of text"},
    {L"/?", L"this usage"},
};

struct ExitCodeText {
    int code;
    const wchar_t* meaning;
    const wchar_t* next;  // what the technician does next
};

inline constexpr ExitCodeText kCheckExitCodes[] = {
    {0, L"both workspaces found, consistent and without unsafe entries (with /verify: and equal to this machine; with "
        L"/confirm: every planned item landed)",
     L"go on with the next step of the sequence"},
    {1, L"found, with differences, missing parts, unsafe entries or a workspace the program does not take (with /verify: "
        L"or gaps against this machine; with /confirm: an item did not land, each one named)",
     L"read each named item. Where a second drive holds a workspace too, keep the one to restore and move the other "
     L"out of its drive's root. After /verify: mend its cause, run Movendo.exe /get again and verify again. After "
     L"/preview: restore only when what is named may change. After /confirm: mend the cause, run Movendo.exe /set "
     L"again and confirm again"},
    {2, L"no workspace found",
     L"connect the drive that holds mvtemp and mvtempbk; before the wipe, run Movendo.exe /get first"},
    {3, L"the check itself failed, an argument was not understood, or PLAN is missing or not a plan; also a run of "
        L"Movendo.exe in progress, or a console that is not elevated",
     L"run the check from a console started with \"Run as administrator\", once Movendo.exe has ended, with the "
     L"arguments shown here; with /confirm give the file that /preview /json wrote"},
    {4, L"with /preview: /set would delete saved data that it cannot write back (before 1)",
     L"do not run /set: do first what each named item asks (install the suite, make the named folder), then run "
     L"/preview again"},
};

inline constexpr UsageEntry kTechnicianSequence[] = {
    {L"Movendo.exe /get", L"saves the suite's settings, keys and files into both workspaces"},
    {L"MovendoCheck /verify", L"holds the backup against this machine; wipe drive C: only on exit 0"},
    {L"wipe drive C:, reinstall Windows and the suite", L""},
    {L"MovendoCheck /preview /json > D:\\plan.json",
     L"saves the restore plan on a drive that survives; restore only on exit 0 (or 1, after reading)"},
    {L"Movendo.exe /set", L"writes the settings, keys and files back"},
    {L"MovendoCheck /confirm D:\\plan.json",
     L"exit 0 when everything planned came back; otherwise it names what did not land, and a workspace that /set "
     L"kept for it: mend the cause, run Movendo.exe /set again, and confirm again"},
};

// "MovendoCheck <version>": the first line of the usage, and of every report.
std::wstring CheckVersionLine();

// The text laid out in lines of at most 79 characters, each ending in "\n": the first line after
// `first`, the others after `rest` (normally as many blanks). A word longer than a line stands alone.
std::wstring Wrap(const std::wstring& first, const std::wstring& rest, const std::wstring& text);

// The usage MovendoCheck /? prints.
std::wstring CheckUsage();
