#include "shell/systemregistry.h"

namespace {
const char kExplorerAdvanced[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
} // namespace

CSystemRegistry::CSystemRegistry() : CRegistry(HKEY_CURRENT_USER, kExplorerAdvanced) {}

DWORD CSystemRegistry::GetHideFileExt() const
{
    DWORD value = 0;
    return GetDword("HideFileExt", value) ? value : 1;
}

void CSystemRegistry::SetHideFileExt(DWORD value) const
{
    if (CreatePath(HKEY_CURRENT_USER, kExplorerAdvanced))
        SetDword("HideFileExt", value);
}
