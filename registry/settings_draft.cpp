#include "registry/settings_draft.h"

#include <utility>

#include "base/file_read.h"
#include "base/links.h"
#include "base/whole_copy.h"
#include "registry/settings_file.h"

namespace {

// The seal: a last record in a section of its own, so that the profile operations add it at the
// very end of the file.
const WCHAR kSealSection[] = L"Movendo.Draft";
const WCHAR kSealKey[] = L"whole";
const char kSealText[] = "[Movendo.Draft]\r\nwhole=1";

// The file's bytes as they are on disk (never through the profile operations, which may answer
// from what they hold in memory).
bool ReadBytes(LPCWSTR path, std::string& bytes) {
    FileReadResult file = ReadWholeFile(path, kSettingsFileSizeBound);
    if (file.status != FileReadStatus::Read || file.bytes.size() != file.size) return false;
    bytes = std::move(file.bytes);
    return true;
}

// The seal's text as the file holds it: in single bytes, or in UTF-16LE.
std::string SealBytes(bool wide) {
    std::string out;
    for (const char* at = kSealText; *at; ++at) {
        out += *at;
        if (wide) out += '\0';
    }
    return out;
}

bool IsLineEnd(char byte) { return byte == '\r' || byte == '\n' || byte == '\0'; }

// What is left of a text once the line ends (and, in UTF-16LE, their zero bytes) at its end are cut off.
std::string WithoutTrailingLineEnds(std::string text) {
    while (!text.empty() && IsLineEnd(text.back())) text.pop_back();
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The profile operations write the whole file again at each record, and a write that a full drive
// cuts short can still be reported as a success. So the draft is checked on disk: the seal, once
// added, must be the file's last line (nothing of the file was lost at its end), and once it is
// removed again the file must be exactly what came before it (nothing was lost at the removal).
bool DraftIsWhole(LPCWSTR draft) {
    std::string sealed, unsealed;
    if (!WritePrivateProfileStringW(kSealSection, kSealKey, L"1", draft) || !ReadBytes(draft, sealed)) return false;
    bool wide = sealed.size() >= 2 && sealed[0] == '\xFF' && sealed[1] == '\xFE';
    std::string seal = WithoutTrailingLineEnds(SealBytes(wide));
    std::string body = WithoutTrailingLineEnds(sealed);
    if (!EndsWith(body, seal)) return false;
    if (!WritePrivateProfileStringW(kSealSection, nullptr, nullptr, draft) || !ReadBytes(draft, unsealed)) return false;
    if (unsealed.size() > body.size() - seal.size() || sealed.compare(0, unsealed.size(), unsealed) != 0) return false;
    return WithoutTrailingLineEnds(body.substr(unsealed.size(), body.size() - seal.size() - unsealed.size())).empty();
}

}  // namespace

SettingsDraft::SettingsDraft(CEnvironment& env, bool begin) : env_(env), settings_(env.m_strIniFile) {
    if (!begin || settings_.empty() || !FormatPath(draft_, L"%ls%ls", settings_.c_str(), kPartialCopySuffix)) return;
    if (IsLink(settings_.c_str()) || IsLink(draft_)) return;
    if (!FileMissing(draft_) && !RemoveFile(draft_)) return;  // left by a run that ended early
    env_.m_strIniFile = draft_;
    env_.m_bRecordWriteFailed = false;
    begun_ = true;
}

SettingsDraft::~SettingsDraft() {
    if (!begun_) return;
    env_.m_strIniFile = settings_;
    DeleteFileW(draft_);
}

// A pass that wrote no record has no draft: the machine has none of the values, so the workspace
// keeps no settings file of an earlier pass either.
void SettingsDraft::Commit() {
    if (!begun_ || env_.m_bRecordWriteFailed) return;
    if (FileMissing(draft_)) {
        RemoveFile(settings_.c_str());
        return;
    }
    if (!DraftIsWhole(draft_)) return;
    MoveFileExW(draft_, settings_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
