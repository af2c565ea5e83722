#include "files/name_filter.h"

#include "base/whole_copy.h"

// A part file is never carried, whatever the set's list says.
bool PassesFilter(const NameFilter& filter, LPCWSTR fileName) {
    if (IsPartFileName(fileName)) return false;
    bool listed = false;
    for (size_t i = 0; i < filter.count && !listed; ++i) listed = _wcsicmp(fileName, filter.names[i]) == 0;
    return listed == (filter.kind == FilterKind::Inclusion);
}
