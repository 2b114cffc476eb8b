// The page window that stands in for the web browser control: the text of
// an HTML page, and the window that shows it.
#include "shell/explorer1.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

TEST(HtmlToTextTest, ThePageReadsAsABrowserShowsIt)
{
    const struct {
        const char* name;
        const char* html;
        const char* text;
    } cases[] = {
        {"tags go, words stay", "<p>Drive <b>ready</b></p>", "Drive ready"},
        {"blocks end lines", "<h1>Axis</h1><p>One<br>Two</p><ul><li>a<li>b</ul>", "Axis\r\nOne\r\nTwo\r\na\r\nb"},
        {"white space collapses", "  Line \n\t one  two ", "Line one two"},
        {"references decode", "A &amp; B &lt;3&gt; &quot;x&quot; &#65;&#x42;&nbsp;C", "A & B <3> \"x\" AB C"},
        {"an unknown reference stays", "R&D &bogus; &#;", "R&D &bogus; &#;"},
        {"scripts, styles and comments are no text",
         "<style>p{color:red}</style><script>var a = '<p>';</script><!-- note -->Shown", "Shown"},
        {"a page cut short", "Text <b", "Text"},
        {"nothing", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, HtmlToText(c.html)) << c.name;
}

TEST(Explorer1Test, ShowsTheTextOfAPageOrWhyItCannot)
{
    ScratchFolder folder;
    const std::string page = folder / "info.html";
    std::ofstream(page) << "<html><head><title>Drive</title></head><body><p>Status: <i>ready</i></p></body></html>";
    TestWindow parent("Page host");
    CWnd host;
    host.m_hWnd = parent;
    CExplorer1 browser;
    ASSERT_TRUE(browser.Create("Information", WS_VISIBLE, CRect(0, 0, 300, 200), &host, 1234));
    EXPECT_EQ(1234, ::GetDlgCtrlID(browser.m_hWnd));
    EXPECT_EQ(parent.Handle(), ::GetParent(browser.m_hWnd));

    for (const std::string& address : {page, "file:///" + page}) {
        EXPECT_TRUE(browser.Navigate(address.c_str())) << address;
        EXPECT_EQ("Drive\r\nStatus: ready", WindowText(browser.m_hWnd)) << address;
        EXPECT_EQ(address, std::string(browser.GetLocationURL()));
    }
    const std::string missing = folder / "missing.html";
    EXPECT_FALSE(browser.Navigate(missing.c_str()));
    EXPECT_EQ("The page " + missing + " could not be opened: there is no such file.", WindowText(browser.m_hWnd));
    browser.DestroyWindow();
    host.m_hWnd = nullptr;
}

} // namespace
