#include "shell/splashscreen.h"

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "foundation/versioninfo.h"
#include "framework/thread.h"
#include "shell/pictures.h"
#include "shell/storedimage.h"
#include "shell/visual_resource.h"
#include "ui/toolmessages.h"

BEGIN_MESSAGE_MAP(CSplashScreen, CDialog)
    ON_BN_CLICKED(IDC_SPLASH_UNLOCK, OnUnlock)
    ON_WM_DRAWITEM()
    ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CSplashScreen::CSplashScreen(CWnd* pParent) : CDialog(IDD_SPLASH_SCREEN, pParent), m_strImageFolder(GetProgramDirectory())
{
}

CSplashScreen::~CSplashScreen()
{
    m_nResult = AnsweredCancel;
    if (m_hWnd)
        DestroyWindow();
    m_pPicture.reset();
    DeleteTempPicture();
}

BOOL CSplashScreen::Create(CWnd* pParent)
{
    return CDialog::Create(IDD_SPLASH_SCREEN, pParent);
}

void CSplashScreen::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SPLASH_UNLOCK, m_unlockButton);
    DDX_Control(pDX, IDCANCEL, m_cancelButton);
    DDX_Control(pDX, IDOK, m_okButton);
    DDX_Control(pDX, IDC_SPLASH_STATUS, m_statusList);
    DDX_Text(pDX, IDC_SPLASH_VERSION, m_strVersion);
}

BOOL CSplashScreen::OnInitDialog()
{
    CDialog::OnInitDialog();
    CString title;
    if (title.LoadString(IDS_SPLASH_TITLE))
        SetWindowText(title);

    if (!LoadStoredPicture()) {
        m_pPicture.reset();
        if (m_builtInBitmap.LoadBitmap(IDB_SPLASH))
            m_pPicture = PictureFromBitmap(m_builtInBitmap, nullptr);
    }

    UpdateData(FALSE); // attaches the controls
    m_okButton.ShowWindow(SW_HIDE);
    m_cancelButton.ShowWindow(SW_HIDE);
    m_unlockButton.ShowWindow(SW_HIDE);
    m_strVersion = CVersionInfo().GetVersionText(TRUE);
    SetDefID(IDOK);
    m_okButton.SetFocus();
    UpdateData(FALSE);
    m_bInitialised = TRUE;
    return FALSE; // the focus is set
}

BOOL CSplashScreen::LoadStoredPicture()
{
    CString folder = m_strImageFolder;
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\')
        folder += "\\";
    const StoredImageExtension* rows = StoredImageExtensions();
    for (int i = 0; i < StoredExtensionCount(); ++i) {
        const CString stored = folder + "SplashFile." + rows[i].stored;
        if (!PathExists(stored))
            continue;
        // The first stored file present is the one taken, even when it
        // cannot be read.
        m_strTempPicturePath = MakeTempFileName("splash", rows[i].plain);
        return ConvertStoredImageFile(stored, m_strTempPicturePath) && PathExists(m_strTempPicturePath) &&
               LoadSplashImage(m_strTempPicturePath);
    }
    return FALSE;
}

BOOL CSplashScreen::LoadSplashImage(LPCSTR path)
{
    if (!path || !PathExists(path))
        return FALSE;
    m_pPicture = LoadPictureFile(path);
    return m_pPicture != nullptr;
}

void CSplashScreen::SetStatusText(LPCSTR text)
{
    if (!m_statusList.m_hWnd)
        return;
    m_statusList.AddString(text ? text : "");
    m_statusList.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CSplashScreen::EnableOkButton(BOOL bEnable)
{
    m_okButton.EnableWindow(bEnable);
    const UINT id = bEnable ? IDOK : IDCANCEL;
    SendMessage(DM_SETDEFID, id, 0);
    ::SetFocus(GetDlgItemHwnd(static_cast<int>(id)));
}

int CSplashScreen::WaitForUser()
{
    m_okButton.ShowWindow(SW_SHOW);
    m_cancelButton.ShowWindow(SW_SHOW);
    SetForegroundWindow();
    UpdateWindow();
    m_nResult = Waiting;
    while (m_nResult == Waiting) {
        if (!::IsWindow(m_hWnd)) {
            m_nResult = AnsweredCancel;
            break;
        }
        MSG msg;
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // Nothing waiting: sleep until something arrives (bounded, so
            // the window's end is seen even without a message).
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_nResult = AnsweredCancel;
            break;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return m_nResult;
}

void CSplashScreen::OnOK()
{
    m_nResult = AnsweredOk;
}

void CSplashScreen::OnCancel()
{
    m_nResult = AnsweredCancel;
}

void CSplashScreen::OnUnlock()
{
    m_nResult = AnsweredUnlock;
}

void CSplashScreen::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (nIDCtl != IDC_SPLASH_PICTURE) {
        CDialog::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    if (m_pPicture)
        DrawPicture(lpDrawItemStruct->hDC, *m_pPicture, lpDrawItemStruct->rcItem.left, lpDrawItemStruct->rcItem.top);
}

LRESULT CSplashScreen::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"Splash Screen\"", LOG_DESTROY_REQUESTS);
    if (m_nResult != Waiting) {
        DestroyWindow();
        return 0;
    }
    // An unanswered start-up question ends as Cancel first; the request
    // comes round again once the waiting code has seen the answer.
    m_nResult = AnsweredCancel;
    PostMessage(WM_DESTROY_REQUEST);
    return 0;
}

void CSplashScreen::OnDestroy()
{
    m_bInitialised = FALSE;
    m_pPicture.reset();
    DeleteTempPicture();
    CDialog::OnDestroy();
}

void CSplashScreen::DeleteTempPicture()
{
    if (!m_strTempPicturePath.IsEmpty() && PathExists(m_strTempPicturePath))
        ::DeleteFileA(m_strTempPicturePath);
}
