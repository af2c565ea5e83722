#include "registry/snapshot_table.h"

const SnapshotRow kSnapshotTable[] = {
    {L"CheckSum.dat", L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DatMng\\CheckSum"},
    {L"IPTV.dat", L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV"},
    {L"Brevisto.dat", L"SOFTWARE\\Tamrix\\Brevisto\\PresetChannel"},
    {L"Rondisc1.dat", L"SOFTWARE\\Tamrix\\Rondisc\\Backup"},
    {L"Rondisc2.dat", L"SOFTWARE\\Tamrix\\Rondisc\\MPEG2_HDTV"},
    {L"Rondisc3.dat", L"SOFTWARE\\Tamrix\\Rondisc\\MPEG2_HDTVAna"},
    {L"Rondisc4.dat", L"SOFTWARE\\Tamrix\\Rondisc\\MPEG2_HDTVSD"},
};

const size_t kSnapshotCount = sizeof kSnapshotTable / sizeof kSnapshotTable[0];
