#include "framework/docview.h"

#include <gtest/gtest.h>

#include "framework/frame.h"
#include "framework_tests_res.h"
#include "testsupport/test_window.h"

namespace {

int g_documentsAlive = 0;
int g_initialUpdates = 0;

class TestDocument : public CDocument {
    DECLARE_DYNCREATE(TestDocument)
public:
    TestDocument() { ++g_documentsAlive; }
    ~TestDocument() override { --g_documentsAlive; }
};
IMPLEMENT_DYNCREATE(TestDocument, CDocument)

class TestView : public CView {
    DECLARE_DYNCREATE(TestView)
public:
    void OnInitialUpdate() override
    {
        ++g_initialUpdates;
        CView::OnInitialUpdate();
    }
    int updates = 0;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override
    {
        ++updates;
        CView::OnUpdate(pSender, lHint, pHint);
    }
};
IMPLEMENT_DYNCREATE(TestView, CView)

class TestForm : public CFormView {
    DECLARE_DYNCREATE(TestForm)
public:
    TestForm() : CFormView(IDD_TEST_FORM) {}
};
IMPLEMENT_DYNCREATE(TestForm, CFormView)

CFrameWnd* MakeFrame(CRuntimeClass* pViewClass, CDocument* pDoc)
{
    CCreateContext context;
    context.m_pNewViewClass = pViewClass;
    context.m_pCurrentDoc = pDoc;
    auto* pFrame = new CFrameWnd;
    if (!pFrame->Create(nullptr, "Doc frame", WS_OVERLAPPEDWINDOW, CRect(800, 600, 1200, 900), nullptr, nullptr, 0,
                        &context)) {
        delete pFrame;
        return nullptr;
    }
    pFrame->InitialUpdateFrame(pDoc, TRUE);
    return pFrame;
}

TEST(DocViewTest, TheFramesViewJoinsTheDocumentAndTheDocumentGoesWithItsLastView)
{
    auto* pDoc = new TestDocument;
    g_initialUpdates = 0;
    CFrameWnd* pFrame = MakeFrame(RUNTIME_CLASS(TestView), pDoc);
    ASSERT_TRUE(pFrame);
    EXPECT_EQ("Doc frame", WindowText(*pFrame));
    CView* pView = pFrame->GetActiveView();
    ASSERT_TRUE(pView);
    EXPECT_TRUE(pView->IsKindOf(RUNTIME_CLASS(TestView)));
    EXPECT_EQ(pDoc, pView->GetDocument());
    POSITION position = pDoc->GetFirstViewPosition();
    EXPECT_EQ(pView, pDoc->GetNextView(position));
    EXPECT_EQ(nullptr, position);
    EXPECT_EQ(1, g_initialUpdates);
    // The view fills the frame's client area.
    CRect client, view;
    pFrame->GetClientRect(&client);
    pView->GetClientRect(&view);
    EXPECT_NEAR(client.Width(), view.Width(), 2);

    pDoc->UpdateAllViews(nullptr);
    EXPECT_EQ(2, static_cast<TestView*>(pView)->updates);
    pDoc->UpdateAllViews(pView);
    EXPECT_EQ(2, static_cast<TestView*>(pView)->updates);

    ASSERT_EQ(1, g_documentsAlive);
    pFrame->SendMessage(WM_CLOSE);
    EXPECT_EQ(0, g_documentsAlive);
}

TEST(DocViewTest, AFormViewShowsTheControlsOfItsTemplateAndCanSizeItsFrame)
{
    auto* pDoc = new TestDocument;
    pDoc->m_bAutoDelete = FALSE;
    CFrameWnd* pFrame = MakeFrame(RUNTIME_CLASS(TestForm), pDoc);
    ASSERT_TRUE(pFrame);
    auto* pForm = dynamic_cast<TestForm*>(pFrame->GetActiveView());
    ASSERT_TRUE(pForm);
    EXPECT_EQ(pDoc, pForm->GetDocument());
    EXPECT_TRUE(pForm->GetStyle() & WS_CHILD);
    EXPECT_TRUE(::IsWindow(pForm->GetDlgItemHwnd(IDC_FORM_EDIT)));
    EXPECT_EQ(static_cast<int>(AFX_IDW_PANE_FIRST), pForm->GetDlgCtrlID());
    pForm->ResizeParentToFit();
    CRect client, form;
    pFrame->GetClientRect(&client);
    pForm->GetWindowRect(&form);
    EXPECT_NEAR(form.Width(), client.Width(), 2);

    // Without auto-delete the document stays when its view goes, and the
    // view leaves it first.
    pFrame->SendMessage(WM_CLOSE);
    EXPECT_EQ(nullptr, pDoc->GetFirstViewPosition());
    EXPECT_EQ(1, g_documentsAlive);
    delete pDoc;
    EXPECT_EQ(0, g_documentsAlive);
}

} // namespace
