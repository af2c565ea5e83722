// The restore plan: for every write that /set will make, what is needed to check afterwards that
// it landed. It is the "plan" member of "/preview /json", saved by the technician before /set and
// held against the machine by "/confirm" after it:
//   format, version     kRestorePlanFormat and kRestorePlanVersion
//   values              {section, name, type ("REG_DWORD" or "REG_SZ"), data (a number or a text)},
//                       the merged writes of both runs in the restore's order
//   keys                {key, file, bytes, fnv1a64}: the keys replaced whole, with the hive file
//                       of the last run that loads one
//   files               {path, bytes, fnv1a64}: every file copied back, as the last run leaves it
//   folders             {value, path}: the recording folders /set makes
//   deleted             the paths /set deletes last (the rebuilt data files, the workspaces)
// A content hash is FNV-1a 64 of the file's bytes, as 16 hexadecimal digits.
#pragma once

#include "check/json_text.h"
#include "check/preview.h"

constexpr char kRestorePlanFormat[] = "MovendoRestorePlan";
constexpr int kRestorePlanVersion = 1;

// Reads the workspace copies for their hashes; changes nothing.
Json RestorePlanJson(const PreviewReport& preview);

std::string HashText(uint64_t hash);
