#include "framework/cmdtarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            const UINT entryMessage = e->pRegistered ? *e->pRegistered : e->nMessage;
            if (entryMessage != message || e->nCode != nCode)
                continue;
            if (e->nID == 0 && e->nLastID == 0)
                return e;
            if (nID >= e->nID && nID <= e->nLastID)
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra)
{
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!e)
        return FALSE;
    e->pfn(this, WM_COMMAND, MAKEWPARAM(nID, nCode), reinterpret_cast<LPARAM>(pExtra));
    return TRUE;
}

BOOL CCmdTarget::HasCommandHandler(UINT nID) const
{
    return FindMessageEntry(WM_COMMAND, CN_COMMAND, nID) != nullptr;
}
