// CSystemRegistry: the one Explorer setting the program reads and writes,
// whether Explorer hides known file extensions ("HideFileExt").
#pragma once

#include <windows.h>

#include "foundation/registry.h"

class CSystemRegistry : private CRegistry {
public:
    CSystemRegistry();
    virtual ~CSystemRegistry() = default;

    // The stored value; 1 (extensions hidden) when the key or the value is
    // missing.
    DWORD GetHideFileExt() const;
    // Creates the key path when needed and writes the value.
    void SetHideFileExt(DWORD value) const;
};
