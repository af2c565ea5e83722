// The inspector's run: find and inspect both workspaces, compare them, optionally hold them
// against this machine or preview a restore, and render the result as text or JSON with an exit code.
#pragma once

#include <string>
#include <vector>


// Exit codes.
constexpr int kCheckConsistent = 0;   // both workspaces found, consistent, nothing unsafe
constexpr int kCheckIssues = 1;       // found, with differences, missing parts or unsafe entries;
                                      // /confirm: an item of the plan did not land
constexpr int kCheckNoWorkspace = 2;  // no workspace on any drive
constexpr int kCheckFailed = 3;       // the check itself failed (bad arguments included)
constexpr int kCheckWouldLose = 4;    // /preview: /set would delete saved data it cannot write back

struct CheckOptions {
    bool preview = false;
    bool verify = false;
    bool json = false;
    bool help = false;
    bool confirm = false;
    std::wstring plan;  // the plan file of /confirm
    std::wstring unknown;  // the first argument not understood
};

CheckOptions ParseCheckArguments(const std::vector<std::wstring>& arguments);

struct CheckResult {
    int exitCode = kCheckFailed;
    std::wstring output;
};

CheckResult RunCheck(const CheckOptions& options);
