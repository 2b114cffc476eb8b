// CDialog: dialogs from resource templates, modal and modeless, with data
// exchange between members and controls (DoDataExchange with the DDX_ and
// DDV_ functions) and range validation that tells the user what is wrong.
#pragma once

#include <windows.h>

#include "framework/exceptions.h"
#include "framework/wnd.h"

// Thrown by a failed validation after the user has been told; UpdateData
// catches it.
class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
};
[[noreturn]] void AfxThrowUserException();

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate; // TRUE: controls to members, with validation
    CWnd* m_pDlgWnd;

    // The control a DDX_ call works on; the next DDV_ call refers to it.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Puts the focus on the last prepared control and ends the exchange.
    [[noreturn]] void Fail();

    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;
};

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Modal: runs until EndDialog; the result, or -1 when the dialog could
    // not be created.
    virtual INT_PTR DoModal();
    // Modeless.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    BOOL CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);
    // Modeless, for a dialog made with new that owns itself: when the window
    // cannot be created the object deletes itself and the answer is FALSE.
    // Its PostNcDestroy must therefore delete it only once its creation has
    // finished (after OnInitDialog), leaving a failed creation to this call.
    BOOL CreateOrDelete(LPCTSTR lpszTemplateName, CWnd* pParentWnd);
    BOOL CreateOrDelete(UINT nIDTemplate, CWnd* pParentWnd) { return CreateOrDelete(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }
    // Makes DoModal use an in-memory template.
    BOOL InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    void GotoDlgCtrl(CWnd* pWndCtrl);
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void SetDefID(UINT nID);
    DWORD GetDefID() const;
    void MapDialogRect(LPRECT lpRect) const;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // A parent known by its handle only: the dialog keeps the handle in a
    // wrapper of its own (a temporary wrapper from FromHandle dies at the
    // next idle) and makes it its parent. Returns that wrapper, or null
    // for no parent, to pass on to Create.
    CWnd* KeepParentHandle(HWND hWndParent);

    UINT m_nIDHelp = 0;
    LPCTSTR m_lpszTemplateName = nullptr;
    CWnd* m_pParentWnd = nullptr;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // The template of this dialog from the resource chain, or null.
    LPCDLGTEMPLATE LoadTemplate() const;
    BOOL m_bModal = FALSE;
    LPCDLGTEMPLATE m_lpDialogTemplate = nullptr;
    // The template leaves the place open (see AfxDlgProc), and where the
    // window was when it was made.
    BOOL m_bPlaceOpen = FALSE;
    POINT m_ptCreated = {};
    CWnd m_wndParentHandle; // see KeepParentHandle

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    BOOL CreateFromTemplate(LPCDLGTEMPLATE lpTemplate, CWnd* pParentWnd);
};

// The dialog procedure of every framework dialog: calls OnInitDialog, and
// leaves everything else to the dialog's message map.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// --- data exchange ---------------------------------------------------------------
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value);
void DDX_Text(CDataExchange* pDX, int nIDC, short& value);
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBStringExact(CDataExchange* pDX, int nIDC, CString& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Scroll(CDataExchange* pDX, int nIDC, int& value);
void DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
// Subclasses the control with the object (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// --- validation (after the DDX_ call of the same control) ---------------------------
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal);
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal);
void DDV_MinMaxFloat(CDataExchange* pDX, const float& value, float minVal, float maxVal);
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
