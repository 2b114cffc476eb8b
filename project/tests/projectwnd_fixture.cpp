#include "project/tests/projectwnd_fixture.h"

#include "foundation/winutil.h"
#include "framework/thread.h"
#include "link/vexothread.h"
#include "settings/vqregistry.h"
#include "testsupport/test_window.h"

namespace {

// The tool's own commands, sent by the test to the tool's thread.
const UINT kDoRegister = WM_USER + 1;
const UINT kDoUnregister = WM_USER + 2;
const UINT kDoQuit = WM_USER + 3;

const char kToolClass[] = "ProjectWndTestTool";

} // namespace

// ---------------------------------------------------------------- TestTool

TestTool::TestTool(Options options) : m_options(std::move(options))
{
    m_hReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this] { Run(); });
    ::WaitForSingleObject(m_hReady, 10000);
}

TestTool::~TestTool()
{
    if (::IsWindow(m_hWnd))
        ::PostMessageA(m_hWnd, kDoQuit, 0, 0);
    // The tool's thread may wait for the project window, which may wait
    // for this thread: keep answering while it ends.
    while (m_thread.joinable()) {
        const DWORD state = ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        (void)state;
        PumpWaitingMessages();
        if (!::IsWindow(m_hWnd)) {
            m_thread.join();
            break;
        }
    }
    ::CloseHandle(m_hReady);
}

void TestTool::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &TestTool::WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kToolClass;
    ::RegisterClassA(&wc);
    m_hWnd = ::CreateWindowExA(0, kToolClass, m_options.title.c_str(), WS_OVERLAPPED, 0, 0, 100, 80, nullptr,
                               nullptr, wc.hInstance, this);
    SetReply(m_options.title.c_str());
    ::SetEvent(m_hReady);
    MSG msg;
    while (::IsWindow(m_hWnd) && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

LRESULT CALLBACK TestTool::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* tool = reinterpret_cast<TestTool*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!tool || message < WM_USER)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return tool->Handle(message, wParam, lParam);
}

LRESULT TestTool::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_received.push_back(Message{message, wParam, lParam});
    }
    if (m_options.onMessage)
        m_options.onMessage(message, wParam, lParam);
    switch (message) {
    case kDoRegister:
        m_hProject = reinterpret_cast<HWND>(lParam);
        m_nToolId = static_cast<UINT>(wParam);
        m_nLastAnswer = ::SendMessageA(m_hProject, PWM_REGISTER, wParam, reinterpret_cast<LPARAM>(m_hWnd));
        return m_nLastAnswer;
    case kDoUnregister:
        ::SendMessageA(m_hProject, PWM_UNREGISTER, m_nToolId, reinterpret_cast<LPARAM>(m_hWnd));
        m_bUnregistered = true;
        return 0;
    case PWM_QUERY_CLASS:
        if (wParam)
            *reinterpret_cast<CVexoReply**>(wParam) = this;
        if (lParam)
            *reinterpret_cast<std::int32_t*>(lParam) = m_options.wantedChannel;
        return m_options.replyClass;
    case PWM_LISTED:
        return m_options.listedAnswer;
    case PWM_RESTORE_RECORD:
        return m_options.restoreAnswer;
    case PWM_SAVE_RECORD:
        return m_options.saveAnswer;
    case PWM_DESTROY:
        if (!m_options.closesOnRequest)
            return 0;
        [[fallthrough]];
    case kDoQuit:
        SetClosing();
        if (m_hProject)
            ::SendMessageA(m_hProject, PWM_UNREGISTER, m_nToolId, reinterpret_cast<LPARAM>(m_hWnd));
        ::DestroyWindow(m_hWnd);
        return 0;
    default:
        return 0;
    }
}

LRESULT TestTool::Register(HWND project, UINT toolId)
{
    return ::SendMessageA(m_hWnd, kDoRegister, toolId, reinterpret_cast<LPARAM>(project));
}

void TestTool::RegisterLater(HWND project, UINT toolId)
{
    ::PostMessageA(m_hWnd, kDoRegister, toolId, reinterpret_cast<LPARAM>(project));
}

void TestTool::Unregister()
{
    ::SendMessageA(m_hWnd, kDoUnregister, 0, 0);
}

bool TestTool::WaitGone(DWORD timeoutMs) const
{
    return PumpUntil([this] { return !::IsWindow(m_hWnd); }, timeoutMs);
}

std::vector<TestTool::Message> TestTool::Received(UINT message) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<Message> found;
    for (const Message& entry : m_received)
        if (entry.message == message)
            found.push_back(entry);
    return found;
}

std::vector<ControllerMessage> TestTool::Replies() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_replies;
}

void TestTool::OnReply(ControllerMessage* message)
{
    if (m_bUnregistered)
        ++m_nLateReplies;
    std::lock_guard<std::mutex> lock(m_lock);
    if (message)
        m_replies.push_back(*message);
}

// ---------------------------------------------------------------- RealProjectWindow

RealProjectWindow::RealProjectWindow()
{
    auto* thread = static_cast<CVexoThread*>(
        AfxBeginThread(RUNTIME_CLASS(CVexoThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    thread->SetWindowClass(RUNTIME_CLASS(CProjectWnd));
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &m_hThread, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    PumpUntil([&] { return thread->GetWindowHandle() != nullptr; }, 10000);
    m_hWnd = thread->GetWindowHandle();
    m_pObject = reinterpret_cast<CProjectWnd*>(static_cast<CWnd*>(
        reinterpret_cast<CWnd*>(::SendMessageA(m_hWnd, PWM_GET_OBJECT, 0, 0))));
}

RealProjectWindow::~RealProjectWindow()
{
    if (::IsWindow(m_hWnd))
        ::PostMessageA(m_hWnd, PWM_DESTROY, 0, 0);
    PumpUntil([this] { return ::WaitForSingleObject(m_hThread, 0) == WAIT_OBJECT_0; }, 20000);
    ::CloseHandle(m_hThread);
}

LRESULT RealProjectWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(m_hWnd, message, wParam, lParam, SMTO_NORMAL, 60000, &result);
    return static_cast<LRESULT>(result);
}

void RealProjectWindow::Settle() const
{
    // Posted messages are handled in order, after the sent ones: a marker
    // posted now is seen once everything posted before it was handled. The
    // reply channel is the marker's place (nothing here reads it).
    static std::atomic<int> marker{1000};
    const int mark = ++marker;
    const int previous = m_pObject->m_nReplyChannel.load();
    ::PostMessageA(m_hWnd, PWM_SET_REPLY_CHANNEL, 0, mark);
    PumpUntil([&] { return m_pObject->m_nReplyChannel.load() == mark; }, 10000);
    m_pObject->m_nReplyChannel = previous;
}

// ---------------------------------------------------------------- ProjectWndTest

void ProjectWndTest::SetUp()
{
    CVQRegistry().SetAutoConnectAtStart(0);
    CProjectWnd::SetKeyStateSource([](int) { return false; });
    CProjectWnd::SetCommandLineSource([] { return CString(); });
    CProjectWnd::SetConnectionSetup([this](CControllerConnection& connection) {
        connection.SetLinkFactory(ScriptedLinkFactory(m_link, [this](CScriptedController& link) { Script(link); }));
    });
    m_clock.SetSleepHook([this](std::uint64_t) {
        if (m_link)
            m_link->WaitUntilQuiet(2000);
    });
    BeforeStart();
    m_frame = std::make_unique<FakeMainFrame>(nullptr, true);
    // The free client area's corner.
    m_frame->SetHandler(PWM_FRAME_CORNER, [](WPARAM, LPARAM lParam) {
        if (auto* rect = reinterpret_cast<RECT*>(lParam))
            *rect = RECT{40, 30, 800, 600};
        return LRESULT{1};
    });
    m_window = std::make_unique<RealProjectWindow>();
    ASSERT_TRUE(::IsWindow(m_window->Handle()));
    m_frame->SetComponent(1035, m_window->Handle(), m_window->Object());
}

void ProjectWndTest::TearDown()
{
    m_window.reset();
    m_frame.reset();
    m_clock.SetSleepHook({});
    m_link = nullptr;
    CProjectWnd::SetConnectionSetup({});
    CProjectWnd::SetKeyStateSource({});
    CProjectWnd::SetCommandLineSource({});
}

void ProjectWndTest::OpenLink(bool channelMode)
{
    CCommPortData record;
    record.SetName("Test");
    record.SetTypeDefaults(LINK_TYPE_SERIAL);
    ASSERT_TRUE(Connection().OpenLink(m_window->Handle(), &record, channelMode ? TRUE : FALSE));
}

void ProjectWndTest::OpenProject(const std::string& folder)
{
    const std::string path = folder + "\\Demo.prj";
    {
        CProjectFile file(path.c_str());
        file.WriteString("Project", "Name", "Demo");
    }
    m_window->Object()->GetProjectFile().Load(path.c_str());
}

void ProjectWndTest::AddControllerProgram(const char* name, int type)
{
    CProgramData program;
    program.m_strName = name;
    program.m_nType = type;
    Connection().AddProgram(program);
}

std::vector<std::string> ProjectWndTest::CommandsStarting(const std::string& prefix) const
{
    std::vector<std::string> found;
    if (!m_link)
        return found;
    for (const std::string& command : m_link->Commands())
        if (command.rfind(prefix, 0) == 0)
            found.push_back(command);
    return found;
}
