#include "shell/mainbackgroundwnd.h"

#include <cstring>

#include "foundation/fileutil.h"
#include "framework/gdi.h"
#include "framework/resources.h"
#include "shell/pictures.h"
#include "shell/storedimage.h"
#include "shell/visual_resource.h"

const COLORREF kBackgroundCorners[4] = {RGB(202, 227, 253), RGB(160, 185, 220), RGB(160, 185, 220),
                                        RGB(119, 144, 151)};

BEGIN_MESSAGE_MAP(CMainBackgroundWnd, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CMainBackgroundWnd::CMainBackgroundWnd() : CMainBackgroundWnd(GetProgramDirectory()) {}

CMainBackgroundWnd::CMainBackgroundWnd(LPCSTR imageFolder) : m_strImageFolder(imageFolder ? imageFolder : "")
{
    // Not virtual here: the object is only a CMainBackgroundWnd yet.
    CMainBackgroundWnd::LoadLogo();
}

CMainBackgroundWnd::~CMainBackgroundWnd()
{
    m_pLogo.reset();
    DeleteTempLogoFile();
}

void CMainBackgroundWnd::DeleteTempLogoFile()
{
    if (!m_strTempLogoPath.IsEmpty() && PathExists(m_strTempLogoPath))
        ::DeleteFileA(m_strTempLogoPath);
}

BOOL CMainBackgroundWnd::Fail(DWORD error)
{
    m_dwLastError = error;
    return FALSE;
}

void CMainBackgroundWnd::LoadLogo()
{
    CString path = m_strImageFolder;
    if (!path.IsEmpty() && path[path.GetLength() - 1] != '\\')
        path += "\\";
    path += "BackgroundLogoFile.tepg";
    if (PathExists(path))
        LoadImageFromStoredFile(path);
    else
        LoadImageFromResource(IDR_BACKGROUND_LOGO);
    m_bLogoLoaded = TRUE;
}

BOOL CMainBackgroundWnd::LoadImageFromStoredFile(LPCSTR path)
{
    m_pLogo.reset();
    // One temporary picture at a time: a new load replaces the last one.
    DeleteTempLogoFile();
    m_strTempLogoPath = MakeTempFileName("logo", PlainExtensionFor(GetFileExtension(path)));
    if (!ConvertStoredImageFile(path, m_strTempLogoPath))
        return Fail(StoredFileConversionFailed);
    if (!PathExists(m_strTempLogoPath))
        return Fail(ImageFileMissing);
    return LoadImageFromFile(m_strTempLogoPath);
}

BOOL CMainBackgroundWnd::LoadImageFromFile(LPCSTR path)
{
    m_pLogo.reset();
    if (!path || !PathExists(path))
        return Fail(ImageFileMissing);
    m_dwLastError = LogoOk;
    m_pLogo = LoadPictureFile(path);
    return m_pLogo != nullptr;
}

BOOL CMainBackgroundWnd::LoadImageFromResource(UINT nID)
{
    m_pLogo.reset();
    m_dwLastError = LogoOk;
    LPCSTR name = MAKEINTRESOURCEA(nID);
    HINSTANCE module = AfxFindResourceHandle(name, "PNG");
    HRSRC resource = ::FindResourceA(module, name, "PNG");
    if (!resource)
        return Fail(ResourceNotFound);
    const DWORD size = ::SizeofResource(module, resource);
    if (size == 0)
        return Fail(ResourceEmpty);
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return Fail(ResourceLockFailed);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return Fail(MemoryAllocationFailed);
    void* copy = ::GlobalLock(block);
    if (!copy) {
        ::GlobalFree(block);
        return Fail(MemoryLockFailed);
    }
    std::memcpy(copy, bytes, size);
    IStream* stream = nullptr;
    const HRESULT created = ::CreateStreamOnHGlobal(block, FALSE, &stream);
    if (FAILED(created))
        m_dwLastError = StreamCreationFailed;
    else if (!stream)
        m_dwLastError = NoStream;
    else {
        // The picture is copied out, so the stream and block can go.
        m_pLogo = LoadPictureStream(stream);
        if (!m_pLogo)
            m_dwLastError = NoImageFromStream;
    }
    if (stream)
        stream->Release();
    ::GlobalUnlock(block);
    ::GlobalFree(block);
    return m_dwLastError == LogoOk;
}

CSize CMainBackgroundWnd::GetLogoSize() const
{
    if (!m_pLogo)
        return CSize(0, 0);
    return CSize(static_cast<int>(m_pLogo->GetWidth()), static_cast<int>(m_pLogo->GetHeight()));
}

void CMainBackgroundWnd::PaintBackground(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    if (client.IsRectEmpty())
        return;
    CMemDC buffer(pDC, &client);
    // Each channel is 16 bits with the colour in its high byte; the blue of
    // the two middle corners carries a low byte of 160.
    TRIVERTEX vertices[4] = {};
    const POINT corners[4] = {{client.left, client.top},
                              {client.right, client.top},
                              {client.left, client.bottom},
                              {client.right, client.bottom}};
    for (int i = 0; i < 4; ++i) {
        vertices[i].x = corners[i].x;
        vertices[i].y = corners[i].y;
        vertices[i].Red = static_cast<COLOR16>(GetRValue(kBackgroundCorners[i]) << 8);
        vertices[i].Green = static_cast<COLOR16>(GetGValue(kBackgroundCorners[i]) << 8);
        vertices[i].Blue = static_cast<COLOR16>((GetBValue(kBackgroundCorners[i]) << 8) | (i == 1 || i == 2 ? 160 : 0));
        vertices[i].Alpha = 0xFF00;
    }
    GRADIENT_TRIANGLE triangles[2] = {{0, 1, 2}, {1, 2, 3}};
    ::GradientFill(buffer.m_hDC, vertices, 4, triangles, 2, GRADIENT_FILL_TRIANGLE);
}

void CMainBackgroundWnd::PaintLogo(CDC* pDC)
{
    if (!m_pLogo)
        return;
    CRect client;
    GetClientRect(&client);
    const CSize size = GetLogoSize();
    DrawPicture(pDC->m_hDC, *m_pLogo, client.right - size.cx - 10, client.bottom - size.cy - 10);
}

BOOL CMainBackgroundWnd::OnEraseBkgnd(CDC* pDC)
{
    if (!pDC)
        return CWnd::OnEraseBkgnd(pDC);
    m_bLogoLoaded = FALSE;
    PaintBackground(pDC);
    return TRUE;
}

void CMainBackgroundWnd::OnPaint()
{
    CPaintDC dc(this);
    PaintLogo(&dc);
}
