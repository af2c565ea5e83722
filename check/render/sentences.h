// Every sentence the inspector says: findings, the names of verdicts and outcomes, and the advice,
// each built from what the finding names and from the program's own constants.
#pragma once

#include <string>

#include "base/trust.h"
#include "check/facts/settings_scan.h"
#include "check/findings/finding.h"
#include "check/findings/preview.h"
#include "check/plan/confirm.h"

std::wstring Sentence(const Finding& finding);

LPCWSTR TrustName(WorkspaceTrust trust);
LPCWSTR EncodingText(SettingsEncoding encoding);
std::wstring HiveDetailText(int detail, const std::wstring& declared, const std::wstring& size);
LPCWSTR OutcomeName(ValueOutcome outcome);
LPCWSTR OutcomeName(const FileChange& change);
LPCWSTR OutcomeName(FolderOutcome outcome);
std::wstring SnapshotLine(const SnapshotChange& snapshot);
std::wstring ValueDetailText(ValueDetail detail, const ValueChange& change);
std::wstring DeletionLine(const Deletion& deletion);
LPCWSTR ConfirmItemName(ConfirmItem item);
std::wstring ConfirmWhyText(const ConfirmFailure& failure);
// Registry data as the technician reads it: a number, a text, or the first bytes in hexadecimal.
std::wstring DataText(uint32_t type, const std::string& bytes);
