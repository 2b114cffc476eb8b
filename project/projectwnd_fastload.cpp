// The project window's side of the fast loads: the fast project load
// driver (what is prepared before the engine starts, the wait for it and
// the link index its reconnect starts from), the fast program load through
// tool window 1057, and whether an operation on a program may run while
// programs run.
#include "project/projectwnd.h"

#include <cstring>

#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "link/commlinks.h"
#include "link/comms.h"
#include "project/fastloadproject.h"
#include "project/projectfiledialog.h"
#include "project/projectmessages.h"
#include "project/projectsearch.h"
#include "shell/mainframemessages.h"

namespace {

const int kFastProjectFeature = 9;
const int kNewAllCommand = 14; // "NEW ALL"
const int kMaxProgramType = 10;
const DWORD kToolWaitMs = 20000;
const DWORD kAfterLoadMs = 100;
const char kLoadCaption[] = "Load Project";
const char kNoFastLoad[] = "This system software version does not support fast project load";

// The project window as the engine's owner. The engine runs on a worker
// thread: it borrows the link with its receive thread suspended, and reply
// dispatch to tool windows is blocked while it has it.
class CFastLoadOwner : public IFastLoadOwner {
public:
    explicit CFastLoadOwner(CProjectWnd& window) : m_window(window) {}
    HWND GetOwnerWindow() override { return m_window.GetSafeHwnd(); }
    void Disconnect() override { m_window.Disconnect(0, DISCONNECT_PLAIN); }
    CComms* BorrowLink(int) override
    {
        CComms* link = m_window.GetConnection().GetLink();
        if (!link)
            return nullptr;
        m_window.m_nDispatchBlocked = 1;
        link->SuspendReceive();
        m_pLink = link;
        return link;
    }
    void ReturnLink() override
    {
        if (m_pLink)
            m_pLink->ResumeReceive();
        m_pLink = nullptr;
        m_window.m_nDispatchBlocked = 0;
    }

private:
    CProjectWnd& m_window;
    CComms* m_pLink = nullptr;
};

} // namespace

int CProjectWnd::FindConfiguredLinkIndex(const CCommPortData& inUse)
{
    if (inUse.m_nType == LINK_TYPE_SIMULATOR)
        return SIMULATOR_LINK_INDEX;
    const int count = GetCommLinkCount();
    for (int n = 0; n < count; ++n) {
        CCommPortData record;
        std::memcpy(record.m_szName, inUse.m_szName, sizeof(record.m_szName));
        if (GetCommLink(n, record) && record.IsEqual(inUse))
            return n;
    }
    return -1;
}

int CProjectWnd::FastLoadProject(LPCSTR path)
{
    int result = 0;
    if (!m_pConnection->IsFeatureSupported(kFastProjectFeature)) {
        AfxGetPromptService().PromptDetached(kNoFastLoad, kLoadCaption);
    } else {
        m_projectFile.Load(path);
        SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(path));
        if (HaltProgramsIfRunning(nullptr)) {
            CFastLoadOwner owner(*this);
            auto* engine = new CFastLoadProject(&owner, path, &m_nCancel);
            RunControllerCommands({Command(kNewAllCommand)});
            SendToMainFrame(PWM_BUSY);
            CCommPortData inUse;
            if (m_pConnection->CopyLinkData(&inUse))
                m_nLinkIndex = FindConfiguredLinkIndex(inUse);
            else
                m_nLinkIndex = -1;
            // The engine reconnects when it has done: through this link
            // first.
            m_nPreferredLink = m_nLinkIndex.load();
            m_nCancel = 0;
            m_pConnection->LeaveChannelMode();
            if (engine->Start(0)) {
                engine->WaitUntilDone();
                engine->Release();
                WaitServing([] { return false; }, kAfterLoadMs);
                PostToMainFrame(PWM_READY);
                m_bLoadFinished = TRUE;
                return 2;
            }
            // Never started: the object is still the caller's.
            engine->Release();
            engine->Release();
        }
    }
    m_pConnection->RemoveAllPrograms();
    PostToControlPanel(PWM_NOT_FOUND, 0, 0);
    m_bLoadFinished = TRUE;
    return result;
}

LRESULT CProjectWnd::OnFastLoadChosenProject(WPARAM, LPARAM)
{
    SendToMainFrame(PWM_BUSY);
    CProjectFileDialog dialog(this, CProjectFileDialog::MODE_LOAD, m_projectFile.GetFilePath());
    LRESULT result = 1;
    if (dialog.DoModal() == IDOK && !dialog.GetText().IsEmpty())
        result = FastLoadProject(dialog.GetText());
    m_bLoadFinished = TRUE;
    PostToMainFrame(PWM_READY);
    return result;
}

BOOL CProjectWnd::FastLoadProgram(LPCSTR name, LPCSTR path, int type)
{
    m_nLoadValue = 0;
    // Nothing to load is no load: a caller must not take it for one.
    if (!name || !*name || !path || !*path || type < 0 || type >= kMaxProgramType)
        return FALSE;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    const DWORD size = ::GetFileSize(file, nullptr);
    ::CloseHandle(file);
    // An empty file has no block to send; the line load takes it.
    if (size == 0)
        return FALSE;

    auto findTool = [this]() -> HWND {
        for (const CToolRecord& record : GetToolRecords())
            if (record.toolId == static_cast<int>(TOOL_ID_FAST_LOAD_PROGRAM))
                return record.hWnd;
        return nullptr;
    };
    if (!OpenTool(TOOL_ID_FAST_LOAD_PROGRAM, 1))
        return FALSE;
    // A tool that never registers must not hold the window for ever.
    WaitServing([&] { return findTool() != nullptr || IsReplyDispatchBlocked(); }, kToolWaitMs);
    const HWND tool = findTool();
    if (!tool)
        return FALSE;
    const BOOL posted =
        ::PostMessageA(tool, WM_PW_LOAD_PROGRAM_FILE, reinterpret_cast<WPARAM>(name), reinterpret_cast<LPARAM>(path));
    if (posted) {
        // The load has its own time-outs and the window closes itself
        // afterwards, also after it reported a failure: it reads the name
        // and the path until then.
        while (findTool() == tool && !IsReplyDispatchBlocked() && ::IsWindow(tool)) {
            if (!PumpOneMessage())
                AfxGetClock().SleepMs(1);
        }
    }
    return posted && m_nLoadValue == 0 ? TRUE : FALSE;
}

BOOL CProjectWnd::CanOperateOnProgram(LPCSTR name)
{
    if (GetProcesses().empty())
        return TRUE;
    if (!CanRunProgramOperations())
        return FALSE;
    CProgramData program;
    return name && m_pConnection->LookupProgram(name, program) && program.m_nState > 0 ? TRUE : FALSE;
}
