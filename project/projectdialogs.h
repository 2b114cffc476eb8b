// Two small dialogs of project management: CEnterTextDialog asks for one
// line of text (a new folder's or a project's name); CRecentProjectsDialog
// lists the recently opened projects kept in the settings and returns the
// chosen path.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"

class CEnterTextDialog : public CDialog {
    DECLARE_DYNAMIC(CEnterTextDialog)
public:
    // result: the text shown at first and, after OK, the text entered
    // (may be null).
    CEnterTextDialog(CWnd* pParent, LPCSTR caption, LPCSTR prompt, CString* result);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnTextChange();
    DECLARE_MESSAGE_MAP()

private:
    CString m_strCaption;
    CString m_strPrompt;
    CString* m_pResult;
};

class CRecentProjectsDialog : public CDialog {
    DECLARE_DYNAMIC(CRecentProjectsDialog)
public:
    explicit CRecentProjectsDialog(CWnd* pParent = nullptr);
    // The chosen path; empty without a selection.
    const CString& GetText() const { return m_strResult; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT nType, int cx, int cy);
    void OnSelectionChange();
    void OnDoubleClick();
    DECLARE_MESSAGE_MAP()

private:
    void Fill();
    // Makes the dialog wide enough for its longest entry.
    void FitEntries();
    void UpdateButtons();
    void Layout();

    CListBox m_list;
    CString m_strResult;
    BOOL m_bInitialised = FALSE;
};
