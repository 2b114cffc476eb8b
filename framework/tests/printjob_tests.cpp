// The print loop against print targets that record what happens, or fail.
#include "framework/printjob.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/colordialog.h"

namespace {

class RecordingClient : public CPrintClient {
public:
    explicit RecordingClient(UINT pages, BOOL prepare = TRUE) : m_pages(pages), m_prepare(prepare) {}
    BOOL OnPreparePrinting(CPrintInfo*) override
    {
        calls.push_back("prepare");
        return m_prepare;
    }
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override
    {
        calls.push_back(pDC ? "begin" : "begin without dc");
        pInfo->SetMaxPage(m_pages);
    }
    void OnPrint(CDC*, CPrintInfo* pInfo) override { calls.push_back("page " + std::to_string(pInfo->m_nCurPage)); }
    void OnEndPrinting(CDC*, CPrintInfo*) override { calls.push_back("end"); }
    std::vector<std::string> calls;

private:
    UINT m_pages;
    BOOL m_prepare;
};

// Pages on a memory context; StartPage fails from page failAt on.
class Target : public IPrintTarget {
public:
    Target(std::vector<std::string>& log, int failAt) : m_log(log), m_failAt(failAt)
    {
        m_dc.Attach(::CreateCompatibleDC(nullptr));
    }
    ~Target() override { ::DeleteDC(m_dc.Detach()); }
    CDC* StartDoc(LPCTSTR name) override
    {
        m_log.push_back(std::string("doc ") + name);
        return &m_dc;
    }
    CDC* StartPage() override
    {
        if (++m_page >= m_failAt)
            return nullptr;
        m_log.push_back("start page");
        return &m_dc;
    }
    BOOL EndPage() override
    {
        m_log.push_back("end page");
        return TRUE;
    }
    void EndDoc(BOOL abort) override { m_log.push_back(abort ? "abort doc" : "end doc"); }

private:
    std::vector<std::string>& m_log;
    int m_failAt;
    int m_page = 0;
    CDC m_dc;
};

class Targets : public IPrintTargetService {
public:
    Targets() { AfxSetPrintTargetService(this); }
    ~Targets() override { AfxSetPrintTargetService(nullptr); }
    std::unique_ptr<IPrintTarget> ChoosePrinter(HWND) override
    {
        ++asked;
        return cancel ? nullptr : std::make_unique<Target>(log, failAt);
    }
    std::vector<std::string> log;
    int failAt = 1000;
    bool cancel = false;
    int asked = 0;
};

TEST(PrintJob, PrintsEachPageUpToTheLastInOneDocument)
{
    Targets targets;
    RecordingClient client(3);
    EXPECT_TRUE(AfxPrintJob(client, nullptr, "DEMO"));
    EXPECT_EQ((std::vector<std::string>{"prepare", "begin", "page 1", "page 2", "page 3", "end"}), client.calls);
    EXPECT_EQ((std::vector<std::string>{"doc DEMO", "start page", "end page", "start page", "end page", "start page",
                                        "end page", "end doc"}),
              targets.log);
}

TEST(PrintJob, NoPagesCancelsAndFailuresEndTheJob)
{
    Targets targets;
    RecordingClient none(0);
    EXPECT_TRUE(AfxPrintJob(none, nullptr, "EMPTY"));
    EXPECT_EQ((std::vector<std::string>{"prepare", "begin", "end"}), none.calls);

    RecordingClient refused(2, FALSE);
    EXPECT_FALSE(AfxPrintJob(refused, nullptr, "X"));
    EXPECT_EQ(1, targets.asked); // the printer was not even asked for

    targets.cancel = true;
    RecordingClient cancelled(2);
    EXPECT_FALSE(AfxPrintJob(cancelled, nullptr, "X"));
    EXPECT_EQ((std::vector<std::string>{"prepare"}), cancelled.calls);

    targets.cancel = false;
    targets.failAt = 2;
    targets.log.clear();
    RecordingClient failing(3);
    EXPECT_FALSE(AfxPrintJob(failing, nullptr, "FAIL"));
    EXPECT_EQ((std::vector<std::string>{"prepare", "begin", "page 1", "end"}), failing.calls);
    EXPECT_EQ((std::vector<std::string>{"doc FAIL", "start page", "end page", "abort doc"}), targets.log);
}

class ColourAnswer : public IColorDialogService {
public:
    ColourAnswer() { AfxSetColorDialogService(this); }
    ~ColourAnswer() override { AfxSetColorDialogService(nullptr); }
    INT_PTR Run(CHOOSECOLORA& cc) override
    {
        initial = cc.rgbResult;
        flags = cc.Flags;
        cc.rgbResult = RGB(9, 8, 7);
        return IDOK;
    }
    COLORREF initial = 0;
    DWORD flags = 0;
};

TEST(ColorDialog, GoesThroughTheServiceFromTheInitialColour)
{
    ColourAnswer answer;
    CColorDialog dialog(RGB(1, 2, 3), CC_FULLOPEN);
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(RGB(9, 8, 7), dialog.GetColor());
    EXPECT_EQ(RGB(1, 2, 3), answer.initial);
    EXPECT_EQ(DWORD(CC_FULLOPEN | CC_RGBINIT), answer.flags);
}

} // namespace
