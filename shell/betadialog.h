// CBetaFeatureControlDialog: the "Beta Features" dialog. It lists the beta
// feature table with an image per state and lets the user switch the
// features of the user-switched kind; OK stores the masks.
//
// The project window creates it by its run-time class on the project
// window's thread; the constructor creates the window at once. It registers
// as tool 1028 and moves to the position the registration answers; without
// a project window, or when refused, it has no window afterwards and its
// creator deletes it. Once created it deletes itself when its window goes.
// It takes no controller replies.
#pragma once

#include <windows.h>

#include "framework/controls.h"
#include "framework/dialog.h"

// The images of the list's rows.
enum BetaImage {
    BETA_IMAGE_OFF = 0,
    BETA_IMAGE_ON = 1,
    BETA_IMAGE_UNKNOWN_KIND = 3,
    BETA_IMAGE_NOT_AVAILABLE = 6,
    BETA_IMAGE_ALWAYS_ON = 8,
};

class CBetaFeatureControlDialog : public CDialog {
    DECLARE_DYNCREATE(CBetaFeatureControlDialog)
public:
    CBetaFeatureControlDialog();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnClickList(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    int GetRowImage(int nRow) const;

    CListCtrl m_list;
    CImageList m_images;
    HWND m_hWndProject = nullptr;
    BOOL m_bWasCreated = FALSE;
};
