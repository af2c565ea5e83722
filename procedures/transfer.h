// One direction of the catalogue walk: the operations that carry a value, a list member or a key
// snapshot between the registry and the workspace.
#pragma once

#include "app/environment.h"
#include "procedures/catalogue.h"

struct Transfer {
    bool (CEnvironment::*dword)(HKEY root, LPCWSTR subKey, LPCWSTR valueName);
    bool (CEnvironment::*string)(HKEY root, LPCWSTR subKey, LPCWSTR valueName);
    void (CEnvironment::*snapshot)(LPCWSTR fileName, LPCWSTR subKey);
};

extern const Transfer kSaveTransfer;     // registry to workspace
extern const Transfer kRestoreTransfer;  // workspace to registry

// Carries one catalogue row in the given direction.
void TransferRow(CEnvironment& env, const CatalogueRow& row, const Transfer& transfer);
