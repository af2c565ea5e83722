#include "drives.h"
#include "filesystem.h"
#include "machine.h"
#include "win_api.h"

namespace sim {

DriveTable::DriveTable() { Add(L'C', DRIVE_FIXED); }

Drive& DriveTable::operator[](wchar_t letter) { return drives[(letter & ~0x20) - L'A']; }

void DriveTable::Add(wchar_t letter, UINT type) {
    Drive& drive = (*this)[letter];
    drive.present = true;
    drive.type = type;
}

}  // namespace sim

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    auto& table = sim::Machine::Current().drives();
    for (int i = 0; i < 26; ++i) {
        if (table.drives[i].present) mask |= DWORD(1) << i;
    }
    return mask;
}

// Accepts "D:\", and "D:" as Windows does; anything else has no root.
UINT GetDriveTypeW(LPCWSTR root) {
    if (root == nullptr) return DRIVE_NO_ROOT_DIR;
    std::wstring text(root);
    sim::Machine::Current().Log(L"GetDriveTypeW " + text);
    bool shape = (text.size() == 2 || (text.size() == 3 && (text[2] == L'\\' || text[2] == L'/'))) && text[1] == L':';
    wchar_t letter = shape ? static_cast<wchar_t>(text[0] & ~0x20) : 0;
    if (letter < L'A' || letter > L'Z') return DRIVE_NO_ROOT_DIR;
    const sim::Drive& drive = sim::Machine::Current().drives()[letter];
    return drive.present ? drive.type : DRIVE_NO_ROOT_DIR;
}
