#include "editor/editframe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "editor/editframe_resource.h"
#include "editor/framemenu.h"
#include "editor/frametexts.h"
#include "foundation/logline.h"
#include "framework/clock.h"
#include "framework/cmdui.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework/thread.h"
#include "link/programdata.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"
#include "settings/vqregistry.h"
#include "ui/windowlookup.h"

namespace editor {

IMPLEMENT_DYNCREATE(CEditRFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CEditRFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_MESSAGE(kMsgReplyClass, OnReplyClass)
ON_MESSAGE(kMsgDestroyRequest, OnDestroyRequest)
ON_MESSAGE(kMsgCancelGauge, OnCancelGauge)
ON_MESSAGE(kMsgProgramRecord, OnProgramRecord)
ON_MESSAGE(kMsgStatusRecord, OnStatusRecord)
ON_MESSAGE(kMsgProgramName, OnProgramName)
ON_MESSAGE(kMsgProcessStatus, OnProcessStatus)
ON_MESSAGE(kMsgRestorePlacement, OnRestorePlacement)
ON_MESSAGE(kMsgSavePlacement, OnSavePlacement)
ON_MESSAGE(kMsgRunningOff, OnRunningOff)
ON_MESSAGE(kMsgRunningOn, OnRunningOn)
ON_MESSAGE(kMsgSendPending, OnSendPending)
ON_MESSAGE(kMsgStartupRequest, OnStartupRequest)
ON_MESSAGE(kMsgMarkLine, OnMarkLine)
ON_MESSAGE(kMsgStartup, OnStartup)
ON_MESSAGE(kMsgSettingsChanged, OnSettingsChanged)
ON_MESSAGE(kMsgCaretMoved, OnCaretMoved)
ON_MESSAGE(kMsgContextMenu, OnContextMenu)
ON_MESSAGE(kMsgWatchWindow, OnWatchWindow)
ON_MESSAGE(kMsgReplyQueue, OnReplyQueue)
ON_MESSAGE(kMsgSaveRequest, OnSaveRequest)
ON_COMMAND(ID_EDITOR_RUN, OnRunCommand)
ON_COMMAND(ID_EDITOR_STEP, OnStepCommand)
ON_COMMAND(ID_EDITOR_STOP, OnStopCommand)
ON_COMMAND(ID_EDITOR_CLOSE, OnCloseCommand)
ON_COMMAND(ID_EDITOR_SAVE, OnSaveCommand)
ON_COMMAND(ID_EDITOR_COMPILE, OnCompileCommand)
ON_COMMAND(ID_EDITOR_REFORMAT, OnReformat)
ON_COMMAND(ID_EDITOR_TOGGLE_BREAKPOINT, OnToggleBreakpoint)
ON_COMMAND(ID_EDITOR_CLEAR_BREAKPOINTS, OnClearBreakpoints)
ON_COMMAND(ID_EDITOR_ADD_WATCH, OnAddWatch)
ON_COMMAND(ID_EDITOR_UNDO, OnUndo)
ON_COMMAND(ID_EDITOR_COPY, OnCopy)
ON_COMMAND(ID_EDITOR_CUT, OnCut)
ON_COMMAND(ID_EDITOR_PASTE, OnPaste)
ON_COMMAND(ID_EDITOR_DELETE, OnClear)
ON_UPDATE_COMMAND_UI(ID_EDITOR_COPY, OnUpdateCopy)
ON_UPDATE_COMMAND_UI(ID_EDITOR_CUT, OnUpdateCut)
ON_UPDATE_COMMAND_UI(ID_EDITOR_DELETE, OnUpdateCut)
ON_UPDATE_COMMAND_UI(ID_EDITOR_PASTE, OnUpdatePaste)
ON_COMMAND(ID_EDITOR_REDO, OnRedo)
ON_COMMAND(ID_EDITOR_SELECT_ALL, OnSelectAll)
ON_COMMAND(ID_EDITOR_SELECT_LINE, OnSelectLine)
ON_COMMAND(ID_EDITOR_SELECT_WORD, OnSelectWord)
ON_COMMAND(ID_EDITOR_DELETE_LINE, OnDeleteLine)
ON_COMMAND(ID_EDITOR_DELETE_WORD, OnDeleteWord)
ON_COMMAND_RANGE(ID_EDITOR_STATUS_BAR, ID_EDITOR_STATUS_BAR, OnToggleBar)
ON_COMMAND_RANGE(ID_EDITOR_TOOLBAR, ID_EDITOR_TOOLBAR, OnToggleBar)
ON_UPDATE_COMMAND_UI(ID_EDITOR_SAVE, OnUpdateSave)
ON_UPDATE_COMMAND_UI(ID_EDITOR_RUN, OnUpdateRunStop)
ON_UPDATE_COMMAND_UI(ID_EDITOR_STOP, OnUpdateRunStop)
ON_UPDATE_COMMAND_UI(ID_EDITOR_STEP, OnUpdateStep)
ON_UPDATE_COMMAND_UI(ID_EDITOR_TOGGLE_BREAKPOINT, OnUpdateBreakpoints)
ON_UPDATE_COMMAND_UI(ID_EDITOR_CLEAR_BREAKPOINTS, OnUpdateBreakpoints)
ON_UPDATE_COMMAND_UI(ID_EDITOR_COMPILE, OnUpdateCompile)
ON_UPDATE_COMMAND_UI(ID_EDITOR_REFORMAT, OnUpdateReformat)
ON_UPDATE_COMMAND_UI(ID_EDITOR_UNDO, OnUpdateUndo)
ON_UPDATE_COMMAND_UI(ID_EDITOR_REDO, OnUpdateRedo)
ON_UPDATE_COMMAND_UI(ID_EDITOR_DELETE_LINE, OnUpdateEditable)
ON_UPDATE_COMMAND_UI(ID_EDITOR_DELETE_WORD, OnUpdateEditable)
ON_UPDATE_COMMAND_UI(ID_EDITOR_ADD_WATCH, OnUpdateAddWatch)
ON_UPDATE_COMMAND_UI(ID_EDITOR_STATUS_BAR, OnUpdateBar)
ON_UPDATE_COMMAND_UI(ID_EDITOR_TOOLBAR, OnUpdateBar)
ON_COMMAND(ID_EDITOR_FIND, OnFind)
ON_COMMAND(ID_EDITOR_REPLACE, OnReplace)
ON_COMMAND(ID_EDITOR_GOTO, OnGoto)
ON_COMMAND(ID_EDITOR_FIND_NEXT, OnFindNext)
ON_UPDATE_COMMAND_UI(ID_EDITOR_FIND_NEXT, OnUpdateFindNext)
ON_COMMAND(ID_EDITOR_PRINT, OnPrint)
ON_COMMAND(ID_EDITOR_PRINT_SETUP, OnPrintSetup)
ON_COMMAND(ID_EDITOR_PAGE_SETUP, OnPageSetup)
END_MESSAGE_MAP()

namespace {

constexpr UINT_PTR kDestroyTimer = 1;
// A postponed destroy request comes back after this long.
constexpr UINT kDestroyRetryMs = 50;
constexpr DWORD kReplyLockMs = 10000;
// One picture each in IDB_EDITOR_TOOLBAR, in this order.
constexpr UINT kToolbarButtons[] = {ID_EDITOR_SAVE, ID_EDITOR_FIND,     ID_SEPARATOR, ID_EDITOR_RUN,
                                    ID_EDITOR_STEP, ID_EDITOR_STOP,     ID_SEPARATOR, ID_EDITOR_TOGGLE_BREAKPOINT,
                                    ID_EDITOR_COMPILE};
constexpr int kToolbarImageWidth = 19;

std::atomic<bool> g_runInProgress{false};

// Holds the process-wide Run flag; empty when another Run holds it.
class CRunGuard {
public:
    CRunGuard()
    {
        bool expected = false;
        m_held = g_runInProgress.compare_exchange_strong(expected, true);
    }
    ~CRunGuard()
    {
        if (m_held)
            g_runInProgress = false;
    }
    CRunGuard(const CRunGuard&) = delete;
    CRunGuard& operator=(const CRunGuard&) = delete;
    explicit operator bool() const { return m_held; }

private:
    bool m_held = false;
};

// The reply's text: its bytes up to its length or a NUL.
std::string ReplyText(const ControllerMessage& message)
{
    const char* text = message.GetText();
    const size_t length = static_cast<size_t>(std::max(message.GetLength(), 0));
    return std::string(text, strnlen(text, length));
}

} // namespace

CEditRFrame::CEditRFrame()
{
    SetReply("EditFrame");
    m_sender.SetText("EditFrame");
    m_lineSender.SetText("EditDoc");
    m_hWndProject = GetProjectWndHandle();
    m_pDocument = new CEditRDoc(ProjectLive() ? m_hWndProject : nullptr, this);
    // The frame owns its document: it outlives the view, which goes first.
    m_pDocument->m_bAutoDelete = FALSE;
    const LPCSTR keys = MAKEINTRESOURCEA(IDR_EDITOR_ACCEL);
    m_hAccelTable = ::LoadAcceleratorsA(AfxFindResourceHandle(keys, MAKEINTRESOURCEA(9) /* RT_ACCELERATOR */), keys);
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CEditRView);
    context.m_pCurrentDoc = m_pDocument;
    if (!Create(nullptr, "Editor Frame", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 420), nullptr, nullptr, 0, &context))
        return;
    ShowWindow(SW_SHOW);
    UpdateWindow();
}

CEditRFrame::~CEditRFrame()
{
    if (m_hContextMenu)
        ::DestroyMenu(m_hContextMenu);
    delete m_pDocument;
}

bool CEditRFrame::IsRunInProgress()
{
    return g_runInProgress.load();
}

CEditRView* CEditRFrame::GetView() const
{
    return dynamic_cast<CEditRView*>(GetActiveView());
}

CString CEditRFrame::GetPaneText(int pane) const
{
    return m_statusBar.m_hWnd ? m_statusBar.GetPaneText(pane) : CString();
}

LRESULT CEditRFrame::AskProject(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ProjectLive() ? ::SendMessageA(m_hWndProject, message, wParam, lParam) : 0;
}

bool CEditRFrame::HasFeature(int feature) const
{
    return AskProject(kMsgFeature, 0, feature) != 0;
}

int CEditRFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    const LPCSTR icon = MAKEINTRESOURCEA(IDI_EDITOR_FRAME);
    HICON hIcon = ::LoadIconA(AfxFindResourceHandle(icon, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), icon);
    SetIcon(hIcon ? hIcon : ::LoadIconA(nullptr, IDI_APPLICATION), TRUE);

    static const UINT indicators[] = {ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR};
    if (!m_statusBar.Create(this) || !m_statusBar.SetIndicators(indicators, 5))
        return -1;
    m_statusBar.SetPaneInfo(0, ID_SEPARATOR, SBPS_NOBORDERS | SBPS_STRETCH, 100);
    m_statusBar.SetPaneInfo(1, ID_SEPARATOR, SBPS_NORMAL, 64);
    m_statusBar.SetPaneInfo(2, ID_SEPARATOR, SBPS_NORMAL, 64);
    m_statusBar.SetPaneInfo(3, ID_SEPARATOR, SBPS_NORMAL, 40);
    m_statusBar.SetPaneInfo(4, ID_SEPARATOR, SBPS_NORMAL, 40);
    if (!m_toolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY) ||
        !m_toolBar.SetButtons(kToolbarButtons, static_cast<int>(std::size(kToolbarButtons))) ||
        !m_toolBar.LoadTrueColourImages(kToolbarImageWidth, IDB_EDITOR_TOOLBAR))
        return -1;
    m_toolBar.SetWindowText(EditorText(TXT_EDIT_TOOLS).c_str());
    // The menu bar; the window destroys it with itself.
    ::SetMenu(m_hWnd, BuildEditorMenu());

    // Registration: the answer is where to stand (0 refuses).
    if (!ProjectLive())
        return -1;
    const LRESULT place = ::SendMessageA(m_hWndProject, kMsgRegisterTool, kToolIdEditor, reinterpret_cast<LPARAM>(m_hWnd));
    if (place == 0)
        return -1;
    m_bRegistered = true;
    const DWORD position = static_cast<DWORD>(place);
    ::SetWindowPos(m_hWnd, nullptr, static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position)), 500, 420,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    AskProject(kMsgStatusKind, 36, reinterpret_cast<LPARAM>(m_hWnd));

    // The document: its line commands go through this frame; with inline
    // breakpoints the controller's list marks the lines.
    CEditRDoc* doc = m_pDocument;
    if (InlineBreakpoints() || (HasFeature(kFeatureBreakpoints) && doc->m_useInlineBreakpoints)) {
        {
            std::lock_guard<std::mutex> hold(m_breakListLock);
            m_breakList.clear();
        }
        SendCommand(kCommandBreakList, doc->GetProgramName());
        std::lock_guard<std::mutex> hold(m_breakListLock);
        doc->m_breakpointReplies = m_breakList;
    }
    doc->SetFrame(m_hWnd, this);
    if (!doc->OpenFromProject()) {
        // Not every system sends WM_DESTROY to a window whose creation
        // failed: the registration goes here.
        ::SendMessageA(m_hWndProject, kMsgUnregisterTool, kToolIdEditor, reinterpret_cast<LPARAM>(m_hWnd));
        m_bRegistered = false;
        return -1;
    }
    m_bDocumentOpened = true;
    // An empty file stands for a new program, which the controller holds as
    // one empty line (or for one whose lines were all deleted, which holds
    // none): the count of the editor's program (the project window names it,
    // as for the line commands) tells which.
    if (doc->Buffer().GetLineCount() == 0) {
        m_nLineCount = -1;
        SendCommand(CommandItem(kCommandLineCount));
        doc->Buffer().SetControllerHoldsEmptyLine(m_nLineCount.load() == 1);
    }
    m_nProgramType =
        static_cast<int>(AskProject(kMsgProgramType, 0, reinterpret_cast<LPARAM>(doc->GetProgramName().c_str())));
    if (AskProject(kMsgAnyRunning) != 0)
        doc->SetRunning(true);
    doc->UpdateEditState(true);
    UpdateTitle();
    if (CEditRView* view = GetView())
        view->SetHost(this);

    ShowCompileState();
    m_hContextMenu = ::LoadMenuA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDR_EDITOR_CONTEXT), MAKEINTRESOURCEA(4) /* RT_MENU */),
                                 MAKEINTRESOURCEA(IDR_EDITOR_CONTEXT));
    PostMessage(kMsgStartup);
    m_bCreated = true;
    LowerBusy();
    return 0;
}

void CEditRFrame::OnDestroy()
{
    SetClosing();
    m_sender.SetClosing(true);
    m_lineSender.SetClosing(true);
    KillTimer(kDestroyTimer);
    CFrameWnd::OnDestroy();
    if (m_bRegistered && ProjectLive())
        ::SendMessageA(m_hWndProject, kMsgUnregisterTool, kToolIdEditor, reinterpret_cast<LPARAM>(m_hWnd));
    m_bRegistered = false;
}

void CEditRFrame::PostNcDestroy()
{
    // A frame whose creation failed stays with its creator.
    if (m_bCreated)
        delete this;
}

void CEditRFrame::OnClose()
{
    CEditRDoc* doc = m_pDocument;
    if (doc && m_bDocumentOpened) {
        doc->Buffer().SendPendingLines();
        if (doc->IsModified() && !doc->Save(false, false)) {
            // The text is not on disk: closing anyway loses it.
            const int answer = AfxGetPromptService().Prompt(
                m_hWnd, "The program could not be saved.\n\nClose the editor anyway?",
                EditorText(TXT_EDITOR).c_str(), MB_YESNO | MB_ICONQUESTION);
            if (answer != IDYES) {
                m_bDestroyRequested = false;
                return;
            }
        }
    }
    DestroyWindow();
}

void CEditRFrame::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kDestroyTimer)
        return;
    KillTimer(kDestroyTimer);
    PostMessage(kMsgDestroyRequest);
}

LRESULT CEditRFrame::OnReplyClass(WPARAM wParam, LPARAM)
{
    if (wParam)
        *reinterpret_cast<CVexoReply**>(wParam) = this;
    return 2;
}

LRESULT CEditRFrame::OnDestroyRequest(WPARAM, LPARAM)
{
    const bool postponed = m_nBusy > 0 || m_sender.GetDepth() > 0 || m_lineSender.GetDepth() > 0;
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"%s\" (%d)", "EditFrame", postponed ? 1 : 0);
    m_bDestroyRequested = true;
    if (postponed) {
        // Comes back on a timer, not from a message loop that would take
        // it again at once.
        SetTimer(kDestroyTimer, kDestroyRetryMs);
        return 0;
    }
    SendMessage(WM_CLOSE);
    return 0;
}

LRESULT CEditRFrame::OnCancelGauge(WPARAM, LPARAM)
{
    m_pDocument->CancelReformat();
    return 0;
}

LRESULT CEditRFrame::OnProgramRecord(WPARAM wParam, LPARAM lParam)
{
    const auto* program = reinterpret_cast<const CProgramData*>(lParam);
    CEditRDoc* doc = m_pDocument;
    if (!program)
        return 0;
    const std::string name = static_cast<LPCSTR>(program->m_strName);
    if (wParam != 0 && _stricmp(name.c_str(), doc->GetProgramName().c_str()) == 0) {
        PostMessage(kMsgDestroyRequest);
        return 1;
    }
    doc->SetProgramState(*program);
    return 0;
}

LRESULT CEditRFrame::OnStatusRecord(WPARAM wParam, LPARAM lParam)
{
    const auto* record = reinterpret_cast<const std::int32_t*>(lParam);
    // The record is (kind, value).
    if (record && record[0] == 36) {
        m_pDocument->SetReadOnlyRequest((record[1] & 1) != 0);
    }
    (void)wParam;
    return 0;
}

LRESULT CEditRFrame::OnProgramName(WPARAM, LPARAM lParam)
{
    if (lParam)
        m_pDocument->SetProgramName(reinterpret_cast<LPCSTR>(lParam));
    return 0;
}

LRESULT CEditRFrame::OnProcessStatus(WPARAM wParam, LPARAM lParam)
{
    const auto* process = reinterpret_cast<const CProcessData*>(lParam);
    if (!process)
        return 0;
    CProcessData record = *process;
    record.m_nState = static_cast<std::int32_t>(wParam);
    return m_pDocument->SetProcessStatus(record) ? 1 : 0;
}

LRESULT CEditRFrame::OnRestorePlacement(WPARAM, LPARAM lParam)
{
    const auto* record = reinterpret_cast<const SWindowParameters*>(lParam);
    std::int32_t tool = 0;
    if (record)
        std::memcpy(&tool, reinterpret_cast<const char*>(record) + 20, sizeof tool);
    if (!record || tool != static_cast<std::int32_t>(kToolIdEditor)) {
        m_pPlacement.reset();
        return 0;
    }
    m_pPlacement = std::make_unique<SWindowParameters>(*record);
    return 1;
}

LRESULT CEditRFrame::OnSavePlacement(WPARAM, LPARAM lParam)
{
    auto* record = reinterpret_cast<SWindowParameters*>(lParam);
    CEditRView* view = GetView();
    if (!record || !m_pDocument || !view)
        return 0;
    char* bytes = reinterpret_cast<char*>(record);
    WINDOWPLACEMENT placement = {sizeof placement};
    ::GetWindowPlacement(m_hWnd, &placement);
    const std::int32_t rect[4] = {placement.rcNormalPosition.left, placement.rcNormalPosition.top,
                                  placement.rcNormalPosition.right, placement.rcNormalPosition.bottom};
    const std::int32_t state = IsIconic() ? 0 : (IsZoomed() ? 2 : 1);
    const std::int32_t tool = kToolIdEditor;
    std::memcpy(bytes, rect, sizeof rect);
    std::memcpy(bytes + 16, &state, sizeof state);
    std::memcpy(bytes + 20, &tool, sizeof tool);
    char name[16] = {};
    std::strncpy(name, m_pDocument->GetProgramName().c_str(), sizeof name - 1);
    std::memcpy(bytes + kPlacementNameOffset, name, sizeof name);
    const SEditViewState viewState = view->SaveViewState();
    std::memcpy(bytes + kPlacementViewOffset, &viewState, sizeof viewState);
    return 1;
}

LRESULT CEditRFrame::OnRunningOff(WPARAM, LPARAM)
{
    m_pDocument->SetRunning(false);
    return 0;
}

LRESULT CEditRFrame::OnRunningOn(WPARAM, LPARAM)
{
    m_pDocument->SetRunning(true);
    return 0;
}

LRESULT CEditRFrame::OnSendPending(WPARAM, LPARAM)
{
    SendPendingLines();
    return 0;
}

LRESULT CEditRFrame::OnStartupRequest(WPARAM wParam, LPARAM lParam)
{
    m_pDocument->RunState().SetStartupRequest(static_cast<int>(wParam), static_cast<int>(lParam));
    return 0;
}

LRESULT CEditRFrame::OnMarkLine(WPARAM, LPARAM lParam)
{
    // The controller's line number (from 1); 0 or less marks no line.
    const int number = static_cast<int>(lParam);
    m_pDocument->Buffer().m_markedLine = number >= 1 ? LineIndexOfUserNumber(number) : -1;
    if (CEditRView* view = GetView())
        view->Invalidate(FALSE);
    return 0;
}

LRESULT CEditRFrame::OnStartup(WPARAM, LPARAM)
{
    CBusy busy(*this);
    CEditRDoc* doc = m_pDocument;
    CEditRView* view = GetView();
    m_bWatchFeature = HasFeature(kFeatureWatch);
    if (m_pPlacement && view) {
        const char* bytes = reinterpret_cast<const char*>(m_pPlacement.get());
        std::int32_t rect[4], state;
        std::memcpy(rect, bytes, sizeof rect);
        std::memcpy(&state, bytes + 16, sizeof state);
        WINDOWPLACEMENT placement = {sizeof placement};
        ::GetWindowPlacement(m_hWnd, &placement);
        placement.rcNormalPosition = {rect[0], rect[1], rect[2], rect[3]};
        placement.showCmd = state == 0 ? SW_SHOWMINIMIZED : (state == 2 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
        ::SetWindowPlacement(m_hWnd, &placement);
        SEditViewState viewState;
        std::memcpy(&viewState, bytes + kPlacementViewOffset, sizeof viewState);
        view->RestoreViewState(viewState);
        m_pPlacement.reset();
        AskProject(kMsgRestorePlacement);
    }
    if (view) {
        view->OnInitialUpdate();
        view->SetFocus();
    }
    doc->SetReadOnlyRequest(AskProject(kMsgPowerUpActive) != 0);
    m_hWndWatch = reinterpret_cast<HWND>(AskProject(kMsgWatchWindowOf));
    const CEditRunState& run = doc->RunState();
    if (run.GetStartupStep() == 1) {
        const std::string name = doc->GetProgramName();
        SendCommand(kCommandStepLine, run.GetStartupProcess() < 0
                                          ? name + ","
                                          : name + "," + std::to_string(run.GetStartupProcess()));
    }
    AskProject(kMsgProgramChanged);
    CProcessData process;
    if (AskProject(kMsgProcessOf, reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(&process)) != 0)
        OnProcessStatus(static_cast<WPARAM>(process.m_nState), reinterpret_cast<LPARAM>(&process));
    UpdateCaretPane();
    return 0;
}

LRESULT CEditRFrame::OnSettingsChanged(WPARAM, LPARAM)
{
    m_pDocument->ReadDisplaySettings();
    if (CEditRView* view = GetView()) {
        view->ReadSettings();
        view->Invalidate(FALSE);
    }
    return 0;
}

LRESULT CEditRFrame::OnCaretMoved(WPARAM, LPARAM)
{
    UpdateCaretPane();
    return 0;
}

LRESULT CEditRFrame::OnContextMenu(WPARAM wParam, LPARAM lParam)
{
    const auto* where = reinterpret_cast<const SContextPoint*>(lParam);
    if (wParam != WM_RBUTTONUP || !where || !m_hContextMenu)
        return 0;
    HMENU popup = ::GetSubMenu(m_hContextMenu, 0);
    POINT p = {where->x, where->y};
    ClientToScreen(&p);
    if (popup)
        ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, m_hWnd, nullptr);
    return 0;
}

LRESULT CEditRFrame::OnWatchWindow(WPARAM, LPARAM lParam)
{
    m_hWndWatch = reinterpret_cast<HWND>(lParam);
    if (m_hWndWatch)
        m_bVariablesChanged = true;
    Invalidate(FALSE);
    return 0;
}

LRESULT CEditRFrame::OnSaveRequest(WPARAM, LPARAM)
{
    CEditRDoc* doc = m_pDocument;
    const bool modified = doc->IsModified();
    doc->Buffer().SendPendingLines();
    if (modified)
        doc->Save(false, true);
    if ((modified || m_bVariablesChanged) && m_hWndWatch && ::IsWindow(m_hWndWatch)) {
        VariableTable table;
        doc->BuildVariableTable(table);
        ::SendMessageA(m_hWndWatch, kMsgWatchItem, 5, reinterpret_cast<LPARAM>(&table));
        m_bVariablesChanged = false;
    }
    return 0;
}

// --- replies ---------------------------------------------------------------------------------

void CEditRFrame::OnReply(ControllerMessage* message)
{
    GlobalLogLine("RxAtTool: Editor Frame", LOG_TOOL_REPLIES);
    if (!message || message->m_nChannel != CHANNEL_COMMAND)
        return;
    if (message->m_nIncomplete != 0) {
        const std::string text = message->HasBytes() ? ReplyText(*message) : "?";
        ShowEditorMessage(EditorFormat(TXT_COMMS_ERROR, text.c_str()));
        return;
    }
    const int id = message->m_nCommandId;
    switch (id) {
    case 0:
    case 1:
    case kCommandPowerUpQuery:
    case kCommandReplaceLine:
    case kCommandInsertLine: {
        CEditorReply reply;
        reply.message = *message;
        if (id == kCommandReplaceLine || id == kCommandInsertLine) {
            std::lock_guard<std::mutex> hold(m_sentLock);
            reply.lineSerial = m_sentSerial;
            reply.lineIndex = m_sentIndex;
            reply.lineText = m_sentText;
        }
        std::unique_lock<std::timed_mutex> hold(m_replyLock, std::defer_lock);
        if (!hold.try_lock_for(std::chrono::milliseconds(kReplyLockMs))) {
            GlobalLogFormat(LOG_STATUS_ERRORS, "EditFrame: reply to command %d not queued (queue locked)", id);
            return;
        }
        m_replies.push_back(std::move(reply));
        hold.unlock();
        PostMessage(kMsgReplyQueue);
        return;
    }
    case kCommandBreakAdd:
        m_nBreakpointLine = message->GetInteger();
        return;
    case kCommandLineCount:
        m_nLineCount = message->GetInteger();
        return;
    case kCommandBreakList:
        if (message->HasBytes()) {
            std::lock_guard<std::mutex> hold(m_breakListLock);
            m_breakList.push_back(ReplyText(*message));
        }
        return;
    default:
        return;
    }
}

void CEditRFrame::LowerBusy()
{
    if (--m_nBusy == 0 && m_bRepliesWaiting && m_hWnd) {
        m_bRepliesWaiting = false;
        PostMessage(kMsgReplyQueue);
    }
}

LRESULT CEditRFrame::OnReplyQueue(WPARAM, LPARAM)
{
    // Inside the wait of a send (the frame's own, or the document's line
    // command) the document is in the middle of a change and a second
    // command could not go: the queue waits until the send is done.
    if (m_nBusy > 0) {
        m_bRepliesWaiting = true;
        return 0;
    }
    for (;;) {
        CEditorReply reply;
        {
            std::unique_lock<std::timed_mutex> hold(m_replyLock, std::defer_lock);
            if (!hold.try_lock_for(std::chrono::milliseconds(kReplyLockMs)) || m_replies.empty())
                return 0;
            reply = std::move(m_replies.front());
            m_replies.pop_front();
        }
        const ControllerMessage& message = reply.message;
        if (message.m_nIncomplete != 0) {
            ShowEditorMessage(EditorFormat(TXT_COMMS_ERROR, message.HasBytes() ? ReplyText(message).c_str() : "?"));
            continue;
        }
        switch (message.m_nCommandId) {
        case 0: {
            DirectoryReplyRecord record;
            if (message.GetLength() < static_cast<int>(sizeof record))
                break;
            std::memcpy(&record, message.GetBytes(), sizeof record);
            record.name[sizeof record.name - 1] = '\0';
            CProgramData program;
            program.m_strName = record.name;
            program.m_nCodeSize = record.codeSize;
            program.m_nEditable = record.editable > 0 ? 1 : 0;
            m_pDocument->SetProgramState(program);
            break;
        }
        case 1: {
            ProcessReplyRecord record;
            if (message.GetLength() < static_cast<int>(sizeof record))
                break;
            std::memcpy(&record, message.GetBytes(), sizeof record);
            record.program[sizeof record.program - 1] = '\0';
            // A record of another program is dropped; it must not hold up
            // the echoes queued behind it.
            CProcessData process;
            process.m_strProgram = record.program;
            process.m_nProgramCount = 1;
            process.m_nProcess = record.process;
            process.m_nState = record.state;
            process.m_nLine = record.line;
            if (!m_pDocument->SetProcessStatus(process))
                GlobalLogFormat(LOG_PROCESS_STATUS, "EditFrame: process status of \"%s\" not taken", record.program);
            break;
        }
        case kCommandPowerUpQuery:
            m_pDocument->SetReadOnlyRequest((message.GetInteger() & 1) != 0);
            break;
        case kCommandReplaceLine:
        case kCommandInsertLine:
            ApplyEcho(reply);
            break;
        default:
            break;
        }
    }
}

void CEditRFrame::ApplyEcho(const CEditorReply& reply)
{
    const ControllerMessage& message = reply.message;
    if (!message.HasBytes() || reply.lineSerial == 0)
        return;
    CEditBuffer& buffer = m_pDocument->Buffer();
    auto& lines = buffer.Store().m_lines;
    int index = -1;
    if (reply.lineIndex >= 0 && reply.lineIndex < static_cast<int>(lines.size()) &&
        lines[static_cast<size_t>(reply.lineIndex)].Serial() == reply.lineSerial)
        index = reply.lineIndex;
    for (int i = 0; index < 0 && i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<size_t>(i)].Serial() == reply.lineSerial)
            index = i;
    const std::string echo = ReplyText(message);
    if (index < 0) {
        GlobalLogFormat(LOG_TOOL_REPLIES, "EditFrame: echo \"%s\" dropped, its line is gone", echo.c_str());
        return;
    }
    CEditRLine& line = lines[static_cast<size_t>(index)];
    if (line.Text() != reply.lineText) {
        GlobalLogFormat(LOG_TOOL_REPLIES, "EditFrame: echo \"%s\" dropped, line %d changed since", echo.c_str(), index);
        return;
    }
    if (echo == line.Text())
        return;
    std::string text = echo;
    if (static_cast<int>(text.size()) > kLineLimit) {
        ShowEditorMessage(EditorFormat(TXT_ECHO_TOO_LONG, UserLineNumber(index), kLineLimit, echo.c_str()));
        text.resize(static_cast<size_t>(kLineLimit));
    }
    line.SetText(text, false);
    line.ClearFlags();
    if (CEditRView* view = GetView())
        view->OnUpdate(nullptr, 0, nullptr);
}

// --- sending ---------------------------------------------------------------------------------

void CEditRFrame::SendLineCommand(int commandId, const std::string& argument)
{
    CBusy busy(*this);
    if (commandId == kCommandReplaceLine || commandId == kCommandInsertLine) {
        const CEditBuffer& buffer = m_pDocument->Buffer();
        const CEditRLine* line = buffer.Line(buffer.m_lastSentLine);
        std::lock_guard<std::mutex> hold(m_sentLock);
        m_sentSerial = line ? line->Serial() : 0;
        m_sentIndex = buffer.m_lastSentLine;
        m_sentText = line ? line->Text() : std::string();
    }
    if (!m_lineSender.SendSequenceEx(m_hWnd, this, {CommandItem(commandId, argument.c_str())}))
        GlobalLogFormat(LOG_STATUS_ERRORS, "EditDoc: line command %d \"%s\" not sent", commandId, argument.c_str());
}

bool CEditRFrame::SendCommand(int commandId, const std::string& argument)
{
    return SendCommand(CommandItem(commandId, argument.c_str()));
}

bool CEditRFrame::SendCommand(const CommandItem& command)
{
    CBusy busy(*this);
    return m_sender.SendSequenceEx(m_hWnd, this, {command}) != FALSE;
}

void CEditRFrame::SendPendingLines()
{
    if (m_pDocument->IsLineEditable())
        m_pDocument->Buffer().SendPendingLines();
}

void CEditRFrame::Run()
{
    CRunGuard run;
    if (!run)
        return;
    CBusy busy(*this);
    CEditRDoc* doc = m_pDocument;
    doc->Buffer().m_currentLine = -1;
    SendPendingLines();
    if (doc->m_breakpointsChanged && InlineBreakpoints())
        ResendBreakpoints();
    SendCommand(kCommandRun, doc->GetProgramName() + ",");
}

void CEditRFrame::StepLine()
{
    CBusy busy(*this);
    CEditRDoc* doc = m_pDocument;
    doc->Buffer().m_currentLine = -1;
    SendPendingLines();
    if (doc->m_breakpointsChanged && InlineBreakpoints())
        ResendBreakpoints();
    SendCommand(kCommandStepLine, doc->GetProgramName() + ",");
}

void CEditRFrame::Stop()
{
    SendCommand(kCommandStop, m_pDocument->GetProgramName() + ",");
}

// --- breakpoints -----------------------------------------------------------------------------

bool CEditRFrame::InlineBreakpoints()
{
    return m_pDocument && m_pDocument->m_useInlineBreakpoints && m_pDocument->m_featureBreakpoints;
}

void CEditRFrame::ToggleInlineBreakpoint(int line)
{
    CEditBuffer& buffer = m_pDocument->Buffer();
    auto& lines = buffer.Store().m_lines;
    if (line < 0 || line >= static_cast<int>(lines.size())) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    const std::string name = m_pDocument->GetProgramName();
    const std::string argument = name + "," + std::to_string(line);
    if (lines[static_cast<size_t>(line)].HasBreakpoint()) {
        SendCommand(kCommandBreakDelete, argument);
        lines[static_cast<size_t>(line)].SetBreakpoint(false);
        return;
    }
    m_nBreakpointLine = -1;
    SendCommand(kCommandBreakAdd, argument);
    const int answer = m_nBreakpointLine.load();
    if (answer >= 0 && answer < static_cast<int>(lines.size()))
        lines[static_cast<size_t>(answer)].SetBreakpoint(true);
    else
        ShowEditorMessage(EditorFormat(TXT_BREAKPOINT_REFUSED, UserLineNumber(line)));
}

void CEditRFrame::ClearInlineBreakpoints()
{
    for (CEditRLine& line : m_pDocument->Buffer().Store().m_lines)
        line.SetBreakpoint(false);
    SendCommand(kCommandBreakReset, m_pDocument->GetProgramName());
}

void CEditRFrame::ResendBreakpoints()
{
    CEditRDoc* doc = m_pDocument;
    const std::string name = doc->GetProgramName();
    SendCommand(kCommandBreakReset, name);
    auto& lines = doc->Buffer().Store().m_lines;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (!lines[static_cast<size_t>(i)].HasBreakpoint())
            continue;
        m_nBreakpointLine = -1;
        SendCommand(kCommandBreakAdd, name + "," + std::to_string(i));
        const int answer = m_nBreakpointLine.load();
        if (answer < 0 || answer >= static_cast<int>(lines.size())) {
            ShowEditorMessage(EditorFormat(TXT_BREAKPOINT_REFUSED, UserLineNumber(i)));
            lines[static_cast<size_t>(i)].SetBreakpoint(false);
            break;
        }
        if (answer != i) {
            lines[static_cast<size_t>(i)].SetBreakpoint(false);
            lines[static_cast<size_t>(answer)].SetBreakpoint(true);
        }
    }
    doc->m_breakpointsChanged = false;
}

// --- commands --------------------------------------------------------------------------------

void CEditRFrame::OnSaveCommand()
{
    m_pDocument->Save(true, true);
}

void CEditRFrame::OnCompileCommand()
{
    if (!ProjectLive())
        return;
    m_pDocument->Buffer().m_currentLine = -1;
    if (m_pDocument->IsLineEditable()) {
        SendPendingLines();
        ::SendMessageA(m_hWndProject, kMsgCompile, reinterpret_cast<WPARAM>(m_pDocument->GetProgramName().c_str()), 0);
        ::SendMessageA(m_hWndProject, kMsgProgramChanged, 0, 0);
    }
}

void CEditRFrame::OnReformat()
{
    if (!m_pDocument->IsLineEditable())
        return;
    m_pDocument->Buffer().BeginUndoGroup();
    m_pDocument->Reformat();
    if (CEditRView* view = GetView())
        view->OnUpdate(nullptr, 0, nullptr);
}

void CEditRFrame::OnToggleBreakpoint()
{
    if (!m_pDocument->IsLineEditable() && !InlineBreakpoints()) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    if (CEditRView* view = GetView())
        view->ToggleBreakpoint();
}

void CEditRFrame::OnClearBreakpoints()
{
    if (CEditRView* view = GetView())
        view->ClearAllBreakpoints();
}

void CEditRFrame::OnAddWatch()
{
    CEditRView* view = GetView();
    if (!view)
        return;
    if ((!m_hWndWatch || !::IsWindow(m_hWndWatch)) && HasFeature(kFeatureWatch)) {
        ::PostMessageA(m_hWndProject, kMsgOpenTool, kToolIdWatch, 0);
        IClock& clock = AfxGetClock();
        const std::uint64_t start = clock.NowMs();
        while ((!m_hWndWatch || !::IsWindow(m_hWndWatch)) && !AfxClockElapsed(start, kWatchWaitMs)) {
            MSG msg;
            if (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
                AfxPumpMessages();
            else
                clock.SleepMs(1);
        }
    }
    if (!m_hWndWatch || !::IsWindow(m_hWndWatch))
        return;
    SWatchItem item = {};
    item.index = -1;
    CEditBuffer& buffer = m_pDocument->Buffer();
    const Caret caret = view->GetCaret();
    // A selection names the variable; else the VR reference around the caret.
    const CEditRange selection = view->GetSelection();
    int vr = selection.IsEmpty() ? -1 : buffer.GetSelectedVrIndex(selection);
    if (selection.IsEmpty()) {
        const std::string text = buffer.GetLineText(caret.line);
        const size_t open = text.rfind("VR(", static_cast<size_t>(std::max(caret.column, 0)));
        const size_t close = open == std::string::npos ? std::string::npos : text.find(')', open);
        if (close != std::string::npos && static_cast<int>(close) + 1 >= caret.column)
            vr = buffer.GetSelectedVrIndex({static_cast<int>(open), caret.line, static_cast<int>(close + 1), caret.line});
    }
    item.vrIndex = vr;
    item.process = -1;
    if (vr >= 0) {
        std::snprintf(item.name, sizeof item.name, "VR(%d)", vr);
    } else {
        const std::string word = view->GetWordAtCaret();
        std::strncpy(item.name, word.c_str(), sizeof item.name - 1);
        std::strncpy(item.program, m_pDocument->GetProgramName().c_str(), sizeof item.program - 1);
        item.index = buffer.Store().FindNameIndex(word);
        CProcessData process;
        if (AskProject(kMsgProcessOf, reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(&process)) != 0)
            item.process = process.m_nProcess;
    }
    ::SendMessageA(m_hWndWatch, kMsgWatchItem, 0, reinterpret_cast<LPARAM>(&item));
}

void CEditRFrame::OnUndo()
{
    if (CEditRView* view = GetView())
        view->Undo();
}

void CEditRFrame::OnCopy()
{
    if (CEditRView* view = GetView())
        view->Copy();
}

void CEditRFrame::OnCut()
{
    if (CEditRView* view = GetView())
        view->Cut();
}

void CEditRFrame::OnPaste()
{
    if (CEditRView* view = GetView())
        view->Paste();
}

void CEditRFrame::OnClear()
{
    if (CEditRView* view = GetView())
        view->Clear();
}

void CEditRFrame::OnUpdateCopy(CCmdUI* pCmdUI)
{
    CEditRView* view = GetView();
    pCmdUI->Enable(view && view->HasSelection());
}

void CEditRFrame::OnUpdateCut(CCmdUI* pCmdUI)
{
    CEditRView* view = GetView();
    pCmdUI->Enable(view && view->HasSelection() && m_pDocument->IsLineEditable());
}

void CEditRFrame::OnUpdatePaste(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDocument->CanPaste() && m_pDocument->IsLineEditable());
}

void CEditRFrame::OnRedo()
{
    if (CEditRView* view = GetView())
        view->Redo();
}

void CEditRFrame::OnSelectAll()
{
    if (CEditRView* view = GetView())
        view->SelectAll();
}

void CEditRFrame::OnSelectLine()
{
    if (CEditRView* view = GetView())
        view->SelectLine();
}

void CEditRFrame::OnSelectWord()
{
    if (CEditRView* view = GetView())
        view->SelectWord();
}

void CEditRFrame::OnDeleteLine()
{
    if (CEditRView* view = GetView())
        view->DeleteLine();
}

void CEditRFrame::OnDeleteWord()
{
    if (CEditRView* view = GetView())
        view->DeleteWord();
}

// --- command states -------------------------------------------------------------------------

bool CEditRFrame::TypeAllows(int column) const
{
    const ProgramTypeRow* row = FindProgramType(m_nProgramType);
    if (!row || !GetProgramTypeColumn(*row, column))
        return false;
    return row->feature == 0 || !ProjectLive() || HasFeature(row->feature);
}

void CEditRFrame::OnUpdateSave(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDocument->IsModified());
}

void CEditRFrame::OnUpdateRunStop(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TypeAllows(11));
}

void CEditRFrame::OnUpdateStep(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TypeAllows(12));
}

void CEditRFrame::OnUpdateBreakpoints(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TypeAllows(12) && (m_pDocument->IsLineEditable() || InlineBreakpoints()));
}

void CEditRFrame::OnUpdateCompile(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TypeAllows(15) && m_pDocument->IsLineEditable());
}

void CEditRFrame::OnUpdateReformat(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TypeAllows(17) && m_pDocument->IsLineEditable());
}

void CEditRFrame::OnUpdateUndo(CCmdUI* pCmdUI)
{
    pCmdUI->Enable((m_pDocument->Buffer().CanUndo() || m_pDocument->Buffer().TooLargeToUndo()) &&
                   m_pDocument->IsLineEditable());
}

void CEditRFrame::OnUpdateRedo(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDocument->Buffer().CanRedo() && m_pDocument->IsLineEditable());
}

void CEditRFrame::OnUpdateEditable(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDocument->IsLineEditable());
}

void CEditRFrame::OnUpdateAddWatch(CCmdUI* pCmdUI)
{
    CEditRView* view = GetView();
    bool known = false;
    if (view && m_bWatchFeature) {
        CEditBuffer& buffer = m_pDocument->Buffer();
        const CEditRange selection = view->GetSelection();
        if (!selection.IsEmpty()) {
            known = buffer.IsSelectionOneName(selection) || buffer.GetSelectedVrIndex(selection) >= 0;
        } else {
            const std::string text = buffer.GetLineText(view->GetCaret().line);
            known = text.find("VR(") != std::string::npos;
        }
    }
    // Without a watch window, and none the project window can make, the
    // command would do nothing.
    const bool watch = (m_hWndWatch && ::IsWindow(m_hWndWatch)) || CProjectWnd::HasToolCreator(kToolIdWatch);
    pCmdUI->Enable(known && watch);
}

void CEditRFrame::GetMessageString(UINT nID, CString& rMessage) const
{
    if (const EditorMenuItem* item = FindEditorCommand(nID))
        rMessage = item->prompt;
    else
        CFrameWnd::GetMessageString(nID, rMessage);
}

BOOL CEditRFrame::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
    if (info && info->hdr.code == TTN_GETDISPINFOA && !(info->uFlags & TTF_IDISHWND)) {
        if (const EditorMenuItem* item = FindEditorCommand(static_cast<UINT>(info->hdr.idFrom))) {
            ::lstrcpynA(info->szText, item->tip, static_cast<int>(sizeof info->szText));
            info->lpszText = info->szText;
            *pResult = 0;
            return TRUE;
        }
    }
    return CFrameWnd::OnNotify(wParam, lParam, pResult);
}

void CEditRFrame::OnToggleBar(UINT nID)
{
    CWnd& bar = nID == ID_EDITOR_TOOLBAR ? static_cast<CWnd&>(m_toolBar) : static_cast<CWnd&>(m_statusBar);
    bar.ShowWindow(bar.IsWindowVisible() ? SW_HIDE : SW_SHOW);
    RecalcLayout();
}

void CEditRFrame::OnUpdateBar(CCmdUI* pCmdUI)
{
    const CWnd& bar = pCmdUI->m_nID == ID_EDITOR_TOOLBAR ? static_cast<const CWnd&>(m_toolBar)
                                                          : static_cast<const CWnd&>(m_statusBar);
    pCmdUI->SetCheck(bar.IsWindowVisible() ? 1 : 0);
}

// --- the document's run state -----------------------------------------------------------

void CEditRFrame::CompileStateChanged(int)
{
    ShowCompileState();
}

void CEditRFrame::CurrentLineChanged(int line)
{
    if (CEditRView* view = GetView(); view && line >= 0)
        view->GoTo(0, line, true);
}

void CEditRFrame::EditStateChanged(int)
{
    UpdateTitle();
}

// --- panes and title -------------------------------------------------------------------------

void CEditRFrame::ShowCompileState()
{
    m_nCompileState = m_pDocument->Buffer().m_compileState;
    const std::string text = m_nCompileState == 1   ? EditorText(TXT_COMPILED)
                             : m_nCompileState == 2 ? EditorText(TXT_NOT_COMPILED)
                                                    : std::string();
    m_statusBar.SetPaneText(2, text.c_str());
}

void CEditRFrame::UpdateTitle()
{
    static const unsigned kStateTexts[] = {TXT_EDITOR, TXT_EDIT, TXT_DEBUG_READ_ONLY, TXT_DEBUG_READ_ONLY_2};
    const int state = std::clamp(m_pDocument->RunState().GetEditState(), 0, 3);
    std::string title = EditorText(kStateTexts[state]) + " : " + m_pDocument->GetProgramName();
    // A program the project does not hold has no type, and no name of one.
    const int type = m_nProgramType;
    const CString typeName = FindProgramType(type) ? GetProgramTypeName(type) : CString();
    if (!typeName.IsEmpty())
        title += std::string(" (") + static_cast<LPCSTR>(typeName) + ")";
    SetWindowText(title.c_str());
    AskProject(kMsgWindowListChanged);
}

void CEditRFrame::UpdateCaretPane()
{
    // The lock keys' panes: their names while the lock is on.
    const char* caps = (::GetKeyState(VK_CAPITAL) & 1) ? "CAP" : "";
    const char* num = (::GetKeyState(VK_NUMLOCK) & 1) ? "NUM" : "";
    if (m_statusBar.GetPaneText(3) != caps)
        m_statusBar.SetPaneText(3, caps, FALSE);
    if (m_statusBar.GetPaneText(4) != num)
        m_statusBar.SetPaneText(4, num, FALSE);
    CEditRView* view = GetView();
    char text[32] = "L:?, C:?";
    if (view && m_pDocument && m_pDocument->Buffer().GetLineCount() > 0)
        std::snprintf(text, sizeof text, "L:%d, C:%d", UserLineNumber(view->GetCaret().line), view->GetCaret().column);
    if (m_statusBar.GetPaneText(1) == text)
        return;
    // Painted with the next paint, not at once for every key.
    const int length = static_cast<int>(std::strlen(text));
    const bool resize = length != m_statusBar.GetPaneText(1).GetLength();
    m_statusBar.SetPaneText(1, text, FALSE);
    // The digits of the pane's font are as wide as each other: the width
    // is measured again only when the text's length changes.
    if (resize) {
        const int width = m_statusBar.GetTextWidth(text);
        m_statusBar.SetPaneInfo(1, ID_SEPARATOR, SBPS_NORMAL, width > 0 ? width + 6 : 64);
    }
}

} // namespace editor
