#include "project/programeprom.h"

#include <process.h>

#include <cstring>

#include "foundation/logline.h"
#include "framework/clock.h"
#include "framework/thread.h"
#include "link/controllermessage.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "ui/windowlookup.h"

namespace {

const UINT WM_EPROM_QUESTION = 0x7E8;
const UINT WM_EPROM_HALTING = 0x7E9;
const UINT WM_EPROM_STORING = 0x7EA;
const UINT WM_EPROM_REFRESH = WM_APP + 0x1C7;      // 0x81C7
const UINT WM_EPROM_SHOW_CONTROL = WM_APP + 0x1C8; // 0x81C8
const int kEpromCommand = 15;                      // "EPROM"
const int kHaltCommand = 7;                        // "HALT"
const std::uint64_t kStoreLimitMs = 40000;
const int kFinalWaitSeconds = 20;

const char kAskEditable[] = "The programs on the controller are still editable.\n\nDo you want to fix them into EPROM?";
const char kAskStore[] = "This will copy the programs currently on the controller into the Flash EPROM, overwriting "
                         "any programs that may have been previously stored\n\nAre you sure?";
const char kAskHalt[] = "There are programs running. They must be halted before you can continue\n\nHalt programs?";
const char kError[] = "Error programming EPROM";

} // namespace

IMPLEMENT_DYNCREATE(CProgramEPROM, CDialog)

BEGIN_MESSAGE_MAP(CProgramEPROM, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_MESSAGE(WM_EPROM_REFRESH, OnRefresh)
ON_MESSAGE(WM_EPROM_SHOW_CONTROL, OnShowControl)
ON_MESSAGE(WM_EPROM_QUESTION, OnQuestion)
ON_MESSAGE(WM_EPROM_HALTING, OnHalting)
ON_MESSAGE(WM_EPROM_STORING, OnStoring)
END_MESSAGE_MAP()

CProgramEPROM::CProgramEPROM() : CProgramEPROM(nullptr, nullptr, FALSE, 0) {}

CProgramEPROM::CProgramEPROM(CWnd* pParent, HWND hWndProject, BOOL modal, int editableCount)
    : CDialog(IDD_PROGRAM_EPROM, pParent), m_strQuestion(editableCount > 0 ? kAskEditable : kAskStore),
      m_hWndProject(hWndProject), m_bModal(modal)
{
    SetReply("ProgEPROM");
    m_sender.SetText("ProgEPROM");
}

CProgramEPROM::~CProgramEPROM() = default;

CProgramChangedEPROMDialog::CProgramChangedEPROMDialog(CWnd* pParent, HWND hWndProject, BOOL modal, int editableCount,
                                                       BOOL battery)
    : CProgramEPROM(pParent, hWndProject, modal, editableCount)
{
    m_strQuestion = battery ? "One or more programs in controller RAM memory have changed.  These need to be stored "
                              "in flash EPROM or any changes will be lost if battery power on the controller fails."
                            : "One or more programs in controller RAM memory have changed.  These need to be stored "
                              "in flash EPROM or any changes will be lost when power is removed from the controller";
    m_strFirst = "Store";
    m_strSecond = "&Cancel";
}

BOOL CProgramEPROM::Create(CWnd* pParentWnd)
{
    if (CDialog::Create(IDD_PROGRAM_EPROM, pParentWnd))
        return TRUE;
    if (!m_bModal)
        delete this;
    return FALSE;
}

int CProgramEPROM::RunModal(const std::atomic<int>* abort)
{
    m_bModal = TRUE;
    m_bRunDone = false;
    if (!CDialog::Create(IDD_PROGRAM_EPROM, GetParent()))
        return 2;
    while (!m_bRunDone && !(abort && abort->load())) {
        if (!AfxPumpMessages())
            break;
        AfxGetClock().SleepMs(10);
    }
    m_bClosing = true;
    // The worker holds this object until the project window's store returns.
    while (m_bWorkerBusy.load()) {
        AfxPumpMessages();
        ::Sleep(1);
    }
    if (::IsWindow(m_hWnd))
        DestroyWindow();
    return m_nResult;
}

void CProgramEPROM::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

int CProgramEPROM::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!::IsWindow(m_hWndProject))
        m_hWndProject = GetProjectWndHandle();
    if (!::IsWindow(m_hWndProject) ||
        ::SendMessageA(m_hWndProject, WM_REGISTER_TOOL_WINDOW, TOOL_ID_EPROM, reinterpret_cast<LPARAM>(m_hWnd)) == 0)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CProgramEPROM::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    PostMessage(WM_EPROM_QUESTION, 0, 0);
    if (m_nStages > 0)
        --m_nStages;
    return TRUE;
}

bool CProgramEPROM::IsBusy() const
{
    return m_nStages > 0 || m_sender.GetDepth() > 0 || m_bWaiting || m_bWorkerBusy.load();
}

void CProgramEPROM::SetStatus(const CString& text)
{
    {
        CSingleLock lock(&m_statusLock, TRUE);
        m_strStatus = text;
    }
    OnRefresh(0, 0);
}

void CProgramEPROM::AppendStatus(LPCSTR text)
{
    CSingleLock lock(&m_statusLock, TRUE);
    m_strStatus += text;
}

CString CProgramEPROM::GetStatusText()
{
    CSingleLock lock(&m_statusLock, TRUE);
    return m_strStatus;
}

LRESULT CProgramEPROM::OnRefresh(WPARAM, LPARAM)
{
    SetDlgItemText(IDC_EPROM_STATUS, GetStatusText());
    return 0;
}

LRESULT CProgramEPROM::OnShowControl(WPARAM wParam, LPARAM lParam)
{
    if (CWnd* control = GetDlgItem(static_cast<int>(wParam))) {
        control->ShowWindow(lParam ? SW_SHOW : SW_HIDE);
        control->EnableWindow(lParam ? TRUE : FALSE);
    }
    return 0;
}

void CProgramEPROM::MakeButtons(LPCSTR first, LPCSTR second)
{
    CRect client;
    GetClientRect(&client);
    const int count = second ? 2 : 1;
    const LPCSTR texts[2] = {first, second};
    for (int i = 0; i < count; ++i) {
        const int left = (client.Width() - count * 92 + 20) / 2 + i * 92;
        m_buttons[i].Create(texts[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : 0),
                            CRect(left, client.bottom - 5 - 24, left + 72, client.bottom - 5), this, i + 1);
        m_buttons[i].SetFont(GetFont());
    }
    m_buttons[m_bFirstDefault || count == 1 ? 0 : 1].SetFocus();
}

void CProgramEPROM::DestroyButtons()
{
    for (CButton& button : m_buttons) {
        if (::IsWindow(button.m_hWnd))
            button.DestroyWindow();
    }
}

int CProgramEPROM::WaitForUser(int seconds)
{
    m_bWaiting = true;
    m_nResult = 2;
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (!m_bClosing.load() && m_bWaiting) {
        if (seconds > 0 && clock.NowMs() - start >= static_cast<std::uint64_t>(seconds) * 1000)
            break;
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            AfxPumpMessages();
        else
            clock.SleepMs(1);
    }
    m_bWaiting = false;
    return m_nResult;
}

void CProgramEPROM::OnOK()
{
    m_bWaiting = false;
    m_nResult = 1;
}

void CProgramEPROM::OnCancel()
{
    m_bWaiting = false;
    m_nResult = 2;
}

void CProgramEPROM::Finish(int result)
{
    m_nResult = result;
    if (m_bModal)
        m_bRunDone = true;
    else
        PostMessage(WM_DESTROY_REQUEST, 0, 0);
}

LRESULT CProgramEPROM::OnQuestion(WPARAM, LPARAM)
{
    ++m_nStages;
    SetStatus(m_strQuestion);
    MakeButtons(m_strFirst, m_strSecond);
    const int answer = WaitForUser(0);
    DestroyButtons();
    if (answer != 1) {
        Finish(2);
    } else if (!m_bClosing.load()) {
        const bool running = !::IsWindow(m_hWndProject) ||
                             ::SendMessageA(m_hWndProject, WM_PW_QUERY_PROGRAMS_RUNNING, 0, 0) != 0;
        PostMessage(running ? WM_EPROM_HALTING : WM_EPROM_STORING, 0, 0);
    }
    --m_nStages;
    return 0;
}

LRESULT CProgramEPROM::OnHalting(WPARAM, LPARAM)
{
    ++m_nStages;
    SetStatus(kAskHalt);
    MakeButtons("&Yes", "&No");
    const int answer = WaitForUser(0);
    DestroyButtons();
    if (answer != 1) {
        Finish(2);
    } else if (!m_bClosing.load()) {
        m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kHaltCommand)});
        AfxGetClock().SleepMs(1000);
        PostMessage(WM_EPROM_STORING, 0, 0);
    }
    --m_nStages;
    return 0;
}

unsigned __stdcall CProgramEPROM::StoreWorker(void* parameter)
{
    auto* self = static_cast<CProgramEPROM*>(parameter);
    self->m_bWorkerStarted = true;
    ::SendMessageA(self->m_hWndProject, WM_PW_STORE_EPROM, 0, 0);
    self->m_bWorkerBusy = false;
    return 0;
}

LRESULT CProgramEPROM::OnStoring(WPARAM, LPARAM)
{
    ++m_nStages;
    SetStatus("");
    m_bError = false;
    bool stored = false;
    if (::IsWindow(m_hWndProject)) {
        m_bWorkerBusy = true;
        m_bWorkerStarted = false;
        const uintptr_t thread = _beginthreadex(nullptr, 0, &CProgramEPROM::StoreWorker, this, 0, nullptr);
        if (thread) {
            ::CloseHandle(reinterpret_cast<HANDLE>(thread));
            while (!m_bWorkerStarted.load())
                ::Sleep(1);
        } else {
            m_bWorkerBusy = false;
        }
    }
    // Progress: each word only after the one before it; the loop ends when
    // the store request has returned.
    static const char* const kWords[3] = {"ERASING", "PROGRAMMING", "VERIFYING"};
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    int stage = 0;
    int searchFrom = 0; // each word counts only after the one before it
    bool timedOut = false;
    auto advance = [&]() {
        CString upper = GetStatusText();
        upper.MakeUpper();
        const int at = stage < 3 ? upper.Find(kWords[stage], searchFrom) : -1;
        if (at < 0)
            return false;
        searchFrom = at + static_cast<int>(std::strlen(kWords[stage]));
        ++stage;
        return true;
    };
    while (!m_bClosing.load()) {
        if (clock.NowMs() - start > kStoreLimitMs) {
            timedOut = true;
            break;
        }
        const bool storeReturned = !m_bWorkerBusy.load();
        if (advance())
            OnRefresh(0, 0);
        if (storeReturned) {
            // What came before the store returned is all there is.
            while (advance()) {
            }
            bool error;
            {
                CSingleLock lock(&m_statusLock, TRUE);
                error = m_bError;
            }
            if (stage == 3 && !error) {
                AppendStatus("Done");
                stored = true;
            } else if (!error) {
                AppendStatus(kError);
            }
            OnRefresh(0, 0);
            break;
        }
        clock.SleepMs(10);
        AfxPumpMessages();
    }
    if (timedOut)
        AppendStatus("Timeout");
    OnRefresh(0, 0);
    MakeButtons("&OK", nullptr);
    WaitForUser(kFinalWaitSeconds);
    DestroyButtons();
    --m_nStages;
    Finish(stored ? 1 : 2);
    return 0;
}

void CProgramEPROM::OnReply(ControllerMessage* message)
{
    GlobalLogLine("RxAtTool: Program EPROM", LOG_TOOL_REPLIES);
    if (!message || message->m_nChannel != CHANNEL_COMMAND)
        return;
    CSingleLock lock(&m_statusLock, TRUE);
    if (m_bClosing.load())
        return;
    if (message->m_nIncomplete) {
        m_strStatus += kError;
        m_strStatus += "\n";
        m_bError = true;
        PostMessage(WM_EPROM_SHOW_CONTROL, 1, 1);
    }
    if (!m_bError && message->m_nCommandId == kEpromCommand) {
        m_strStatus += message->GetText();
        m_strStatus += "\n";
    }
    PostMessage(WM_EPROM_REFRESH, 0, 0);
}

LRESULT CProgramEPROM::OnQueryReplyClass(WPARAM wParam, LPARAM)
{
    if (wParam)
        *reinterpret_cast<CVexoReply**>(wParam) = this;
    return 1;
}

LRESULT CProgramEPROM::OnDestroyRequest(WPARAM, LPARAM)
{
    const bool busy = IsBusy();
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"%s\" (%d)", "ProgEPROM", busy ? 1 : 0);
    m_bClosing = true;
    SetClosing();
    m_sender.SetClosing(true);
    if (busy)
        PostMessage(WM_DESTROY_REQUEST, 0, 0);
    else if (m_bModal)
        m_bRunDone = true;
    else
        DestroyWindow();
    return 0;
}

void CProgramEPROM::OnDestroy()
{
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        ::SendMessageA(m_hWndProject, WM_UNREGISTER_TOOL_WINDOW, TOOL_ID_EPROM, reinterpret_cast<LPARAM>(m_hWnd));
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CProgramEPROM::PostNcDestroy()
{
    if (m_bWasCreated && !m_bModal)
        delete this;
}
