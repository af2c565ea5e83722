// Which files of a tree a data set carries: every file but the listed names (exclusion), or only
// the listed names (inclusion). A name is compared with the entry's own name, without regard to
// case; folders are never filtered. No set carries a part file (a name ending in ".mvpart").
#pragma once

#include <cstddef>

#include "platform/platform.h"

enum class FilterKind { Exclusion, Inclusion };

struct NameFilter {
    FilterKind kind;
    const LPCWSTR* names;
    size_t count;
};

bool PassesFilter(const NameFilter& filter, LPCWSTR fileName);
