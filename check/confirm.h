// "/confirm PLAN": the machine after /set held against the restore plan that "/preview /json"
// printed before it (check/restore_plan.h). Each planned value, file, folder and deletion must
// have landed; a key replaced whole must exist, its content not compared (no platform call reads a
// live key as a hive without writing a file, and the hive file went with the workspace). Read-only.
#pragma once

#include <string>
#include <vector>

#include "check/json_text.h"

struct ConfirmReport {
    size_t planned = 0;      // items compared
    size_t restored = 0;     // of them as planned
    size_t notCompared = 0;  // keys that exist, their content not compared
    Json failures = Json::array();  // {item, what, why} per item that did not land
    std::vector<std::wstring> notes;
};

// False, with the reason, when the document is not a restore plan.
bool ConfirmPlan(const Json& document, ConfirmReport& report, std::wstring& error);
// The document of a plan file: a UTF-8 file (with or without a byte-order mark) or a UTF-16LE
// one; null with the reason when it cannot be read or is not JSON.
Json ReadPlanFile(const std::wstring& path, std::wstring& error);
