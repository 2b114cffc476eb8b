// The controller search, connect and disconnect and the hardware scan,
// against the scripted controller on virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "framework/app.h"
#include "link/commlinks.h"
#include "project/tests/connect_sequence.h"
#include "link/tests/support/scripted_controller.h"
#include "project/hardwarescan.h"
#include "project/projectconnect.h"
#include "project/projectlayout.h"
#include "project/projectsearch.h"
#include "project/tests/test_hub.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

// The connect screen: records its lines and answers as told.
class RecordingScreen : public IConnectScreen {
public:
    struct Log {
        std::vector<std::string> lines;
        int okEnabled = -1;
        int waits = 0;
        int answer = IDOK;
        std::function<void()> onWait;
    };
    explicit RecordingScreen(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    void SetStatusText(LPCSTR text) override { m_log->lines.push_back(text); }
    void EnableOkButton(BOOL enable) override { m_log->okEnabled = enable ? 1 : 0; }
    int WaitForUser() override
    {
        ++m_log->waits;
        if (m_log->onWait)
            m_log->onWait();
        return m_log->answer;
    }
    void Cancel() override { m_log->answer = IDCANCEL; }

private:
    std::shared_ptr<Log> m_log;
};

CCommPortData SerialLink(const char* port, bool active)
{
    CCommPortData record;
    record.SetLinkDefaults(port, LINK_TYPE_SERIAL);
    record.SetSerial(port, 38400, 8, LINK_STOP_BITS_1, LINK_PARITY_NONE);
    record.m_nActive = active ? 1 : 0;
    return record;
}

class ConnectTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_hub);
        m_hub.SetConnection(m_connection.get());
        m_connection->SetLinkFactory(ScriptedLinkFactory(m_link, [this](CScriptedController& link) { Script(link); }));
        m_clock.SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
        m_search.SetScreenFactory([this](HWND) { return std::make_unique<RecordingScreen>(m_screen); });
        m_connector.SetTimeSource([] { return CTime(2026, 12, 9, 14, 5, 0); });
        m_hub.Frame().SetHandler(WM_CONTROLLER_TYPE, [this](WPARAM, LPARAM lParam) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_typeLock);
            m_types.push_back(lParam ? reinterpret_cast<const char*>(lParam) : "(null)");
            return 0;
        });
        m_project = m_folder / "Demo.prj";
        WriteWholeFile(m_project, "[Programs]\r\n");
        m_hub.SetProjectPath(m_project);
    }
    void TearDown() override
    {
        m_clock.SetSleepHook({});
        m_connection.reset();
        m_link = nullptr;
    }

    // A controller that answers the connection's queries.
    virtual void Script(CScriptedController& link)
    {
        link.SetReply("?POWER_UP[0];", "0");
        link.SetReply("?WDOG[0];", "1");
        link.SetReply("&C", "MAIN");
        link.SetReply("?FREE[0];", "12345");
        link.SetReply("?SERVO_PERIOD;", "1000");
        link.SetReplyPattern("?ATYPE AXIS(%d)[0];", "0");
        link.SetReply("?ATYPE AXIS(0)[0];", "8");
        link.SetReplyPattern("?COMMSTYPE SLOT(%d)[0];", "0");
        link.SetReply("?NIO[0];", "16");
        link.SetReply("?NAIO[0];", "4");
        link.SetReply("?N_ANA_OUT[0];", "2");
    }

    void StoreLinks(std::initializer_list<CCommPortData> links)
    {
        int n = 0;
        for (const CCommPortData& link : links)
            ASSERT_EQ(1, SetCommLink(n++, link));
    }
    std::vector<std::string> Types()
    {
        std::lock_guard<std::mutex> guard(m_typeLock);
        return m_types;
    }
    size_t FrameCount(UINT message) { return m_hub.Frame().Received(message).size(); }
    // Messages the hub posted to itself and has not handled yet.
    std::vector<std::pair<WPARAM, LPARAM>> PostedToHub(UINT message)
    {
        std::vector<std::pair<WPARAM, LPARAM>> found;
        MSG msg;
        while (::PeekMessageA(&msg, m_hub.GetHubWindow(), message, message, PM_REMOVE))
            found.emplace_back(msg.wParam, msg.lParam);
        return found;
    }

    CWinApp m_app{"connect tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    std::string m_project;
    TestHub m_hub;
    std::unique_ptr<CControllerConnection> m_connection;
    CScriptedController* m_link = nullptr;
    CWindowLayout m_layout{m_hub};
    CControllerSearch m_search{m_hub};
    CProjectConnector m_connector{m_hub, m_search, m_layout};
    std::shared_ptr<RecordingScreen::Log> m_screen = std::make_shared<RecordingScreen::Log>();
    std::mutex m_typeLock;
    std::vector<std::string> m_types;
};

} // namespace

TEST_F(ConnectTest, SecondLinkAnswersAndTheWholeSequenceGoesOut)
{
    StoreLinks({SerialLink("COM5", false), SerialLink("COM6", true)});
    ASSERT_TRUE(m_connector.Connect(0));

    EXPECT_EQ(ExpectedConnectCommands(), m_link->Commands());
    EXPECT_EQ(0u, m_link->Written().find("\x1b" "0VQE(0)\r\r"));
    EXPECT_EQ("COM6", std::string(m_connection->GetLinkData()->m_data.serial.m_szPort));

    EXPECT_EQ(1u, CVQRegistry().GetDefaultDirectLink());
    EXPECT_EQ(1, m_hub.state.selectedLink.load());
    EXPECT_EQ(std::vector<std::string>{"QC116"}, Types());
    EXPECT_EQ(1u, FrameCount(WM_PROJECT_AVAILABLE));
    EXPECT_EQ(1u, FrameCount(WM_OPERATION_STARTED));
    ASSERT_TRUE(m_hub.Frame().WaitFor(WM_OPERATION_ENDED).has_value());
    EXPECT_EQ(1u, FrameCount(WM_OPERATION_ENDED));
    EXPECT_EQ("->Controller QC116 version 2.0137 found", m_screen->lines.back());
    EXPECT_EQ(0, m_screen->waits); // the request did not ask for the screen to wait

    // The values read at connection go to the tools as the project
    // window's replies; axis 0 of type 8 is the first module.
    const auto& passed = m_hub.PassedReplies();
    ASSERT_EQ(4u, passed.size());
    EXPECT_EQ(12345, passed[2].GetInteger());
    EXPECT_EQ("MAIN", std::string(passed[3].GetText()));
    EXPECT_EQ(0x10014, m_hub.Slot(0));
    EXPECT_EQ(0, m_hub.Slot(1)); // every axis type is kept
    EXPECT_EQ(-1, m_hub.Slot(8));
    EXPECT_TRUE(m_hub.state.connected);
    EXPECT_EQ(0, m_hub.busy);
}

TEST_F(ConnectTest, ALockedControllerIsPassedOverForTheNextLink)
{
    StoreLinks({SerialLink("COM5", true), SerialLink("COM6", true)});
    m_link = nullptr;
    m_connection->SetLinkFactory(ScriptedLinkFactory(m_link, [this](CScriptedController& link) {
        Script(link);
        link.QueueReply("?CONTROL[0]", "1206"); // the first identification: locked
    }));
    ASSERT_TRUE(m_connector.Connect(1));
    const auto& lines = m_screen->lines;
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "->Controller locked, cannot connect"));
    EXPECT_EQ("->Controller QC116 version 2.0137 found", lines.back());
    EXPECT_EQ(1, m_hub.state.selectedLink.load());
    EXPECT_EQ(1, m_screen->waits);
    EXPECT_EQ(1, m_screen->okEnabled);
}

TEST_F(ConnectTest, AControllerThatNeverAnswersLeavesNothingConnected)
{
    StoreLinks({SerialLink("COM5", true)});
    m_link = nullptr;
    m_connection->SetLinkFactory(ScriptedLinkFactory(m_link, [](CScriptedController& link) { link.SetSilent(true); }));
    EXPECT_FALSE(m_connector.Connect(0));
    EXPECT_EQ("->No controller found @ " + std::string(SerialLink("COM5", true).FormatDescription(true).GetString()),
              m_screen->lines.back());
    EXPECT_FALSE(m_hub.state.connected);
    EXPECT_EQ(0u, FrameCount(WM_PROJECT_AVAILABLE));
    // The link itself is open: a terminal is opened on it.
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{1042, 1}}), PostedToHub(WM_PW_OPEN_TOOL));
    EXPECT_TRUE(m_hub.Panel().WaitFor(PWM_NOT_FOUND).has_value());
    EXPECT_EQ(std::vector<std::string>{""}, Types());
    ASSERT_TRUE(m_hub.Frame().WaitFor(WM_OPERATION_ENDED).has_value());
    EXPECT_EQ(0, m_hub.busy);
}

TEST_F(ConnectTest, ALinkThatDropsDuringTheScanEndsNotConnected)
{
    StoreLinks({SerialLink("COM5", true)});
    m_link = nullptr;
    m_connection->SetLinkFactory(ScriptedLinkFactory(m_link, [this](CScriptedController& link) {
        Script(link);
        ScriptedReply drop("0");
        drop.dropLink = true;
        link.SetReply("?ATYPE AXIS(3)[0];", drop);
    }));
    EXPECT_FALSE(m_connector.Connect(0));
    EXPECT_FALSE(m_hub.state.connected);
    const auto commands = m_link->Commands();
    EXPECT_EQ(commands.end(), std::find(commands.begin(), commands.end(), "?ATYPE AXIS(5)[0];"));
    EXPECT_EQ(commands.end(), std::find(commands.begin(), commands.end(), "?NIO[0];"));
    EXPECT_EQ(0u, m_hub.Frame().Received(WM_DRIVE_KIND_PRESENT).size());
    // The frame was told of the connection, so it is told it is over.
    EXPECT_EQ(1u, FrameCount(WM_DISCONNECTED));
    EXPECT_EQ((std::vector<std::string>{"QC116", ""}), Types());
}

TEST_F(ConnectTest, ASecondConnectRequestDuringAConnectIsServedOnceAfterIt)
{
    StoreLinks({SerialLink("COM5", true)});
    m_screen->onWait = [this] {
        m_connector.OnConnectRequest(7);
        m_connector.OnConnectRequest(7);
    };
    ASSERT_TRUE(m_connector.Connect(1));
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{7, 0}}), PostedToHub(WM_PW_CONNECT));
    EXPECT_EQ(0, m_connector.Disconnect(0, DISCONNECT_PLAIN) - 1); // connected: it disconnects
    EXPECT_EQ(0, m_connector.Disconnect(0, DISCONNECT_PLAIN));     // now there is nothing to do
}

TEST_F(ConnectTest, LinkFailureKeepsTheLayoutClosesTheToolsAndReportsTheTime)
{
    StoreLinks({SerialLink("COM5", true)});
    ASSERT_TRUE(m_connector.Connect(0));
    FakeProjectWindow tool;
    tool.SetHandler(PWM_SAVE_RECORD, [](WPARAM, LPARAM) -> LRESULT { return 1; });
    IProjectHub::RegisteredTool registered{tool.Handle(), 1045, 2, CChannelSet(), "", true};
    m_hub.AddTool(registered);

    m_link->DropLink();
    m_connector.OnLinkFailure();

    CProjectFile file(m_project.c_str());
    EXPECT_EQ(616, file.GetString("AutoDesktop", "TOOL00").GetLength());
    std::vector<IProjectHub::RegisteredTool> left;
    m_hub.GetRegisteredWindows(left);
    EXPECT_TRUE(left.empty());
    const auto events = m_hub.Events();
    EXPECT_NE(events.end(), std::find(events.begin(), events.end(), "close 1034"));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Communications with the controller have failed\r\n@ 14:05  09-Dec-2026\r\n\r\nDisconnecting!",
              records[0].text);
    EXPECT_EQ("Communications", records[0].caption);
    EXPECT_TRUE(records[0].detached);
    EXPECT_FALSE(m_hub.state.connected);
    EXPECT_TRUE(m_hub.state.linkFailed);
    EXPECT_EQ(0, m_connection->GetTransactionHold());
    // One busy pair for the connect, one for the disconnect.
    ASSERT_TRUE(m_hub.Frame().WaitFor(WM_OPERATION_ENDED, [this](const ReceivedMessage&) {
        return FrameCount(WM_OPERATION_ENDED) == 2;
    }).has_value());
    EXPECT_EQ(2u, FrameCount(WM_OPERATION_STARTED));
}

TEST_F(ConnectTest, LockWhileConnectedKeepsTheLockDialogAndSendsTheCode)
{
    StoreLinks({SerialLink("COM5", true)});
    ASSERT_TRUE(m_connector.Connect(0));
    m_hub.AddTool({nullptr, TOOL_LOCK_DIALOG, 2, CChannelSet(), "", true});
    m_hub.AddTool({nullptr, 1045, 2, CChannelSet(), "", true});
    m_connector.OnLock(TRUE, 1234);

    std::vector<IProjectHub::RegisteredTool> left;
    m_hub.GetRegisteredWindows(left);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(TOOL_LOCK_DIALOG, left[0].toolId);
    const auto commands = m_link->Commands();
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "LOCK(1234)"));
    EXPECT_FALSE(m_hub.state.connected);
    // A plain disconnect opens no terminal.
    EXPECT_TRUE(PostedToHub(WM_PW_OPEN_TOOL).empty());
}

TEST_F(ConnectTest, ShiftHeldWithOneLinkOpensTheDefaultSerialLinkDirectly)
{
    StoreLinks({SerialLink("COM5", true)});
    m_hub.state.startupSkip = TRUE;
    EXPECT_EQ(0, m_search.SearchController(FALSE, FALSE));
    const CCommPortData* link = m_connection->GetLinkData();
    ASSERT_NE(nullptr, link);
    EXPECT_EQ("COM1", std::string(link->m_data.serial.m_szPort));
    EXPECT_EQ(9600u, link->m_data.serial.m_nBaudRate);
    EXPECT_EQ(7, link->m_data.serial.m_nDataBits);
    EXPECT_EQ(CONNECTION_COMMAND_LINE, m_connection->GetLinkMode());
    // No identification on the direct link.
    const auto commands = m_link->Commands();
    EXPECT_EQ(commands.end(), std::find(commands.begin(), commands.end(), "?CONTROL[0]"));
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{1042, 1}}), PostedToHub(WM_PW_OPEN_TOOL));
    EXPECT_FALSE(m_hub.state.startupSkip);
}

TEST_F(ConnectTest, NoLinksIsToldAndNothingIsOpened)
{
    EXPECT_EQ(0, m_search.SearchController(TRUE, FALSE));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("No communications links specified", records[0].text);
    EXPECT_EQ("Connect to controller", records[0].caption);
    EXPECT_EQ(nullptr, m_link);
    EXPECT_TRUE(m_hub.Panel().WaitFor(PWM_NOT_FOUND).has_value());
}

TEST_F(ConnectTest, HardwareScanFlagsModulesAndSkipsWhatIsNoModule)
{
    StoreLinks({SerialLink("COM5", true)});
    ASSERT_TRUE(m_connector.Connect(0));
    m_link->SetReply("?ATYPE AXIS(0)[0];", "11");  // the built-in second network
    m_link->SetReply("?ATYPE AXIS(2)[0];", "22");  // an axis on a drive network
    m_link->SetReply("?COMMSTYPE SLOT(0)[0];", "19"); // type 0x10013: below the first module id
    m_hub.Frame().ClearReceived();
    ScanControllerHardware(m_hub);

    EXPECT_EQ(0x10016, m_hub.Slot(0)); // not replaced by the slot's answer, which is no module
    EXPECT_EQ(22, m_hub.Slot(2));
    const auto kinds = m_hub.Frame().Received(WM_DRIVE_KIND_PRESENT);
    ASSERT_EQ(2u, kinds.size());
    EXPECT_EQ(DRIVE_KIND_SLM, kinds[0].lParam);
    EXPECT_EQ(DRIVE_KIND_SERCOS, kinds[1].lParam);
    ASSERT_TRUE(m_hub.LastProgress());
    EXPECT_EQ(8 + 1 + 3, m_hub.LastProgress()->range);
    EXPECT_EQ(8 + 1 + 3, m_hub.LastProgress()->steps);

    // A disconnect during the scan stops it and sends no flags.
    m_hub.Frame().ClearReceived();
    const size_t before = m_link->Commands().size();
    m_hub.onCommand = [this](int id, int argument) {
        if (id == CMD_ATYPE && argument == 2)
            m_hub.state.disconnecting = TRUE;
    };
    ScanControllerHardware(m_hub);
    const auto commands = m_link->Commands();
    EXPECT_EQ(before + 4, commands.size()); // "?SERVO_PERIOD;" and axes 0 to 2
    EXPECT_EQ("?ATYPE AXIS(2)[0];", commands.back());
    EXPECT_TRUE(m_hub.Frame().Received(WM_DRIVE_KIND_PRESENT).empty());
}

TEST_F(ConnectTest, AControllerOnTheCommandLineIsNotScanned)
{
    CCommPortData record = SerialLink("COM5", true);
    ASSERT_TRUE(m_connection->OpenLink(m_hub.GetHubWindow(), &record, FALSE));
    ScanControllerHardware(m_hub);
    EXPECT_TRUE(m_link->Commands().empty());
    EXPECT_EQ(-1, m_hub.Slot(0));
    EXPECT_TRUE(m_hub.Frame().Received(WM_DRIVE_KIND_PRESENT).empty());
    EXPECT_TRUE(m_hub.Progresses().empty());
}

class SimulatorStartTest : public ConnectTest {};

TEST_F(SimulatorStartTest, AStartedSimulatorThatNeverShowsIsWaitedForTwentySeconds)
{
    // The stand-in records how it was started and exits without a window.
    const std::string folder = m_folder / "sim";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string program = folder + "\\QCSimulation.exe";
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string recorder(self);
    recorder = recorder.substr(0, recorder.rfind('\\') + 1) + "cmdline_recorder.exe";
    ASSERT_TRUE(::CopyFileA(recorder.c_str(), program.c_str(), FALSE)) << recorder;
    VQExternalTool tool = {};
    std::strcpy(tool.name, "QCSimulation");
    std::strcpy(tool.file, program.c_str());
    CVQRegistry().AddExternalTool(&tool);

    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(m_search.StartSimulator());
    EXPECT_GE(m_clock.NowMs() - start, 20000u);
    std::string recorded;
    for (int i = 0; i < 500 && recorded.empty(); ++i) {
        ::Sleep(10);
        recorded = ReadWholeFile(program + ".cmdline");
    }
    EXPECT_EQ(program + "\n" + folder + "\n", recorded);
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(0, m_hub.busy);
}

TEST_F(SimulatorStartTest, AMissingSimulatorIsReportedWithoutWaiting)
{
    VQExternalTool tool = {};
    std::strcpy(tool.name, "QCSimulation");
    const std::string program = m_folder / "Gone.exe";
    std::strcpy(tool.file, program.c_str());
    CVQRegistry().AddExternalTool(&tool);
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(m_search.StartSimulator());
    EXPECT_LT(m_clock.NowMs() - start, 100u);
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Unable to start tool QCSimulation\n\nFile: " + program, records[0].text);
    EXPECT_EQ("Start Tool", records[0].caption);
}

TEST_F(SimulatorStartTest, ARunningSimulatorIsNotStartedAgain)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\QCSimulation", 0,
                                               nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    ::RegSetValueExA(key, "MainWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>("Sim test main"), 14);
    ::RegSetValueExA(key, "CommsWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>("Sim test comms"), 15);
    ::RegCloseKey(key);
    HWND main = ::CreateWindowExA(0, "STATIC", "Sim test main", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND comms = ::CreateWindowExA(0, "STATIC", "Sim test comms", WS_CHILD, 0, 0, 1, 1, main, nullptr, nullptr, nullptr);
    ASSERT_TRUE(main && comms);
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(m_search.StartSimulator());
    EXPECT_EQ(start, m_clock.NowMs());
    EXPECT_TRUE(m_prompts.Records().empty()); // no start was tried
    ::DestroyWindow(main);
}

TEST_F(ConnectTest, ADisconnectOpensTheTerminalOnlyWhenAskedAndNotWhileClosing)
{
    StoreLinks({SerialLink("COM5", true)});
    const struct {
        int reason;
        bool closing;
        size_t terminals;
    } cases[] = {
        {DISCONNECT_TERMINAL, false, 1},
        {DISCONNECT_OFFER_AND_TERMINAL, false, 1},
        {DISCONNECT_OFFER_AND_TERMINAL, true, 0}, // the destroy request's disconnect
        {DISCONNECT_PLAIN, false, 0},
    };
    for (const auto& c : cases) {
        m_hub.closing = false;
        ASSERT_TRUE(m_connector.Connect(0));
        PostedToHub(WM_PW_OPEN_TOOL);
        m_hub.closing = c.closing;
        EXPECT_EQ(1, m_connector.Disconnect(0, c.reason));
        EXPECT_EQ(c.terminals, PostedToHub(WM_PW_OPEN_TOOL).size()) << c.reason << " " << c.closing;
        EXPECT_FALSE(m_hub.state.connected);
        EXPECT_FALSE(m_hub.state.disconnecting);
        EXPECT_EQ(0, m_connection->GetTransactionHold());
    }
}
