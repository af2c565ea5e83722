// The simulated shell's known folders.
#pragma once

#include <map>
#include <string>

#include "win_types.h"

namespace sim {

struct KnownFolders {
    KnownFolders();
    std::map<int, std::wstring> paths;  // by CSIDL number
};

// The result of a look-up whose folder does not exist: the platform error "path not found" as a
// failure result.
constexpr HRESULT kFolderMissing = static_cast<HRESULT>(0x80070003u);

}  // namespace sim
