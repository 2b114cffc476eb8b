// CMenuWithImage: a menu whose chosen items are owner-drawn with a bitmap
// beside their text. Every owner-drawn item's text starts at the same x,
// 6 pixels right of the widest image, so texts line up whether or not an
// item has an image.
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/gdi.h"
#include "framework/menu.h"

class CMenuWithImage : public CMenu {
public:
    struct SExtraMenuData {
        UINT uID;          // the item's command
        CBitmap* pBitmap;  // its image (not owned)
    };

    CMenuWithImage() = default;
    ~CMenuWithImage() override;

    // Makes the item with command uID owner-drawn (its text is kept).
    BOOL SetOwnerDraw(UINT uID);
    // Gives the item with command uID an image, replacing any it had.
    void SetItemImage(UINT uID, CBitmap* pBitmap);

    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    // Where an item's text starts, from the item's left edge.
    int TextOffset() const;

private:
    CBitmap* ImageOf(UINT uID) const;
    CString ItemText(UINT uID) const;

    CArray<SExtraMenuData, const SExtraMenuData&> m_extraData;
    DWORD m_dwReserved = 50;
};
