#include "check/render/sentences.h"

#include <cstring>

#include "check/findings/key_compare.h"

namespace {

const wchar_t kBringsBack[] = L"/set would bring back what this machine no longer has";
// What the suite reads from the user's VirtualStore, and what to do about it.
const wchar_t kVirtualAdvice[] = L"the suite reads it there when it runs without elevation, and /get does not carry it: once it is "
                                 L"certain that this is the one in use, copy it over the machine's as an administrator before /get";

// Each kind of finding with its sentence: {N} is the finding's N-th name, {d} the text of its detail.
struct SentenceRow {
    Say what;
    const wchar_t* text;
};

const SentenceRow kSentences[] = {
    {Say::WorkspacePlainFile, L"the workspace is a plain file, not a folder"},
    {Say::WorkspaceLink, L"{0} is a link, not a folder: a restore would not use it safely"},
    {Say::WorkspaceUntrusted, L"the workspace: {d}, so /set will neither read nor delete it"},
    {Say::WorkspaceWithoutPermissions, L"{0} lies on a drive that keeps no permissions (FAT, exFAT): anyone who can write to that drive "
                                       L"can change what /set writes back, so keep the drive in your custody until /set has run"},
    {Say::EntryIsLink, L"{0} is a link"},
    {Say::PartFile, L"{0} is a part file of a copy that a run ended before completing (not saved data; the next /get removes it)"},
    {Say::SettingsMissing, L"settings file Movendo.ini missing"},
    {Say::SettingsUnusable, L"settings file Movendo.ini is not a usable settings file ({d})"},
    {Say::SectionRepeated, L"settings file repeats the section [{0}]: a restore reads only the first"},
    {Say::HiveMissing, L"hive file {0} missing (saved only where its key exists: /verify tells)"},
    {Say::HiveNotWhole, L"hive file {0} is not whole: {d}"},
    {Say::SetFolderMissing, L"folder {0} missing"},
    {Say::PathTooLongToRestore, L"{0} has a path too long to restore"},
    {Say::WorkspaceNotTaken, L"{0} is a workspace too, but Movendo.exe /get and /set take {1}, on the first drive that holds one: {d}; "
                             L"keep the one to restore and move the other out of its drive's root before /set"},
    {Say::WorkspaceOnUnresolvedDrive, L"{0} is not used: the paths of its drive do not resolve (its root reads as another path, as a "
                                      L"SUBST letter's does), so Movendo.exe passes the drive over; to restore from it, copy it to the "
                                      L"root of a drive of its own"},
    {Say::RecordOnlyIn, L"record {0} only in {1}"},
    {Say::RecordDiffers, L"record {0} differs: \"{1}\" in mvtemp, \"{2}\" in mvtempbk"},
    {Say::FileOnlyIn, L"file {0} only in {1}"},
    {Say::FileSizeDiffers, L"file {0} differs: {1} bytes in mvtemp, {2} bytes in mvtempbk"},
    {Say::NotAFolder, L"{0}: not a folder"},
    {Say::NotFound, L"{0}: not found on any drive"},
    {Say::SettingsNotUsable, L"{0}: the settings file {1} is not a usable settings file ({d})"},
    {Say::SettingsHoldsNone, L"{0}: the settings file {1} holds none of the {2} values this machine has"},
    {Say::ValueNotSaved, L"{0}: [{1}] {2}: not saved (now \"{3}\")"},
    {Say::RecordReadsAsAnotherNumber, L"{0}: [{1}] {2}: its record \"{3}\" is read by /set as {4} (now \"{5}\")"},
    {Say::ValueDiffersFromRecord, L"{0}: [{1}] {2}: differs (now \"{3}\", saved \"{4}\")"},
    {Say::RecordForeign, L"{0}: [{1}] {2}: saved \"{3}\", but this machine has no such value: {b}"},
    {Say::EmptyText, L"{0}: [{1}] {2}: its text is empty, so no record is saved: /set leaves the installed value"},
    {Say::ValueUnreadable, L"{0}: [{1}] {2}: it exists but cannot be read, so a backup saves no record of it"},
    {Say::TextTooLong, L"{0}: [{1}] {2}: its text is longer than the 259 characters of a record"},
    {Say::NumberTooLong, L"{0}: [{1}] {2}: its data are longer than the 4 bytes of a number record"},
    {Say::NotANumber, L"{0}: [{1}] {2}: it is not a REG_DWORD of 4 bytes, so a backup saves no record of it"},
    {Say::TextWithLineBreak, L"{0}: [{1}] {2}: its text holds a line break, which no record can hold"},
    {Say::MultiString, L"{0}: [{1}] {2}: a REG_MULTI_SZ value, which /set writes back as REG_SZ holding its first string only"},
    {Say::OtherStringType, L"{0}: [{1}] {2}: a {d} value, which /set writes back as REG_SZ"},
    {Say::TextNotByteForByte, L"{0}: [{1}] {2}: its data do not come back byte for byte: of its {3} bytes /set writes back the text "
                              L"up to its first NUL, {4} bytes with the terminator (a NUL inside it, an odd length, a missing "
                              L"terminator or anything after it is lost)"},
    {Say::HiveWithoutKey, L"{0}: hive file {1} of HKEY_LOCAL_MACHINE\\{2}: the key does not exist on this machine: {b}"},
    {Say::HiveKeyUnreadable, L"{0}: hive file {1} of HKEY_LOCAL_MACHINE\\{2}: the key exists but cannot be opened, so a backup cannot save it"},
    {Say::HiveMissingForKey, L"{0}: hive file {1} of HKEY_LOCAL_MACHINE\\{2}: missing, though the key exists"},
    {Say::HiveDamaged, L"{0}: hive file {1} of HKEY_LOCAL_MACHINE\\{2}: {d}"},
    {Say::HiveKeyDiffers, L"{0}: hive file {1} of HKEY_LOCAL_MACHINE\\{2}: {d}"},
    {Say::HiveKeyPartlyRead, L"{0}: hive file {1} of HKEY_LOCAL_MACHINE\\{2}: part of the key cannot be read, so it was not compared whole"},
    {Say::SetUnreachable, L"{0}: {1}: the set's folder on this machine cannot be reached (a folder on the way is a link, or its path "
                          L"is too long), so a backup copies nothing of it"},
    {Say::CopyLink, L"{0}: {1}: a link, which a backup does not follow"},
    {Say::CopyTooLong, L"{0}: {1}: its path is too long to be copied"},
    {Say::CopyHardLink, L"{0}: {1}: not carried: a hard link"},
    {Say::CopyNameUnreachable, L"{0}: {1}: a name ending in a dot or a blank, which no path can name"},
    {Say::CopyFolderUnreadable, L"{0}: {1}: a folder that cannot be opened"},
    {Say::CopyDiffers, L"{0}: {1}: its copy differs in content"},
    {Say::CopySourceUnreadable, L"{0}: {1}: unreadable or locked, so a backup cannot copy it"},
    {Say::CopyMissing, L"{0}: {1}: not in the workspace"},
    {Say::CopyUnreadable, L"{0}: {1}: its copy cannot be read"},
    {Say::CopySizeDiffers, L"{0}: {1}: its copy has {2} of its {3} bytes"},
    {Say::StaleGone, L"{0}: {1}: this machine has no such entry: {b}"},
    {Say::StaleFiltered, L"{0}: {1}: a file of a name the backup does not carry: {b}"},
    {Say::StaleKindDiffers, L"{0}: {1}: a file where this machine has a folder, or a folder where it has a file: {b}"},
    {Say::MvdMngGone, L"{0}: {1}: this machine has no {2}: {b}"},
    {Say::MvdMngLink, L"{0}: {1}: a link, which a backup does not copy"},
    {Say::OtherAccount, L"this check runs as {0}, but the user of its session ({4}) is {1}: Movendo.exe /get run the same way saves "
                        L"the HKEY_CURRENT_USER and local application data of {0}, so rows {2} and the data set {3} are not the suite "
                        L"user's. To save {1}'s: sign in as {1}; if that account is a standard user, make it an administrator for the "
                        L"time of the backup; run Movendo.exe /get; then remove that right again"},
    {Say::NewestNotTaken, L"{0}: held against this machine is {1}, the newest; /set would take {2}: move {2} out of its drive's root "
                          L"before /set"},
    {Say::SuitePartFile, L"{0}: a name ending in .mvpart, which /get never carries and /set removes: if the suite uses this file, "
                         L"rename it and run Movendo.exe /get again"},
    {Say::VirtualValueDiffers, L"{0}\\{1}: differs in the VirtualStore ({2}\\{1} is {d}): {v}"},
    {Say::VirtualValueOnlyThere, L"{0}\\{1}: only in the VirtualStore ({2}\\{1} is {d}), this machine's key has no such value: {v}"},
    {Say::VirtualFileDiffers, L"{0}: its copy in the VirtualStore, {1}, differs from it: {v}"},
    {Say::VirtualFileOnlyThere, L"{0}: only in the VirtualStore ({1}), this machine has no such file: {v}"},
    {Say::VirtualUnreadable, L"{0}: the VirtualStore's {1} cannot be read, so it was not compared"},
    {Say::VirtualEqual, L"the VirtualStore {0} holds {1} of the suite's values or files, each equal to the machine's"},
    {Say::LossUnsafe, L"{0}: {d}: /set does not carry it: replace it by a real folder or file and run Movendo.exe /get again first"},
    {Say::LossHiveKeyMissing, L"{0}: hive file {1}: its key HKEY_LOCAL_MACHINE\\{2} does not exist, so /set does not restore it: "
                              L"install the suite first"},
    {Say::LossHiveKeyUnreadable, L"{0}: hive file {1}: its key HKEY_LOCAL_MACHINE\\{2} cannot be opened, so /set does not restore it"},
    {Say::LossSettings, L"{0}: the settings file {1} cannot be read by /set: run Movendo.exe /get again first"},
    {Say::LossSetUnreachable, L"{0}: {f} of {2}: the set's folder on this machine cannot be reached (a folder on the way is a "
                              L"link, or its path is too long), so /set copies nothing of it: replace the link by a folder first"},
    {Say::LossFilesCannotLand, L"{0}: {f} of {2} for {3} cannot land (a folder on the way is missing): create folder {4} first"},
    {Say::LossFolderNotAFolder, L"{0}: {f} of {2} cannot land: a file or a link stands where a saved folder goes (first: {5}): "
                                L"move it out of the way first"},
    {Say::LossDestinationFolder, L"{0}: {f} of {2} cannot land: a folder stands where a saved file goes (first: {5}): "
                                 L"move the folder out of the way first"},
    {Say::LossDestinationLink, L"{0}: {f} of {2} cannot land: a link stands where a saved file goes (first: {5}): "
                               L"remove the link first"},
    {Say::LossDestinationSecondName, L"{0}: {f} of {2} cannot land: the installed file has a second name, which /set never "
                                     L"writes through (first: {5}): delete the installed file first"},
    {Say::LossDestinationHeld, L"{0}: {f} of {2} cannot land: a program holds the installed file open (first: {5}): close "
                               L"that program first"},
    {Say::LossFileUnreadable, L"{0}: {f} of {2} cannot land: the saved copy or the installed file cannot be opened (first: "
                              L"{5}): check its permissions first"},
    {Say::LossNameUnreachable, L"{0}: {f} of {2} cannot land: a name ending in a dot or a blank, which no path can name "
                               L"(first: {5})"},
    {Say::LossPathTooLong, L"{0}: {f} of {2} cannot land: the path is too long (first: {5})"},
};

const wchar_t* TemplateOf(Say what) {
    for (const auto& row : kSentences) {
        if (row.what == what) return row.text;
    }
    return L"?";
}

// The SIDs of the aliases the program's workspace descriptor names.
const wchar_t* const kSidAliases[][2] = {{L"SY", L"S-1-5-18"}, {L"BA", L"S-1-5-32-544"}};

std::wstring SidOfAlias(const std::wstring& alias) {
    for (const auto& row : kSidAliases) {
        if (alias == row[0]) return row[1];
    }
    return alias;
}

// The icacls commands that give a workspace the program's own descriptor (kWorkspaceSecurity: an
// owner and full-control ACEs inherited by files and folders), its owner first.
std::wstring ProtectCommands(const std::wstring& path) {
    std::wstring sddl = kWorkspaceSecurity, grants;
    std::wstring owner = SidOfAlias(sddl.substr(2, sddl.find(L'D') - 2));
    for (size_t at = sddl.find(L'('); at != std::wstring::npos; at = sddl.find(L'(', at + 1)) {
        std::wstring ace = sddl.substr(at + 1, sddl.find(L')', at) - at - 1);
        grants += L" *" + SidOfAlias(ace.substr(ace.rfind(L';') + 1)) + L":(OI)(CI)F";
    }
    return L"icacls " + path + L" /setowner *" + owner + L" /T, then icacls " + path + L" /inheritance:r /grant:r" + grants + L" /T";
}

std::wstring UntrustedDetail(const Finding& finding) {
    auto trust = static_cast<WorkspaceTrust>(finding.detail);
    std::wstring text = TrustName(trust);
    return text;
}

std::wstring UntrustedAdvice(const Finding& finding) {
    auto trust = static_cast<WorkspaceTrust>(finding.detail);
    std::wstring secured = trust == WorkspaceTrust::OthersCanWrite ? std::wstring(L"; Movendo.exe /get secures it before it writes again") : std::wstring();
    return secured + L"; as an administrator, check what it holds, then give it the protected permissions (" +
           ProtectCommands(finding.names[0]) + L") or delete it";
}

LPCWSTR TypeName(uint32_t type) {
    switch (type) {
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_DWORD: return L"REG_DWORD";
    case REG_BINARY: return L"REG_BINARY";
    case REG_NONE: return L"REG_NONE";
    case REG_QWORD: return L"REG_QWORD";
    }
    return nullptr;
}

std::wstring TypeText(uint32_t type) {
    LPCWSTR name = TypeName(type);
    return name ? std::wstring(name) : L"type " + std::to_wstring(type);
}

// A key difference as /verify tells it (the saved key against this machine) or as /confirm does
// (the planned key against this machine after /set).
std::wstring KeyChangeText(const Finding& finding, bool planned) {
    const std::wstring& key = finding.names[3];
    std::wstring value = key.empty() ? std::wstring() : key + L"\\";
    value += finding.names[4].empty() ? std::wstring(L"(default)") : finding.names[4];
    switch (static_cast<KeyChange>(finding.detail)) {
    case KeyChange::KeyMissing:
        return planned ? L"the planned subkey " + key + L" is missing" : L"it holds the subkey " + key + L", which this machine no longer has: /set would bring it back";
    case KeyChange::KeyAdded:
        return planned ? L"the subkey " + key + L" was not planned" : L"this machine's subkey " + key + L" is not in it: /set would remove it";
    case KeyChange::ValueMissing:
        return planned ? L"the planned value " + value + L" is missing"
                       : L"it holds the value " + value + L", which this machine no longer has: /set would bring it back";
    case KeyChange::ValueAdded:
        return planned ? L"the value " + value + L" was not planned" : L"this machine's value " + value + L" is not in it: /set would remove it";
    case KeyChange::ValueDiffers:
        return L"the value " + value + L" differs (now " + DataText(finding.data[0].first, finding.data[0].second) +
               (planned ? L", planned " : L", saved ") + DataText(finding.data[1].first, finding.data[1].second) + L")";
    }
    return L"?";
}

std::wstring Counted(const std::wstring& count, const wchar_t* one, const wchar_t* many) { return count + L" " + (count == L"1" ? one : many); }

std::wstring DetailText(const Finding& finding) {
    switch (finding.what) {
    case Say::WorkspaceUntrusted: return UntrustedDetail(finding);
    case Say::SettingsUnusable:
    case Say::SettingsNotUsable: return EncodingText(static_cast<SettingsEncoding>(finding.detail));
    case Say::HiveNotWhole:
    case Say::HiveDamaged: return HiveDetailText(finding.detail, finding.names[finding.names.size() - 2], finding.names.back());
    case Say::OtherStringType: return TypeName(static_cast<uint32_t>(finding.detail)) ? TypeName(static_cast<uint32_t>(finding.detail)) : L"a type other than REG_SZ";
    case Say::HiveKeyDiffers: return KeyChangeText(finding, false);
    case Say::VirtualValueOnlyThere: return DataText(finding.data[0].first, finding.data[0].second);
    case Say::VirtualValueDiffers:
        return DataText(finding.data[0].first, finding.data[0].second) + L", the machine's " + DataText(finding.data[1].first, finding.data[1].second);
    case Say::WorkspaceNotTaken:
        return finding.detail == 0 ? L"both were last written at the same time"
                                   : finding.names[finding.detail == 1 ? 0 : 1] + L" is the newer (by its settings file and hive files)";
    case Say::LossUnsafe: {
        Finding inner{static_cast<Say>(finding.detail), std::vector<std::wstring>(finding.names.begin() + 1, finding.names.end())};
        return Sentence(inner);
    }
    default: return std::wstring();
    }
}

}  // namespace

std::wstring Sentence(const Finding& finding) {
    std::wstring out;
    for (const wchar_t* at = TemplateOf(finding.what); *at; ++at) {
        const wchar_t* close = *at == L'{' ? std::wcschr(at, L'}') : nullptr;
        if (close == nullptr) {
            out += *at;
            continue;
        }
        std::wstring field(at + 1, close);
        if (field == L"d") {
            out += DetailText(finding);
        } else if (field == L"b") {
            out += kBringsBack;
        } else if (field == L"v") {
            out += kVirtualAdvice;
        } else if (field == L"f") {  // the count of files the second name gives
            if (finding.names.size() > 1) out += Counted(finding.names[1], L"file", L"files");
        } else {
            size_t index = static_cast<size_t>(std::stoul(field));
            if (index < finding.names.size()) out += finding.names[index];
        }
        at = close;
    }
    if (finding.what == Say::WorkspaceUntrusted) out += UntrustedAdvice(finding);
    return out;
}

LPCWSTR TrustName(WorkspaceTrust trust) {
    switch (trust) {
    case WorkspaceTrust::Trusted: return L"only administrators can change it";
    case WorkspaceTrust::OthersCanWrite: return L"others can change it";
    case WorkspaceTrust::ForeignOwner: return L"its owner is someone else";
    case WorkspaceTrust::NoPermissions: return L"its drive keeps no permissions (FAT, exFAT): anyone can change it";
    case WorkspaceTrust::Unreadable: return L"its permissions cannot be read";
    }
    return L"?";
}

LPCWSTR EncodingText(SettingsEncoding encoding) {
    switch (encoding) {
    case SettingsEncoding::Missing: return L"missing";
    case SettingsEncoding::Utf16Le: return L"UTF-16LE";
    case SettingsEncoding::Utf8: return L"UTF-8";
    case SettingsEncoding::Ansi: return L"ANSI";
    case SettingsEncoding::TooLarge: return L"too large to read";
    case SettingsEncoding::Unreadable: return L"unreadable";
    }
    return L"?";
}

std::wstring HiveDetailText(int detail, const std::wstring& declared, const std::wstring& size) {
    auto format = static_cast<HiveFormat>(detail >> 8);
    switch (format) {
    case HiveFormat::Missing: return L"missing";
    case HiveFormat::Unreadable: return L"cannot be read";
    case HiveFormat::TooLarge: return L"larger than any hive of the suite";
    case HiveFormat::Empty: return L"empty";
    case HiveFormat::Unknown: return L"not a hive file";
    case HiveFormat::WindowsHive:
    case HiveFormat::TextRegistry: break;
    }
    switch (static_cast<hive::Damage>(detail & 0xFF)) {
    case hive::Damage::None: return L"a whole hive";
    case hive::Damage::ShortBaseBlock: return L"cut short inside its base block";
    case hive::Damage::Checksum: return L"the checksum of its base block is wrong";
    case hive::Damage::Sequence: return L"its sequence numbers differ: the write was not finished";
    case hive::Damage::NoBins: return L"it declares no hive bins";
    case hive::Damage::CutShort: return L"cut short: it declares " + declared + L" bytes, the file holds " + size;
    case hive::Damage::NoBinSignature: return L"its first hive bin has no signature";
    case hive::Damage::BadCell: return L"a cell of its hive bins is damaged (an offset, size or signature is wrong)";
    case hive::Damage::Cycle: return L"a key of it is reached twice (a cycle)";
    case hive::Damage::TooDeep: return L"its keys are nested deeper than the registry allows";
    case hive::Damage::TooManyKeys: return L"it holds more keys than it is read for";
    case hive::Damage::TextHeader: return L"its header line is damaged";
    case hive::Damage::TextNul: return L"it holds NUL bytes";
    case hive::Damage::TextCutShort: return L"cut short: it ends inside a line";
    case hive::Damage::TextSyntax: return L"its line " + declared + L" cannot be read";
    }
    return L"?";
}

LPCWSTR OutcomeName(ValueOutcome outcome) {
    switch (outcome) {
    case ValueOutcome::Same: return L"same";
    case ValueOutcome::Different: return L"different";
    case ValueOutcome::MissingKey: return L"missing key";
    case ValueOutcome::MissingValue: return L"missing value";
    case ValueOutcome::Unreadable: return L"cannot be read";
    case ValueOutcome::NotRestored: return L"not restored";
    }
    return L"?";
}

LPCWSTR OutcomeName(const FileChange& change) {
    switch (change.outcome) {
    case FileOutcome::Create: return L"create";
    case FileOutcome::Replace: return L"replace";
    case FileOutcome::ReplaceSame: return L"replace (same size)";
    case FileOutcome::NotRestored: break;
    }
    switch (change.block) {
    case FileBlock::None:
    case FileBlock::FolderMissing: return L"not restored (parent folder missing)";
    case FileBlock::FolderNotAFolder: return L"not restored (a file or a link where its folder goes)";
    case FileBlock::DestinationFolder: return L"not restored (a folder of that name)";
    case FileBlock::DestinationLink: return L"not restored (a link of that name)";
    case FileBlock::DestinationSecondName: return L"not restored (the installed file has a second name)";
    case FileBlock::DestinationHeld: return L"not restored (held open by a program)";
    case FileBlock::Unreadable: return L"not restored (cannot be opened)";
    case FileBlock::NameUnreachable: return L"not restored (a name no path can name)";
    case FileBlock::TooLong: return L"not restored (path too long)";
    }
    return L"?";
}

LPCWSTR OutcomeName(FolderOutcome outcome) {
    switch (outcome) {
    case FolderOutcome::Create: return L"created";
    case FolderOutcome::Exists: return L"exists already";
    case FolderOutcome::ParentMissing: return L"not created (parent missing)";
    case FolderOutcome::NoPath: return L"no path set";
    case FolderOutcome::NotLocal: return L"not created (not a path on a fixed or removable drive)";
    }
    return L"?";
}

std::wstring SnapshotLine(const SnapshotChange& snapshot) {
    switch (snapshot.outcome) {
    case SnapshotOutcome::NotSaved: return snapshot.key + L": left as it is (no " + snapshot.file + L" saved)";
    case SnapshotOutcome::KeyMissing: return snapshot.key + L": not restored, the key does not exist (install the suite first)";
    case SnapshotOutcome::KeyUnreadable: return snapshot.key + L": not restored, the key cannot be opened";
    case SnapshotOutcome::Replaced: return snapshot.key + L": replaced whole by " + snapshot.file + L" of " + snapshot.workspace;
    }
    return L"?";
}

std::wstring ValueDetailText(ValueDetail detail, const ValueChange& change) {
    switch (detail) {
    case ValueDetail::RecordReadsAs: return L"the record reads \"" + change.recordText + L"\", written as " + change.saved;
    case ValueDetail::NowMultiString: return L"REG_MULTI_SZ now: /set writes REG_SZ, its first string only";
    case ValueDetail::NowExpandString: return L"REG_EXPAND_SZ now: /set writes REG_SZ";
    }
    return L"?";
}

std::wstring DeletionLine(const Deletion& deletion) {
    switch (deletion.kind) {
    case DeletionKind::RebuiltFile: return deletion.path;
    case DeletionKind::PartFile: return deletion.path + L" (a part file, never carried: /set removes it)";
    case DeletionKind::Workspace: return deletion.path + L" (the workspace, with everything in it)";
    }
    return deletion.path;
}

LPCWSTR ConfirmItemName(ConfirmItem item) {
    switch (item) {
    case ConfirmItem::Value: return L"value";
    case ConfirmItem::Key: return L"key";
    case ConfirmItem::File: return L"file";
    case ConfirmItem::Folder: return L"folder";
    case ConfirmItem::Deleted: return L"deleted";
    }
    return L"?";
}

std::wstring ConfirmWhyText(const ConfirmFailure& failure) {
    const auto& n = failure.names;
    switch (failure.why) {
    case ConfirmWhy::MissingKey: return L"missing key";
    case ConfirmWhy::MissingValue: return L"missing value";
    case ConfirmWhy::Unreadable: return failure.item == ConfirmItem::Key ? L"cannot be opened" : L"cannot be read";
    case ConfirmWhy::ValueDiffers:
        return L"differs (now " + TypeText(static_cast<uint32_t>(std::stoul(n[0]))) + L" \"" + n[1] + L"\", planned " +
               TypeText(static_cast<uint32_t>(std::stoul(n[2]))) + L" \"" + n[3] + L"\")";
    case ConfirmWhy::KeyDiffers: {
        Finding first{Say::HiveKeyDiffers, {std::wstring(), std::wstring(), std::wstring(), failure.differences[0].key, failure.differences[0].value},
                      static_cast<int>(failure.differences[0].change),
                      {{failure.differences[0].live.type, failure.differences[0].live.data},
                       {failure.differences[0].saved.type, failure.differences[0].saved.data}}};
        return L"not as " + n[3] + L" holds it (" + Counted(n[0], L"value differs", L"values differ") + L", " +
               Counted(n[1], L"value", L"values") + L" and " + Counted(n[2], L"subkey", L"subkeys") + L" missing or not planned); " +
               KeyChangeText(first, true);
    }
    case ConfirmWhy::FileMissing: return L"missing";
    case ConfirmWhy::FileUnreadable: return L"cannot be read";
    case ConfirmWhy::FileSizeDiffers: return L"differs (" + n[0] + L" bytes, planned " + n[1] + L")";
    case ConfirmWhy::FileContentDiffers: return L"differs in content";
    case ConfirmWhy::FolderMissing: return L"missing";
    case ConfirmWhy::StillThere: return L"still there";
    case ConfirmWhy::WorkspaceKept:
        return L"kept by /set: it holds what did not land (named above); once their cause is mended, run Movendo.exe /set again";
    }
    return L"?";
}

std::wstring DataText(uint32_t type, const std::string& bytes) {
    if (type == REG_DWORD && bytes.size() == 4) {
        uint32_t number = 0;
        for (size_t i = 0; i < 4; ++i) number |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
        return L"REG_DWORD " + std::to_wstring(number);
    }
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && bytes.size() % sizeof(WCHAR) == 0) {
        std::wstring text(bytes.size() / sizeof(WCHAR), L'\0');
        std::memcpy(&text[0], bytes.data(), bytes.size());
        return TypeText(type) + L" \"" + text.substr(0, text.find(L'\0')) + L"\"";
    }
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    for (size_t i = 0; i < bytes.size() && i < 16; ++i) {
        hex += kDigits[static_cast<unsigned char>(bytes[i]) >> 4];
        hex += kDigits[static_cast<unsigned char>(bytes[i]) & 15];
    }
    std::wstring text = TypeText(type) + L" of " + std::to_wstring(bytes.size()) + L" bytes";
    if (!hex.empty()) text += L" " + hex;
    if (bytes.size() > 16) text += L"...";
    return text;
}
