#include "check/restore_replay.h"

#include "check/catalogue_check.h"
#include "procedures/catalogue_walk.h"

bool ReplayCarrier::Carry(HKEY root, LPCWSTR subKey, LPCWSTR name, bool isString) {
    std::wstring text;
    if (!HasRecord(settings_, SectionOf(root, subKey), name, &text)) return false;
    writes.push_back({root, subKey, name, isString, text});
    return true;
}

std::vector<ReplayedWrite> ReplayRestore(const SettingsScan& settings) {
    ReplayCarrier carrier(settings);
    WalkRestoreOrder(carrier);
    return carrier.writes;
}
