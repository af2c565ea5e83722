// A restore replayed against a saved settings file without touching the registry: the values it
// would write, in the order it would write them, by the same walk and list rules as the program.
// Every record is read through the restore's own record reads.
#pragma once

#include <string>
#include <vector>

#include "procedures/catalogue.h"

struct ReplayedWrite {
    HKEY root;
    std::wstring subKey;
    std::wstring name;
    bool isString;
    std::wstring text;  // a number as the signed decimal of what is written, a string as its text
    std::wstring recordText;  // a number record's own text, as far as the restore's read takes it
    DWORD number = 0;  // the number written

    // A number record whose text is not the text a backup writes for the number it reads as.
    bool ReadsAsAnotherNumber() const { return !isString && recordText != text; }
};

// The settings-file section of a registry key, as the program names it; empty for a root without
// a section name.
std::wstring SectionOf(HKEY root, LPCWSTR subKey);

// The record a restore reads for a value of the settings file: false when it reads none (or, for
// a string, an empty one, which it does not write).
bool ReadRestoredRecord(const std::wstring& settingsFile, HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString,
                        std::wstring& text, std::wstring* recordText = nullptr, DWORD* number = nullptr);
// The record text a backup writes for a number.
std::wstring NumberText(DWORD value);

class ReplayCarrier {
public:
    explicit ReplayCarrier(const std::wstring& settingsFile) : file_(settingsFile) {}
    bool Dword(HKEY root, LPCWSTR subKey, LPCWSTR name) { return Carry(root, subKey, name, false); }
    bool String(HKEY root, LPCWSTR subKey, LPCWSTR name) { return Carry(root, subKey, name, true); }
    void Snapshot(LPCWSTR, LPCWSTR) {}
    std::vector<ReplayedWrite> writes;

private:
    bool Carry(HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString);
    std::wstring file_;
};

// What a restore from the file reads, row by row (indexed as the catalogue): each row is walked
// once, by the rules of its kind.
typedef std::vector<std::vector<ReplayedWrite>> ReplayedRows;
ReplayedRows ReplayRows(const std::wstring& settingsFile);
// The record of every value a restore reads, by UpperCase(section + "|" + name).
std::wstring RecordKey(HKEY root, const std::wstring& subKey, const std::wstring& name);
// The writes of a restore, in its order (the rows it never writes back left out).
std::vector<ReplayedWrite> InRestoreOrder(const ReplayedRows& rows);
// Every record of the catalogue the file holds, in row order.
std::vector<ReplayedWrite> AllRecords(const ReplayedRows& rows);
