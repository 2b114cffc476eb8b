// Printing a program: CEditPrintJob is what the editor's view hands to the
// framework's print loop (AfxPrintJob). It counts the pages from the lines
// that fit on one and has the document print each page with its header.
#pragma once
#include <windows.h>

#include "framework/printjob.h"

namespace editor {

class CEditRDoc;

class CEditPrintJob : public CPrintClient {
public:
    explicit CEditPrintJob(CEditRDoc& document) : m_document(document) {}

    // The pages: the lines divided by the lines per page, one more for a
    // remainder.
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;

    int PageCount() const { return m_nPages; }

private:
    CEditRDoc& m_document;
    int m_nPages = 0;
};

// Prints the whole document through the print target service (the print
// dialog, or a test's pages); the document's title names the job. FALSE
// when cancelled or failed.
BOOL PrintEditDocument(CEditRDoc& document, HWND hWndOwner);

} // namespace editor
