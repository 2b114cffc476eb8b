// CSplashScreen: the start-up window the project window shows while it
// opens: a picture, the program's version, progress lines and, when the
// start-up needs an answer, OK, Cancel and Unlock.
//
// The picture is "SplashFile" with a stored picture extension in the
// program's folder (the first extension of the stored-file table that is
// present), else the built-in bitmap. The window is modeless; it closes on
// the destroy request, which first ends a running wait with Cancel.
//
// GDI+ must be running (CGdiplusSession) while the window exists.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/gdiplus.h"

class CSplashScreen : public CDialog {
public:
    enum Result { Waiting = 0, AnsweredOk = 1, AnsweredCancel = 2, AnsweredUnlock = 3 };

    explicit CSplashScreen(CWnd* pParent = nullptr);
    ~CSplashScreen() override;

    // Creates the window from its template.
    BOOL Create(CWnd* pParent = nullptr);
    // Where "SplashFile.*" is looked for (the program's folder unless set
    // before the window is created).
    void SetImageFolder(LPCSTR folder) { m_strImageFolder = folder ? folder : ""; }

    // One more progress line, shown at once.
    void SetStatusText(LPCSTR text);
    // Enables or disables OK; the enabled OK, else Cancel, becomes the
    // default button and takes the focus.
    void EnableOkButton(BOOL bEnable);
    // Shows OK and Cancel and handles this thread's messages until a
    // button (or a destroy request, as Cancel) answers; the answer. The
    // wait also ends with Cancel when the window goes or the thread is
    // asked to quit (the quit is passed on).
    int WaitForUser();
    // The picture from an image file; FALSE when there is none.
    BOOL LoadSplashImage(LPCSTR path);

    int GetResult() const { return m_nResult; }
    BOOL HasPicture() const { return m_pPicture != nullptr; }
    // The plain picture made from a stored file; empty when none.
    const CString& GetTempPicturePath() const { return m_strTempPicturePath; }
    BOOL IsInitialised() const { return m_bInitialised; }

    CString m_strVersion; // shown in control 1356

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnUnlock();
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    BOOL LoadStoredPicture();
    void DeleteTempPicture();

    volatile int m_nResult = Waiting;
    CBitmap m_builtInBitmap;
    std::unique_ptr<Gdiplus::Bitmap> m_pPicture;
    CString m_strImageFolder;
    CString m_strTempPicturePath;
    BOOL m_bInitialised = FALSE;
    CButton m_unlockButton;
    CButton m_cancelButton;
    CButton m_okButton;
    CListBox m_statusList;
};
