// A program on CVq2App with a plain frame, for the single-instance tests:
// the tests start it twice and watch what the copies do.
#include <windows.h>

#include "framework/frame.h"
#include "shell/vq2app.h"

class CProbeFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CProbeFrame)
public:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    DECLARE_MESSAGE_MAP()
};

// The name keeps the probe apart from the real program.
CVq2App theApp(RUNTIME_CLASS(CProbeFrame), "ShellProbe");

IMPLEMENT_DYNCREATE(CProbeFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CProbeFrame, CFrameWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

BOOL CProbeFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    // The frame's class is the one the single-instance check registered, so
    // a second copy finds this window by it.
    static CString className;
    className = theApp.GetClassName();
    cs.lpszClass = className;
    return CFrameWnd::PreCreateWindow(cs);
}

int CProbeFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    theApp.SetMainFrame(this);
    return 0;
}
