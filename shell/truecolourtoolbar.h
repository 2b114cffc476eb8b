// CTrueColourToolBar: a toolbar whose button images come from 24-bit
// bitmaps (normal, hot and disabled image lists; each bitmap's top-left
// pixel is its transparent colour), and whose buttons may drop down a
// menu.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/collections.h"
#include "framework/controls.h"
#include "framework/toolbar.h"

class CTrueColourToolBar : public CToolBar {
public:
    struct SDropDownMenuInfo {
        UINT uButtonID;   // the button's command
        UINT uMenuID;     // the menu resource; its first popup is shown
        CWnd* pParent;    // the window the menu's commands go to
    };

    CTrueColourToolBar() = default;
    ~CTrueColourToolBar() override;

    // The image lists from bitmaps of images nImageWidth wide; a hot or
    // disabled id of 0 leaves that list unset. FALSE at the first failure.
    BOOL LoadTrueColourImages(int nImageWidth, UINT uToolBar, UINT uToolBarHot = 0, UINT uToolBarDisabled = 0);
    // Makes the button with command uButtonID drop down the first popup of
    // menu resource uMenuID, for pParent.
    void AddDropDownButton(CWnd* pParent, UINT uButtonID, UINT uMenuID);

    int GetNormalImageCount() const { return m_nImageCount; }

protected:
    void OnDropDown(NMHDR* pNotifyStruct, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    enum ImageKind { Normal = 0, Hot = 1, Disabled = 2 };
    BOOL SetTrueColourImages(ImageKind kind, int nImageWidth, UINT uBitmapID);

    std::unique_ptr<CBitmap> m_pBitmaps[3];
    std::unique_ptr<CImageList> m_pImageLists[3];
    int m_nImageCount = 0;
    CArray<SDropDownMenuInfo, const SDropDownMenuInfo&> m_dropDownMenus;
};
