// Document and view: a document holds data, views show it in frame
// windows. A frame made with a creation context (the view's run-time class
// and the document) creates its view as its client (AFX_IDW_PANE_FIRST);
// the view joins the document when it is created and leaves it when it
// goes. A document that loses its last view deletes itself (unless told
// not to), so whoever kept it must forget it then.
//
// CFormView: a view whose controls come from a dialog template (a child
// template: WS_CHILD, no caption).
#pragma once

#include <windows.h>

#include <vector>

#include "framework/cstring.h"
#include "framework/wnd.h"

class CDocument;
class CView;
class CDC;

// What a frame needs to create its view.
struct CCreateContext {
    CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
};

// The style of a frame's view.
const DWORD AFX_WS_DEFAULT_VIEW = WS_CHILD | WS_VISIBLE | WS_BORDER;

class CDocument : public CCmdTarget {
    DECLARE_DYNCREATE(CDocument)
public:
    CDocument() = default;
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const CString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle ? lpszTitle : ""; }

    // The views, in the order they joined.
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& rPosition) const;
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    // Tells every view but pSender that the data changed.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

    // With TRUE (the default) the document deletes itself when its last
    // view goes.
    BOOL m_bAutoDelete = TRUE;

protected:
    virtual void OnChangedViewList();

private:
    CString m_strTitle;
    std::vector<CView*> m_views;
};

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CView() = default;
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // After the frame and its view exist: the view shows its document.
    virtual void OnInitialUpdate();
    // The document changed; the default repaints.
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    virtual void OnDraw(CDC* pDC);

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnPaint();
    void PostNcDestroy() override;
    // Joins the context's document.
    void JoinDocument(const CCreateContext* pContext);
    DECLARE_MESSAGE_MAP()

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;
};

class CFormView : public CView {
    DECLARE_DYNAMIC(CFormView)
public:
    explicit CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)) {}

    // The view from its template as a child of pParentWnd; lpParam is the
    // creation context.
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID, LPVOID lpParam = nullptr) override;

    // Makes the parent frame's client area the size of the template.
    void ResizeParentToFit();

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    DECLARE_MESSAGE_MAP()

    LPCTSTR m_lpszTemplateName;
    CSize m_sizeTemplate;
};
