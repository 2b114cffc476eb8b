// CMainBackgroundWnd: the empty desktop behind the tool windows. It takes
// over the main frame's MDI client window and paints a four-corner colour
// gradient with the logo in the bottom-right corner. The logo comes from
// "BackgroundLogoFile.tepg" beside the program when that file exists, else
// from the program's PNG resource.
//
// GDI+ must be running (CGdiplusSession) while the object lives.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/gdiplus.h"
#include "framework/wnd.h"

class CMainBackgroundWnd : public CWnd {
public:
    // Why the last logo load failed (0: it did not).
    enum LogoError : DWORD {
        LogoOk = 0,
        ResourceNotFound = 1,
        ResourceEmpty = 2,
        ResourceLockFailed = 3,
        MemoryAllocationFailed = 4,
        MemoryLockFailed = 5,
        StreamCreationFailed = 6,
        NoStream = 7,
        NoImageFromStream = 8,
        ImageFileMissing = 10,
        StoredFileConversionFailed = 11,
    };

    // Loads the logo from the program's folder (or its resource).
    CMainBackgroundWnd();
    // The same with the logo file looked for in another folder.
    explicit CMainBackgroundWnd(LPCSTR imageFolder);
    ~CMainBackgroundWnd() override;

    // Each load replaces the logo; FALSE leaves none, with the reason in
    // GetLastLogoError.
    virtual BOOL LoadImageFromResource(UINT nID);
    virtual BOOL LoadImageFromFile(LPCSTR path);
    virtual BOOL LoadImageFromStoredFile(LPCSTR path);
    // The gradient over the client area, drawn off-screen and copied to pDC.
    virtual void PaintBackground(CDC* pDC);
    // The logo at its own size, 10 pixels in from the bottom-right corner.
    virtual void PaintLogo(CDC* pDC);
    virtual void LoadLogo();

    DWORD GetLastLogoError() const { return m_dwLastError; }
    BOOL HasLogo() const { return m_pLogo != nullptr; }
    // The logo's size; empty without one.
    CSize GetLogoSize() const;
    BOOL IsLogoLoaded() const { return m_bLogoLoaded; }
    // The plain picture the stored logo file was converted into; empty when
    // none was made.
    const CString& GetTempLogoPath() const { return m_strTempLogoPath; }

protected:
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();

    DECLARE_MESSAGE_MAP()

private:
    BOOL Fail(DWORD error);
    void DeleteTempLogoFile();

    CString m_strImageFolder;
    CString m_strTempLogoPath;
    BOOL m_bLogoLoaded = FALSE;
    std::unique_ptr<Gdiplus::Image> m_pLogo;
    DWORD m_dwLastError = LogoOk;
};

// The gradient's corner colours: top-left, top-right, bottom-left,
// bottom-right.
extern const COLORREF kBackgroundCorners[4];
