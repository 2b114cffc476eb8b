// CIEC61131Options: the small tool window that switches IEC 61131 support
// on or off (the setting Config\EnableIEC61131). Modeless, created by the
// project window's tool launcher under tool id 1059; it registers with the
// project window while it is created and deletes itself when its window
// goes.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"

class CIEC61131Options : public CDialog {
    DECLARE_DYNAMIC(CIEC61131Options)
public:
    CIEC61131Options();
    ~CIEC61131Options() override;

    // Creates the window; FALSE (and the object deleted) when the project
    // window refuses it.
    BOOL Create(CWnd* pParentWnd = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    CButton m_enable;
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
};
