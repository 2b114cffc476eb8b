// The link dialogs: the list of configured links (CCommsLinkDialog), the
// configuration of one link (CCommsLinkConfigDialog, modal, with the
// medium's option page embedded) and the link chooser that hands the
// chosen link to the project window (CChooseCommsLinkDialog). The list and
// the chooser are tool windows on dialog threads of their own.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "link/commportdata.h"
#include "shell/tooldialog.h"

class CCommsCommonConfigDialog;

// Tool ids the dialogs register under.
const UINT TOOL_ID_COMMS_LINKS = 1011;
const UINT TOOL_ID_CHOOSE_COMMS_LINK = 1019;

// Messages to the project window.
const UINT WM_GET_CHOOSER_CODE = WM_APP + 0x16F;    // 0x816F: the code the chooser posts back
const UINT WM_SET_CHOSEN_LINK = WM_APP + 0x1E6;     // 0x81E6: lParam = the chosen link's index, -1 for none
const UINT WM_LINK_CHOOSER_CLOSED = WM_APP + 0x172; // 0x8172

class CCommsLinkConfigDialog : public CDialog {
    DECLARE_DYNAMIC(CCommsLinkConfigDialog)
public:
    // pRecord: the record edited (may be null); nLinkNumber: its place.
    CCommsLinkConfigDialog(CWnd* pParent, int nLinkNumber, CCommPortData* pRecord);
    ~CCommsLinkConfigDialog() override;

    CCommsCommonConfigDialog* GetPage() const { return m_pPage.get(); }
    // The link type of the selected entry of the type list (0: none).
    int GetSelectedType() const;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnTypeChange();
    void OnMove(int x, int y);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void ShowPage(int nLinkType);
    void PlacePage();

    int m_nLinkNumber;
    CCommPortData* m_pRecord;
    std::unique_ptr<CCommsCommonConfigDialog> m_pPage;
};

class CCommsLinkDialog : public CShellToolDialog {
    DECLARE_DYNAMIC(CCommsLinkDialog)
public:
    CCommsLinkDialog(CWnd* pParent, HWND hWndProject = nullptr);

    // The working list (for the tests).
    const std::vector<CCommPortData>& GetLinks() const { return m_links; }
    // The move buttons' tips.
    const CToolTipCtrl& GetToolTips() const { return m_toolTips; }

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnUp();
    void OnDown();
    void OnSelChange();
    void OnCheckChange();
    void OnSingleLink();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // The move buttons' arrows and tips.
    void SetUpMoveButtons();

    // Rewrites the whole stored list from the working list, so a deletion
    // not yet confirmed never leaves a link stored twice or overwritten.
    void StoreList() const;
    void RefreshChecks();
    void UpdateButtons();
    void MakeOthersInactive(size_t keep);
    void Move(int nFrom, int nTo);
    // Edits a record in the configuration dialog; TRUE on OK.
    BOOL EditRecord(CCommPortData& record, int nLinkNumber);

    std::vector<CCommPortData> m_links;
    BOOL m_bSingleLink = TRUE;
    int m_nTimeout = 20;
    CCheckListBox m_list;
    CToolTipCtrl m_toolTips;
    HBITMAP m_hMoveImages[2] = {};
};

class CChooseCommsLinkDialog : public CShellToolDialog {
    DECLARE_DYNAMIC(CChooseCommsLinkDialog)
public:
    CChooseCommsLinkDialog(CWnd* pParent, HWND hWndProject = nullptr);

    BOOL IsShowingAll() const { return m_bShowAll; }

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy();
    void OnShowEnabled();
    void OnShowAll();
    void OnDoubleClick();
    DECLARE_MESSAGE_MAP()

private:
    void Fill();

    LRESULT m_nCode = 0;
    BOOL m_bShowAll = FALSE;
    int m_nChosen = -1;
};

// Registers the link list with the main frame (Options > Communications).
void RegisterCommsLinkDialogs();
