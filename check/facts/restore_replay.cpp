#include "check/facts/restore_replay.h"

#include "base/path_buffer.h"
#include "procedures/catalogue_walk.h"
#include "registry/record_text.h"
#include "registry/section_name.h"
#include "check/facts/settings_scan.h"

std::wstring SectionOf(HKEY root, LPCWSTR subKey) {
    PathBuffer section;
    FormatSectionName(root, subKey, section);
    return section;
}

std::wstring NumberText(DWORD value) {
    WCHAR text[kNumberTextCount];
    FormatNumberRecord(value, text);
    return text;
}

std::wstring RecordKey(HKEY root, const std::wstring& subKey, const std::wstring& name) {
    return UpperCase(SectionOf(root, subKey.c_str()) + L"|" + name);
}

bool ReadRestoredRecord(const std::wstring& settingsFile, HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString,
                        std::wstring& text, std::wstring* recordText, DWORD* number) {
    PathBuffer section;
    if (!FormatSectionName(root, subKey, section)) return false;
    if (isString) {
        WCHAR record[MAX_PATH];
        if (ReadTextRecord(settingsFile.c_str(), section, name, record) == 0) return false;
        text = record;
        return true;
    }
    DWORD value = 0;
    if (!ReadNumberRecord(settingsFile.c_str(), section, name, value, recordText)) return false;
    text = NumberText(value);
    if (number) *number = value;
    return true;
}

bool ReplayCarrier::Carry(HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString) {
    std::wstring text, recordText;
    DWORD number = 0;
    if (!ReadRestoredRecord(file_, root, subKey, name, isString, text, &recordText, &number)) return false;
    writes.push_back({root, subKey, name, isString, text, isString ? text : recordText, number});
    return true;
}

ReplayedRows ReplayRows(const std::wstring& settingsFile) {
    ReplayedRows rows;
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        ReplayCarrier carrier(settingsFile);
        WalkCatalogueRow(carrier, kCatalogue[i]);
        rows.push_back(std::move(carrier.writes));
    }
    return rows;
}

std::vector<ReplayedWrite> InRestoreOrder(const ReplayedRows& rows) {
    std::vector<ReplayedWrite> writes;
    for (size_t i = 0; i < kRestoreOrderCount; ++i) {
        const CatalogueRow& row = CatalogueRowByLabel(kRestoreOrder[i]);
        const auto& of = rows[static_cast<size_t>(&row - kCatalogue)];
        writes.insert(writes.end(), of.begin(), of.end());
    }
    return writes;
}

std::vector<ReplayedWrite> AllRecords(const ReplayedRows& rows) {
    std::vector<ReplayedWrite> writes;
    for (const auto& of : rows) writes.insert(writes.end(), of.begin(), of.end());
    return writes;
}
