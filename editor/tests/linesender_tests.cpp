// The document's line commands on the wire, through the project window and
// the controller connection to the scripted controller.
#include "editor/linesender.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/scripted_controller.h"
#include "link/vexoreply.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace editor {
namespace {

class NoReplies : public CVexoReply {
public:
    void OnReply(ControllerMessage*) override {}
};

class LineCommandTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_project);
        m_project.SetConnection(m_connection.get());
        m_connection->SetLinkFactory(ScriptedLinkFactory(m_link));
        m_clock.SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
        m_project.Register(m_frame);
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        ASSERT_TRUE(m_connection->OpenLink(m_project.GetSafeHwnd(), &record, true));
        m_written = m_link->Written().size();
    }
    void TearDown() override
    {
        m_clock.SetSleepHook({});
        m_connection.reset();
        m_link = nullptr;
    }
    std::string NewlyWritten()
    {
        const std::string all = m_link->Written();
        const std::string fresh = all.substr(m_written);
        m_written = all.size();
        return fresh;
    }

    CWinApp m_app{"editor tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    CFakeProjectLink m_project;
    std::unique_ptr<CControllerConnection> m_connection;
    CScriptedController* m_link = nullptr;
    size_t m_written = 0;
    TestWindow m_frame{"editor frame"};
    NoReplies m_reply;
};

TEST_F(LineCommandTest, InsertReplaceAndDeleteGoOnTheWire)
{
    CLineCommandSender sender(m_frame, &m_reply);
    CEditRDoc doc(nullptr, &sender);
    for (int i = 0; i < 5; ++i)
        doc.Buffer().InsertLine(i, "x" + std::to_string(i), false);
    NewlyWritten();

    doc.Buffer().InsertLine(5, "PRINT 1", true);
    EXPECT_NE(std::string::npos, NewlyWritten().find("&5I,PRINT 1"));
    doc.Buffer().ReplaceLine(5, "PRINT 1   ", true, true);
    EXPECT_NE(std::string::npos, NewlyWritten().find("&5R,PRINT 1\n"));
    doc.Buffer().InsertChar(7, 5, '2', true);
    EXPECT_EQ("", NewlyWritten());
    doc.Buffer().SendPendingLines();
    EXPECT_NE(std::string::npos, NewlyWritten().find("&5R,PRINT 12"));
    doc.Buffer().DeleteLine(5, true);
    EXPECT_NE(std::string::npos, NewlyWritten().find("&5,5D"));
}

} // namespace
} // namespace editor
