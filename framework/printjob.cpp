#include "framework/printjob.h"

#include <atomic>
#include <cstring>

#include "framework/app.h"
#include "framework/printdialog.h"

BOOL CPrintClient::OnPreparePrinting(CPrintInfo*)
{
    return TRUE;
}

void CPrintClient::OnBeginPrinting(CDC*, CPrintInfo*) {}

void CPrintClient::OnPrepareDC(CDC*, CPrintInfo* pInfo)
{
    if (pInfo->m_nCurPage > pInfo->GetMaxPage())
        pInfo->m_bContinuePrinting = FALSE;
}

void CPrintClient::OnEndPrinting(CDC*, CPrintInfo*) {}

namespace {

// A copy of a global memory block (the application's printer choice), so
// the dialog may free or replace it without touching the application's.
HGLOBAL CopyGlobal(HGLOBAL hSource)
{
    if (!hSource)
        return nullptr;
    const SIZE_T size = ::GlobalSize(hSource);
    const void* source = ::GlobalLock(hSource);
    if (!source)
        return nullptr;
    HGLOBAL hCopy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (void* target = hCopy ? ::GlobalLock(hCopy) : nullptr) {
        std::memcpy(target, source, size);
        ::GlobalUnlock(hCopy);
    }
    ::GlobalUnlock(hSource);
    return hCopy;
}

// A printer's device context, one document at a time.
class CPrinterTarget : public IPrintTarget {
public:
    explicit CPrinterTarget(HDC hDC) { m_dc.Attach(hDC); }
    ~CPrinterTarget() override
    {
        if (m_bStarted)
            ::AbortDoc(m_dc);
        ::DeleteDC(m_dc.Detach());
    }
    CDC* StartDoc(LPCTSTR lpszDocName) override
    {
        DOCINFOA info = {};
        info.cbSize = sizeof info;
        info.lpszDocName = lpszDocName;
        m_bStarted = ::StartDocA(m_dc, &info) > 0;
        return m_bStarted ? &m_dc : nullptr;
    }
    CDC* StartPage() override { return ::StartPage(m_dc) > 0 ? &m_dc : nullptr; }
    BOOL EndPage() override { return ::EndPage(m_dc) > 0; }
    void EndDoc(BOOL bAbort) override
    {
        if (!m_bStarted)
            return;
        m_bStarted = FALSE;
        if (bAbort)
            ::AbortDoc(m_dc);
        else
            ::EndDoc(m_dc);
    }

private:
    CDC m_dc;
    BOOL m_bStarted = FALSE;
};

// The print dialog, starting from the printer the application has chosen.
class CSystemPrintTargets : public IPrintTargetService {
public:
    std::unique_ptr<IPrintTarget> ChoosePrinter(HWND hWndOwner) override
    {
        PRINTDLGA pd = {};
        pd.lStructSize = sizeof pd;
        pd.hwndOwner = hWndOwner;
        pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
        if (CWinApp* app = AfxGetApp()) {
            pd.hDevMode = CopyGlobal(app->m_hDevMode);
            pd.hDevNames = CopyGlobal(app->m_hDevNames);
        }
        const INT_PTR answer = AfxGetPrintDialogService().Run(pd);
        HDC hDC = pd.hDC;
        // A dialog that gave a printer but no device context (not the
        // system's): the context from the printer's names.
        if (answer == IDOK && !hDC && pd.hDevNames) {
            if (auto* names = static_cast<const DEVNAMES*>(::GlobalLock(pd.hDevNames))) {
                const char* base = reinterpret_cast<const char*>(names);
                const DEVMODEA* mode = pd.hDevMode ? static_cast<const DEVMODEA*>(::GlobalLock(pd.hDevMode)) : nullptr;
                hDC = ::CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset, nullptr, mode);
                if (mode)
                    ::GlobalUnlock(pd.hDevMode);
                ::GlobalUnlock(pd.hDevNames);
            }
        }
        if (pd.hDevMode)
            ::GlobalFree(pd.hDevMode);
        if (pd.hDevNames)
            ::GlobalFree(pd.hDevNames);
        if (answer != IDOK) {
            if (hDC)
                ::DeleteDC(hDC);
            return nullptr;
        }
        return hDC ? std::make_unique<CPrinterTarget>(hDC) : nullptr;
    }
};

CSystemPrintTargets g_systemTargets;
std::atomic<IPrintTargetService*> g_printTargets{&g_systemTargets};

} // namespace

IPrintTargetService& AfxGetPrintTargetService()
{
    return *g_printTargets.load();
}

void AfxSetPrintTargetService(IPrintTargetService* pService)
{
    g_printTargets = pService ? pService : &g_systemTargets;
}

BOOL AfxPrintJob(CPrintClient& client, HWND hWndOwner, LPCTSTR lpszDocName)
{
    CPrintInfo info;
    if (!client.OnPreparePrinting(&info))
        return FALSE;
    std::unique_ptr<IPrintTarget> target = AfxGetPrintTargetService().ChoosePrinter(hWndOwner);
    if (!target)
        return FALSE;
    CDC* pDC = target->StartDoc(lpszDocName ? lpszDocName : "");
    if (!pDC)
        return FALSE;
    client.OnBeginPrinting(pDC, &info);
    BOOL ok = TRUE;
    for (info.m_nCurPage = info.GetMinPage(); info.m_bContinuePrinting; ++info.m_nCurPage) {
        client.OnPrepareDC(pDC, &info);
        if (!info.m_bContinuePrinting)
            break;
        CDC* pPageDC = target->StartPage();
        if (!pPageDC) {
            ok = FALSE;
            break;
        }
        info.m_rectDraw.SetRect(0, 0, pPageDC->GetDeviceCaps(HORZRES), pPageDC->GetDeviceCaps(VERTRES));
        client.OnPrint(pPageDC, &info);
        if (!target->EndPage()) {
            ok = FALSE;
            break;
        }
    }
    client.OnEndPrinting(pDC, &info);
    target->EndDoc(!ok);
    return ok;
}
