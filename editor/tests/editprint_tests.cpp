// Printing a program through the framework's print loop into enhanced
// metafiles, one per page.
#include "editor/editprint.h"

#include <gtest/gtest.h>

#include "editor/editdoc.h"
#include "framework/app.h"
#include "settings/vqregistry.h"
#include "testsupport/metafile_printer.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_print_dialogs.h"

namespace editor {
namespace {

class EditPrint : public RegistrySandboxTest {
protected:
    EditPrint()
    {
        m_doc.SetProgramName("DEMO");
        m_doc.Buffer().Store().m_fileType = kFileTypeBasic;
        for (int i = 0; i < 10; ++i)
            m_doc.Buffer().InsertLine(i, "PRINT " + std::to_string(i), false);
    }
    // The line height of the printer font on the metafiles' reference
    // device (the screen).
    int LineHeight()
    {
        HDC screen = ::GetDC(nullptr);
        LOGFONTA font = DefaultEditorFont(10);
        font.lfHeight = MulDiv(10, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
        HFONT hFont = ::CreateFontIndirectA(&font);
        HGDIOBJ old = ::SelectObject(screen, hFont);
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(screen, &metrics);
        ::SelectObject(screen, old);
        ::DeleteObject(hFont);
        ::ReleaseDC(nullptr, screen);
        return metrics.tmHeight + metrics.tmExternalLeading;
    }
    // Margins (hundredths of an inch) that leave room for rows lines.
    void MarginsFor(double rows)
    {
        HDC screen = ::GetDC(nullptr);
        const int height = ::GetDeviceCaps(screen, VERTRES);
        const int perInch = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        const int bottomPixels = height - static_cast<int>(rows * LineHeight());
        CVQRegistry().SetPrintMargins(VQPrintMargins{0, 0, 0, bottomPixels * 100 / perInch, 0});
        m_doc.ReadDisplaySettings();
    }
    CDC* Screen()
    {
        m_screen.Attach(::GetDC(nullptr));
        return &m_screen;
    }
    void TearDown() override
    {
        if (m_screen.m_hDC)
            ::ReleaseDC(nullptr, m_screen.Detach());
    }

    CWinApp m_app{"editor tests"};
    CEditRDoc m_doc{nullptr};
    CDC m_screen;
};

TEST_F(EditPrint, TenLinesAtFourPerPagePrintThreePages)
{
    MarginsFor(7.5); // 7 rows: the header takes 3
    ASSERT_EQ(4, m_doc.GetLinesPerPage(Screen()));
    MetafilePrinter printer;
    ASSERT_TRUE(PrintEditDocument(m_doc, nullptr));
    ASSERT_EQ(3u, printer.Pages().size());
    ASSERT_EQ(1u, printer.Documents().size());
    EXPECT_EQ("DEMO", printer.Documents()[0]);

    const std::vector<MetafilePrinter::Text> texts = MetafilePrinter::Texts(printer.Pages()[2]);
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("Program : DEMO", texts[0].text);
    EXPECT_EQ("Page 3", texts[1].text);
    EXPECT_EQ(texts[0].y, texts[1].y);
    EXPECT_GT(texts[1].x, texts[0].x);
    EXPECT_EQ("PRINT 8", texts[2].text);
    EXPECT_EQ("PRINT 9", texts[3].text);
    EXPECT_LT(texts[0].y, texts[2].y);
    EXPECT_LT(texts[2].y, texts[3].y);
    EXPECT_EQ((std::vector<std::string>{"Program : DEMOPage 1", "PRINT 0", "PRINT 1", "PRINT 2", "PRINT 3"}),
              MetafilePrinter::Lines(printer.Pages()[0]));
}

TEST_F(EditPrint, APageTooSmallForItsHeaderStillPrintsOneLineEach)
{
    MarginsFor(2);
    EXPECT_EQ(1, m_doc.GetLinesPerPage(Screen()));
    MetafilePrinter printer;
    ASSERT_TRUE(PrintEditDocument(m_doc, nullptr));
    EXPECT_EQ(10u, printer.Pages().size());
}

TEST_F(EditPrint, TheMarginsComeFromTheSettingsInTheirUnit)
{
    CDC* screen = Screen();
    const int perInch = screen->GetDeviceCaps(LOGPIXELSX);
    const int width = screen->GetDeviceCaps(HORZRES);
    const CRect standard = m_doc.GetPageRect(screen); // nothing stored: 3/4 inch each
    EXPECT_EQ(perInch * 75 / 100, standard.left);
    EXPECT_EQ(width - perInch * 75 / 100, standard.right);
    CVQRegistry().SetPrintMargins(VQPrintMargins{100, 0, 0, 0, 0});
    m_doc.ReadDisplaySettings();
    EXPECT_EQ(perInch, m_doc.GetPageRect(screen).left);
    CVQRegistry().SetPrintMargins(VQPrintMargins{254, 0, 0, 0, 1}); // 6.35 cm, 2.5 inches
    m_doc.ReadDisplaySettings();
    EXPECT_EQ(perInch * 5 / 2, m_doc.GetPageRect(screen).left);
}

TEST_F(EditPrint, ACancelledPrintDialogPrintsNothing)
{
    ScriptedPrintDialogs dialogs;
    dialogs.Cancel();
    EXPECT_FALSE(PrintEditDocument(m_doc, nullptr));
    ASSERT_EQ(1u, dialogs.Records().size());
    EXPECT_TRUE(dialogs.Records()[0].flags & PD_RETURNDC);

    MetafilePrinter printer;
    printer.Cancel();
    EXPECT_FALSE(PrintEditDocument(m_doc, nullptr));
    EXPECT_TRUE(printer.Pages().empty());
}

} // namespace
} // namespace editor
