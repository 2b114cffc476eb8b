// The print loop: a print job asks the user for a printer, starts a
// document, lets its client lay out the pages and prints them one by one.
// Where the pages go comes from the print target service: the program's
// service shows the print dialog (through the print dialog service) and
// prints on the chosen printer; tests install one that records each page
// as an enhanced metafile.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/cstring.h"
#include "framework/gdi.h"

// What the loop tells the client about the job.
class CPrintInfo {
public:
    void SetMinPage(UINT nMinPage) { m_nMinPage = nMinPage; }
    void SetMaxPage(UINT nMaxPage) { m_nMaxPage = nMaxPage; }
    UINT GetMinPage() const { return m_nMinPage; }
    UINT GetMaxPage() const { return m_nMaxPage; }
    UINT GetFromPage() const { return m_nMinPage; }
    UINT GetToPage() const { return m_nMaxPage; }

    UINT m_nCurPage = 1;
    // Cleared by the client (or by the default OnPrepareDC past the last
    // page) to end the job after the current page.
    BOOL m_bContinuePrinting = TRUE;
    // The printable area of the page (device units), set before each page.
    CRect m_rectDraw;
    LPVOID m_lpUserData = nullptr;

private:
    UINT m_nMinPage = 1;
    UINT m_nMaxPage = 0xFFFF;
};

// What is printed: a view, or anything else that can lay out pages.
class CPrintClient {
public:
    virtual ~CPrintClient() = default;
    // Before the printer is asked for; FALSE cancels the job.
    virtual BOOL OnPreparePrinting(CPrintInfo* pInfo);
    // The printer's device context exists: count the pages.
    virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
    // Before each page; the default ends the job past the last page.
    virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo) = 0;
    virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);
};

// One print job's output.
class IPrintTarget {
public:
    virtual ~IPrintTarget() = default;
    // Starts the document; the device context to measure with, or null when
    // the document cannot be started.
    virtual CDC* StartDoc(LPCTSTR lpszDocName) = 0;
    // Starts a page; the device context to draw it on, or null.
    virtual CDC* StartPage() = 0;
    virtual BOOL EndPage() = 0;
    // Ends the document; bAbort throws away what was printed.
    virtual void EndDoc(BOOL bAbort) = 0;
};

class IPrintTargetService {
public:
    virtual ~IPrintTargetService() = default;
    // Asks the user which printer to print on (owned by hWndOwner); null
    // when the user cancelled or the printer cannot be used.
    virtual std::unique_ptr<IPrintTarget> ChoosePrinter(HWND hWndOwner) = 0;
};

// The service in use (the print dialog and the chosen printer until one is
// installed); installing null puts the system's back.
IPrintTargetService& AfxGetPrintTargetService();
void AfxSetPrintTargetService(IPrintTargetService* pService);

// Runs the print loop: OnPreparePrinting, the printer, OnBeginPrinting,
// then for each page from the first while m_bContinuePrinting holds:
// OnPrepareDC, OnPrint; then OnEndPrinting. TRUE when the document was
// printed, FALSE when cancelled or a page failed (the document is then
// thrown away).
BOOL AfxPrintJob(CPrintClient& client, HWND hWndOwner, LPCTSTR lpszDocName);
