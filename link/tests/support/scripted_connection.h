// A controller connection in channel mode over the scripted controller,
// with a fake project window that hands it tool requests and received
// bytes, on virtual time: what the tests that talk to a controller through
// the connection share. Project is CFakeProjectLink or a class derived
// from it (CToolProject for tool windows).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/scripted_controller.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

template <class Project>
class ScriptedConnectionTestOf : public RegistrySandboxTest {
protected:
    // Scripts each link the connection makes, before it is opened.
    virtual void Script(CScriptedController& link) {}

    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_project);
        m_project.SetConnection(m_connection.get());
        m_connection->SetLinkFactory(ScriptedLinkFactory(m_link, [this](CScriptedController& link) { Script(link); }));
        // Virtual time runs on only once what the controller has sent by
        // now has been taken in.
        m_clock.SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        ASSERT_TRUE(m_connection->OpenLink(m_project.GetSafeHwnd(), &record, TRUE));
    }
    void TearDown() override
    {
        m_clock.SetSleepHook({});
        m_connection.reset();
        m_link = nullptr;
    }

    // The commands the controller took that begin with prefix, in order.
    std::vector<std::string> CommandsStarting(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& command : m_link->Commands())
            if (command.rfind(prefix, 0) == 0)
                found.push_back(command);
        return found;
    }

    CWinApp m_app{"scripted connection tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    Project m_project;
    std::unique_ptr<CControllerConnection> m_connection;
    CScriptedController* m_link = nullptr;
};

using ScriptedConnectionTest = ScriptedConnectionTestOf<CFakeProjectLink>;
