// The restore plan: for every write that /set will make, what is needed to check afterwards that
// it landed. It is the "plan" member of "/preview /json", saved by the technician before /set and
// held against the machine by "/confirm" after it:
//   format, version  kRestorePlanFormat and kRestorePlanVersion
//   values           {section, name, type ("REG_DWORD" or "REG_SZ"), data (a number or a text)},
//                    the merged writes of both runs in the restore's order
//   keys             {key, file, bytes, fnv1a64, subkeys, values}: the keys replaced whole, with the
//                    hive file of the last run that loads one and its content: every key below it
//                    ("" for the key itself, "Sub\Key" below it) and every value
//                    {key, name, type (a number), data (hexadecimal bytes)}
//   files            {path, bytes, fnv1a64}: every file copied back, as the last run leaves it
//   folders          {value, path}: the recording folders /set makes
//   deleted          the paths /set deletes (the part files and rebuilt data files, the workspaces)
// A content hash is FNV-1a 64 of the file's bytes, as 16 hexadecimal digits. The reader takes only
// a plan of exactly this shape: every member of every item present, of its type and range, and
// no other member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/findings/preview.h"
#include "check/json/json.h"
#include "hive/hive_file.h"

constexpr wchar_t kRestorePlanFormat[] = L"MovendoRestorePlan";
constexpr int kRestorePlanVersion = 1;
// Far above the plan of any installation (50,000 files make about 8 MB).
constexpr uint64_t kPlanSizeBound = 64ull << 20;

struct PlannedValue {
    std::wstring section, name;
    bool isString = false;
    std::wstring text;    // REG_SZ: the text as the restore reads it
    uint32_t number = 0;  // REG_DWORD: the number it writes
};

struct PlannedKey {
    std::wstring key, file;
    uint64_t bytes = 0;
    std::wstring hash;
    hive::Key content;
};

struct PlannedFile {
    std::wstring path;
    uint64_t bytes = 0;
    std::wstring hash;
};

struct PlannedFolder {
    std::wstring value, path;
};

struct RestorePlan {
    std::vector<PlannedValue> values;
    std::vector<PlannedKey> keys;
    std::vector<PlannedFile> files;
    std::vector<PlannedFolder> folders;
    std::vector<std::wstring> deleted;
};

// Reads the workspace copies for their sizes and hashes; changes nothing.
RestorePlan BuildRestorePlan(const PreviewReport& preview);
Json RestorePlanJson(const RestorePlan& plan);

enum class PlanProblem {
    None, Missing, Unreadable, TooLarge, BadEncoding, NotJson, TooDeep, TooManyValues,  // the file
    NotAPlan, NoMember, UnknownMember, WrongType, OutOfRange,                           // an item
};

struct PlanReading {
    PlanProblem problem = PlanProblem::None;
    std::wstring item;  // the member at fault, such as "plan.values[3].data"
    RestorePlan plan;
};

PlanReading ReadPlanFile(const std::wstring& path);
PlanReading ReadPlanText(const std::string& bytes);

std::wstring HashText(uint64_t hash);
