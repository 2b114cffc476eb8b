#include "editor/editdoc.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/app.h"
#include "recording_sink.h"
#include "testsupport/captured_log.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "recording_sink.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace editor {
namespace {

class EditDocTest : public RegistrySandboxTest {
protected:
    EditDocTest()
    {
        // The project window frees the name that comes with 0x8186; here
        // it keeps a copy of the text first.
        m_project.SetHandler(kMsgProgramModified, [this](WPARAM, LPARAM l) {
            char* name = reinterpret_cast<char*>(l);
            std::lock_guard<std::mutex> hold(m_lock);
            m_modifiedNames.push_back(name ? name : "(null)");
            std::free(name);
            return LRESULT(0);
        });
        m_project.SetHandler(kMsgProgramPath, [this](WPARAM w, LPARAM l) {
            const std::string name = reinterpret_cast<LPCSTR>(w);
            *reinterpret_cast<CString*>(l) = (m_folder / (name + ".BAS")).c_str();
            return LRESULT(1);
        });
    }
    std::vector<std::string> ModifiedNames()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_modifiedNames;
    }

    CWinApp m_app{"editor tests"};
    FakeProjectWindow m_project;
    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
    RecordingSink m_sink;
    std::mutex m_lock;
    std::vector<std::string> m_modifiedNames;
};

TEST_F(EditDocTest, NameLimitFromTheProjectWindow)
{
    const struct {
        LRESULT answer;
        int limit;
    } cases[] = {{0, 16}, {-1, 16}, {8, 8}, {32, 32}};
    for (const auto& c : cases) {
        m_project.SetAnswer(kMsgNameLimit, c.answer);
        CEditRDoc doc(m_project);
        EXPECT_EQ(c.limit, doc.Buffer().Store().m_nameLimit) << c.answer;
    }
    CEditRDoc alone(nullptr);
    EXPECT_EQ(16, alone.Buffer().Store().m_nameLimit);
}

TEST_F(EditDocTest, ModifiedNoticeOutlivesTheDocument)
{
    {
        auto* doc = new CEditRDoc(m_project, &m_sink);
        doc->SetProgramName("DEMO");
        doc->Buffer().InsertLine(0, "PRINT 1", true);
        delete doc;
    }
    ASSERT_TRUE(m_project.WaitFor(kMsgProgramModified));
    EXPECT_EQ(std::vector<std::string>{"DEMO"}, ModifiedNames());
    EXPECT_EQ(std::vector<std::string>{"50:0,PRINT 1"}, m_sink.commands);
    EXPECT_EQ(1u, m_project.Received(kMsgProgramChanged).size());
}

TEST_F(EditDocTest, OpensFromTheProjectAndMarksBreakpoints)
{
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "PRINT " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(WriteWholeFile(m_folder / "MAIN.BAS", text));
    m_project.SetFeature(kFeatureBreakpoints, true);

    CapturedGlobalLog log;
    CEditRDoc doc(m_project, &m_sink);
    doc.SetProgramName("MAIN");
    doc.m_breakpointReplies = {"Line 3", "line 5", "Line 99", "Breakpoints:", "Line x"};
    ASSERT_EQ(1, doc.OpenFromProject());
    EXPECT_EQ(m_folder / "MAIN.BAS", doc.Buffer().Store().m_path);
    EXPECT_TRUE(doc.m_featureBreakpoints);
    EXPECT_FALSE(doc.m_featureEditWhileRunning);
    ASSERT_EQ(10, doc.Buffer().GetLineCount());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(i == 3 || i == 5, doc.Buffer().Line(i)->HasBreakpoint()) << i;
    EXPECT_NE(std::string::npos, log.Text().find("\"Line 99\" names no line")) << log.Text();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(m_sink.commands.empty());

    // With inline breakpoints switched off no line is marked.
    CVQRegistry().SetUseInlineBreakpoints(0);
    CEditRDoc plain(m_project, &m_sink);
    plain.SetProgramName("MAIN");
    plain.m_breakpointReplies = {"Line 3"};
    ASSERT_EQ(1, plain.OpenFromProject());
    EXPECT_FALSE(plain.Buffer().Line(3)->HasBreakpoint());

    CEditRDoc missing(m_project, &m_sink);
    missing.SetProgramName("GONE");
    EXPECT_EQ(0, missing.OpenFromProject());
    CEditRDoc unnamed(m_project, &m_sink);
    EXPECT_EQ(0, unnamed.OpenFromProject());
}

TEST_F(EditDocTest, SaveKeepsTheFilesLineEndsAndTheOldFileOnFailure)
{
    const std::string path = m_folder / "MAIN.BAS";
    ASSERT_TRUE(WriteWholeFile(path, "OLD\n"));
    CEditRDoc doc(m_project, &m_sink);
    doc.SetProgramName("MAIN");
    ASSERT_EQ(1, doc.OpenFromProject());
    doc.Buffer().ReplaceLine(0, "PRINT 1", true, true);
    doc.Buffer().InsertLine(1, "PRINT 2", true);
    EXPECT_EQ(1, doc.SaveModified());
    EXPECT_EQ("PRINT 1\nPRINT 2\n", ReadWholeFile(path));
    EXPECT_FALSE(doc.IsModified());

    doc.Buffer().InsertChar(7, 1, '3', true); // pending, sent by the save
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    m_sink.commands.clear();
    EXPECT_EQ(0, doc.SaveModified());
    EXPECT_EQ(std::vector<std::string>{"48:1,PRINT 23"}, m_sink.commands);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ("PRINT 1\nPRINT 2\n", ReadWholeFile(path));
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_NE(std::string::npos, m_prompts.Texts().back().find(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, doc.Save(false, false));
    EXPECT_EQ("PRINT 1\nPRINT 23\n", ReadWholeFile(path));
}

// Opening and saving an unchanged program leaves its file byte for byte.
TEST_F(EditDocTest, SavingAnUnchangedProgramKeepsItsBytes)
{
    const std::string path = m_folder / "MAIN.BAS";
    const char* texts[] = {"PRINT 1\nPRINT 2\n", "PRINT 1\r\nPRINT 2\r\n", "PRINT 1\rPRINT 2\r",
                           "PRINT 1\r\nPRINT 2\rPRINT 3\n\n", "PRINT 1\nPRINT 2", "PRINT 1\r\n\r\n", ""};
    for (const char* text : texts) {
        ASSERT_TRUE(WriteWholeFile(path, text));
        CEditRDoc doc(m_project, &m_sink);
        doc.SetProgramName("MAIN");
        ASSERT_EQ(1, doc.OpenFromProject()) << text;
        EXPECT_EQ(1, doc.Save(true, true)) << text; // the Save command
        EXPECT_EQ(text, ReadWholeFile(path)) << text;
        EXPECT_EQ(1, doc.SaveModified()) << text;
        EXPECT_EQ(text, ReadWholeFile(path)) << text;
    }
    EXPECT_TRUE(m_sink.commands.empty());
}

} // namespace
} // namespace editor
