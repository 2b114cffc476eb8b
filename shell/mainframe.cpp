#include "shell/mainframe.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "foundation/logfile.h"
#include "foundation/winutil.h"
#include "framework/app.h"
#include "framework/clock.h"
#include "framework/cmdui.h"
#include "framework/dialog.h"
#include "framework/menu.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework/thread.h"
#include "link/comms.h"
#include "link/commportdata.h"
#include "link/modeltables.h"
#include "link/vexothread.h"
#include "shell/externaltools.h"
#include "shell/framebars.h"
#include "shell/language.h"
#include "shell/mainbackgroundwnd.h"
#include "shell/mainframemessages.h"
#include "shell/mrulist.h"
#include "shell/res/mainframe_resource.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "shell/vq2app.h"
#include "shell/vqhelp.h"
#include "settings/vqregistry.h"
#include "ui/confirmdialogs.h"
#include "ui/dialogthread.h"
#include "ui/toolmessages.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

namespace {

// Tool ids the frame's commands open through the project window.
enum : UINT {
    TOOL_CONTROLLER_CONFIGURATION = 1013,
    TOOL_DIRECTORY = 1028,
    TOOL_FIX_EPROM = 1034,
    TOOL_FLASH_STICK = 1063,
    TOOL_ETHERNET = 1050,
    TOOL_CANIO = 1049,
    TOOL_TERMINAL = 1042,
    TOOL_SELECT_PROGRAM = 1038,
    TOOL_DRIVE_CHOOSER = 1029,
};

// The tool of each drive kind, in the order the toolbar button tests them.
const struct {
    int kind;
    UINT tool;
} kDriveTools[] = {
    {DRIVE_KIND_CAN, 1004},          {DRIVE_KIND_SLM, 1021},       {DRIVE_KIND_SERCOS, 1039},
    {DRIVE_KIND_MECHATROLINK, 1051}, {DRIVE_KIND_PANASONIC, 1060},
};

// The select-program dialog's mode of each program operation command.
const struct {
    UINT id;
    int operation;
} kProgramOperations[] = {
    {ID_PROGRAM_NEW, 0},    {ID_PROGRAM_EDIT, 2},    {ID_PROGRAM_COPY, 3}, {ID_PROGRAM_RENAME, 4},
    {ID_PROGRAM_DELETE, 5}, {ID_PROGRAM_COMPILE, 7}, {ID_PROGRAM_RUN, 8},  {ID_PROGRAM_START_STEPPING, 9},
    {ID_PROGRAM_DEBUG, 10}, {ID_PROGRAM_STEP, 11},   {ID_PROGRAM_STOP, 13},
};

const int kWatchFeature = 5;
const UINT_PTR kDeferredDestroyTimer = 1;
const UINT_PTR kRaiseOwnedTimer = 2;
const UINT kRaiseOwnedDelayMs = 50;

// The five system-wide hot keys, in registration order.
const struct {
    UINT key;
    UINT modifiers;
    UINT id;
} kHotKeys[5] = {
    {'M', MOD_CONTROL, ID_HOTKEY_FOCUS},
    {'C', MOD_CONTROL | MOD_ALT, ID_HOTKEY_CONNECT},
    {'D', MOD_CONTROL | MOD_ALT, ID_HOTKEY_DISCONNECT},
    {'P', MOD_CONTROL | MOD_ALT, ID_HOTKEY_CHECK_PROJECT},
    {'B', MOD_CONTROL | MOD_ALT, ID_HOTKEY_BETA},
};

enum class Kind {
    Post,   // post the message to the project window
    Send,   // send it
    Tool,   // open a tool by id (gated)
    Dialog, // run the registered dialog on a thread of its own
    Local,  // a handler of the frame
};

enum class Rule {
    Always,
    R,
    C,
    N,
    P,
    E,
    PE,
    LockController,   // C and not locked
    UnlockController, // N
    Eprom,            // E and no auto-store
    FlashStick,       // C and 0x81AA
    Ethernet,         // C and Ethernet configuration available
    Analogue,         // C and 0x818E > 0
    Watch,            // C and 0x81CC(5)
    DriveCAN,
    DriveSLM,
    DriveSERCOS,
    DriveMechatrolink,
    DrivePanasonic,
    AnyDrive,
    DeleteProgram, // PE and 0x812A > 0
    ClearMessages, // R and the message window visible
    EnableEditing, // C and the edit lock set
    ControlBar,    // R, with a check mark while the bar shows
    ShowMessages,  // C, with a check mark while the window shows
    Help,          // R and the help file present
    BasicHelp,     // R and the BASIC help file present
};

struct FrameCommand {
    UINT first;
    UINT last;
    Kind kind;
    UINT message; // Post/Send: the message; Tool: the tool id; Dialog: 0
    WPARAM wParam;
    bool gated;
    Rule rule;
};

} // namespace

// Local handlers take the command id; these adapters call the frame's
// handlers that need none.
#define FRAME_LOCAL(fn) [](CMainFrame* f, UINT) { f->fn(); }

using Adapter = void (*)(CMainFrame*, UINT);

struct CMainFrame::CommandRow {
    FrameCommand cmd;
    Adapter local;
};
using CommandRow = CMainFrame::CommandRow;

class CMainFrameCommands {
public:
    static const CommandRow* Find(UINT nID);
};

namespace {

const CommandRow kCommands[] = {
    // Project.
    {{ID_PROJECT_NEW, ID_PROJECT_NEW, Kind::Post, WM_PW_NEW_PROJECT, 0, false, Rule::E}, nullptr},
    {{ID_PROJECT_LOAD, ID_PROJECT_LOAD, Kind::Post, WM_PW_LOAD_PROJECT, 0, false, Rule::E}, nullptr},
    {{ID_PROJECT_SAVE_AS, ID_PROJECT_SAVE_AS, Kind::Post, WM_PW_SAVE_PROJECT_AS, 0, false, Rule::P}, nullptr},
    {{ID_PROJECT_CHECK, ID_PROJECT_CHECK, Kind::Post, WM_PW_CHECK_PROJECT, 0, false, Rule::P}, nullptr},
    {{ID_PROJECT_REVERT, ID_PROJECT_REVERT, Kind::Post, WM_PW_REVERT_TO_BACKUP, 0, false, Rule::PE}, nullptr},
    {{ID_PROJECT_MODIFY_STARTUP, ID_PROJECT_MODIFY_STARTUP, Kind::Post, WM_PW_MODIFY_STARTUP, 0, false, Rule::PE},
     nullptr},
    {{ID_PROJECT_LOAD_PROGRAM, ID_PROJECT_LOAD_PROGRAM, Kind::Post, WM_PW_LOAD_PROGRAM_FILE, 0, false, Rule::E},
     nullptr},
    {{ID_PROGRAM_LOAD, ID_PROGRAM_LOAD, Kind::Post, WM_PW_LOAD_PROGRAM_FILE, 0, false, Rule::E}, nullptr},
    {{ID_PROJECT_SAVE_PROGRAM, ID_PROJECT_SAVE_PROGRAM, Kind::Post, WM_PW_SAVE_PROGRAM_FILE, 0, false, Rule::C},
     nullptr},
    {{ID_PROGRAM_SAVE, ID_PROGRAM_SAVE, Kind::Post, WM_PW_SAVE_PROGRAM_FILE, 0, false, Rule::C}, nullptr},
    {{ID_PROJECT_LOAD_TABLE, ID_PROJECT_LOAD_TABLE, Kind::Dialog, 0, 0, false, Rule::E}, nullptr},
    {{ID_PROJECT_SAVE_TABLE, ID_PROJECT_SAVE_TABLE, Kind::Dialog, 0, 0, false, Rule::C}, nullptr},
    // Controller.
    {{ID_CONTROLLER_CONNECT, ID_CONTROLLER_CONNECT, Kind::Post, WM_PW_CONNECT, 1, true, Rule::N}, nullptr},
    {{ID_CONTROLLER_CONNECT_PROJECT, ID_CONTROLLER_CONNECT_PROJECT, Kind::Post, WM_PW_CONNECT_USING_PROJECT, 1, true,
      Rule::N},
     nullptr},
    {{ID_CONTROLLER_CONNECT_SIMULATOR, ID_CONTROLLER_CONNECT_SIMULATOR, Kind::Post, WM_PW_CONNECT_TO_SIMULATOR, 0, true,
      Rule::N},
     nullptr},
    {{ID_CONTROLLER_DISCONNECT, ID_CONTROLLER_DISCONNECT, Kind::Post, WM_PW_DISCONNECT, 1, true, Rule::C}, nullptr},
    {{ID_CONTROLLER_LOCK, ID_CONTROLLER_LOCK, Kind::Local, 0, 0, false, Rule::LockController},
     FRAME_LOCAL(OnControllerLock)},
    {{ID_CONTROLLER_UNLOCK, ID_CONTROLLER_UNLOCK, Kind::Local, 0, 0, false, Rule::UnlockController},
     FRAME_LOCAL(OnControllerUnlock)},
    {{ID_CONTROLLER_CONFIGURATION, ID_CONTROLLER_CONFIGURATION, Kind::Tool, TOOL_CONTROLLER_CONFIGURATION, 0, true,
      Rule::P},
     nullptr},
    {{ID_CONTROLLER_DIRECTORY, ID_CONTROLLER_DIRECTORY, Kind::Tool, TOOL_DIRECTORY, 0, true, Rule::C}, nullptr},
    {{ID_CONTROLLER_FIX_EPROM, ID_CONTROLLER_FIX_EPROM, Kind::Tool, TOOL_FIX_EPROM, 0, true, Rule::Eprom}, nullptr},
    {{ID_CONTROLLER_RECOVER_EPROM, ID_CONTROLLER_RECOVER_EPROM, Kind::Dialog, 0, 0, false, Rule::Eprom}, nullptr},
    {{ID_CONTROLLER_RESET, ID_CONTROLLER_RESET, Kind::Post, WM_PW_RESET_CONTROLLER, 0, false, Rule::C}, nullptr},
    {{ID_CONTROLLER_LOAD_SYSTEM, ID_CONTROLLER_LOAD_SYSTEM, Kind::Local, 0, 0, false, Rule::R},
     FRAME_LOCAL(OnLoadSystemSoftware)},
    {{ID_CONTROLLER_FLASH_STICK, ID_CONTROLLER_FLASH_STICK, Kind::Tool, TOOL_FLASH_STICK, 0, true, Rule::FlashStick},
     nullptr},
    {{ID_CONTROLLER_ETHERNET, ID_CONTROLLER_ETHERNET, Kind::Tool, TOOL_ETHERNET, 0, true, Rule::Ethernet}, nullptr},
    {{ID_CONTROLLER_CANIO, ID_CONTROLLER_CANIO, Kind::Tool, TOOL_CANIO, 0, true, Rule::C}, nullptr},
    {{ID_CONTROLLER_ENABLE_EDITING, ID_CONTROLLER_ENABLE_EDITING, Kind::Local, 0, 0, false, Rule::EnableEditing},
     FRAME_LOCAL(OnEnableEditing)},
    // Program.
    {{ID_PROGRAM_NEW, ID_PROGRAM_NEW, Kind::Local, 0, 0, false, Rule::PE},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_EDIT, ID_PROGRAM_EDIT, Kind::Local, 0, 0, false, Rule::PE},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_COPY, ID_PROGRAM_COPY, Kind::Local, 0, 0, false, Rule::PE},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_RENAME, ID_PROGRAM_RENAME, Kind::Local, 0, 0, false, Rule::PE},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_COMPILE, ID_PROGRAM_COMPILE, Kind::Local, 0, 0, false, Rule::PE},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_DELETE, ID_PROGRAM_DELETE, Kind::Local, 0, 0, false, Rule::DeleteProgram},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_RUN, ID_PROGRAM_RUN, Kind::Local, 0, 0, false, Rule::P},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_START_STEPPING, ID_PROGRAM_START_STEPPING, Kind::Local, 0, 0, false, Rule::P},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_STEP, ID_PROGRAM_STEP, Kind::Local, 0, 0, false, Rule::P},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_STOP, ID_PROGRAM_STOP, Kind::Local, 0, 0, false, Rule::P},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_DEBUG, ID_PROGRAM_DEBUG, Kind::Local, 0, 0, false, Rule::C},
     [](CMainFrame* f, UINT id) { f->OnProgramOperation(id); }},
    {{ID_PROGRAM_HALT, ID_PROGRAM_HALT, Kind::Send, WM_PW_HALT_ALL, 0, false, Rule::P}, nullptr},
    {{ID_PROGRAM_DELETE_ALL, ID_PROGRAM_DELETE_ALL, Kind::Local, 0, 0, false, Rule::PE},
     FRAME_LOCAL(OnDeleteAllPrograms)},
    {{ID_PROGRAM_COMPILE_ALL, ID_PROGRAM_COMPILE_ALL, Kind::Post, WM_PW_COMPILE_ALL, 0, false, Rule::C}, nullptr},
    {{ID_PROGRAM_POWER_UP, ID_PROGRAM_POWER_UP, Kind::Local, 0, 0, false, Rule::PE}, FRAME_LOCAL(OnSetPowerUpMode)},
    {{ID_PROGRAM_AUTORUN, ID_PROGRAM_AUTORUN, Kind::Local, 0, 0, false, Rule::P}, FRAME_LOCAL(OnAutorunPrograms)},
    // Tools.
    {{ID_TOOLS_TERMINAL, ID_TOOLS_TERMINAL, Kind::Tool, TOOL_TERMINAL, 0, true, Rule::R}, nullptr},
    {{ID_TOOLS_AXIS_PARAMETERS, ID_TOOLS_AXIS_PARAMETERS, Kind::Tool, 1001, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_DIGITAL_IO, ID_TOOLS_DIGITAL_IO, Kind::Tool, 1020, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_JOG, ID_TOOLS_JOG, Kind::Tool, 1030, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_KEYPAD, ID_TOOLS_KEYPAD, Kind::Tool, 1031, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_OSCILLOSCOPE, ID_TOOLS_OSCILLOSCOPE, Kind::Tool, 1037, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_TABLE_VIEWER, ID_TOOLS_TABLE_VIEWER, Kind::Tool, 1041, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_VR_VIEWER, ID_TOOLS_VR_VIEWER, Kind::Tool, 1044, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_TICKS, ID_TOOLS_TICKS, Kind::Tool, 1058, 0, true, Rule::C}, nullptr},
    {{ID_TOOLS_WATCH, ID_TOOLS_WATCH, Kind::Tool, 1045, 0, true, Rule::Watch}, nullptr},
    {{ID_TOOLS_ANALOGUE, ID_TOOLS_ANALOGUE, Kind::Tool, 1000, 0, true, Rule::Analogue}, nullptr},
    {{ID_DRIVES_CAN, ID_DRIVES_CAN, Kind::Tool, 1004, 0, true, Rule::DriveCAN}, nullptr},
    {{ID_DRIVES_SLM, ID_DRIVES_SLM, Kind::Tool, 1021, 0, true, Rule::DriveSLM}, nullptr},
    {{ID_DRIVES_SERCOS, ID_DRIVES_SERCOS, Kind::Tool, 1039, 0, true, Rule::DriveSERCOS}, nullptr},
    {{ID_DRIVES_MECHATROLINK, ID_DRIVES_MECHATROLINK, Kind::Tool, 1051, 0, true, Rule::DriveMechatrolink}, nullptr},
    {{ID_DRIVES_PANASONIC, ID_DRIVES_PANASONIC, Kind::Tool, 1060, 0, true, Rule::DrivePanasonic}, nullptr},
    {{ID_DRIVES_TOOLBAR, ID_DRIVES_TOOLBAR, Kind::Local, 0, 0, false, Rule::AnyDrive},
     FRAME_LOCAL(OnIntelligentDrives)},
    // Options.
    {{ID_OPTIONS_COMMUNICATIONS, ID_OPTIONS_COMMUNICATIONS, Kind::Dialog, 0, 0, false, Rule::R}, nullptr},
    {{ID_GENERAL_OPTIONS, ID_GENERAL_OPTIONS, Kind::Dialog, 0, 0, false, Rule::R}, nullptr},
    {{ID_OPTIONS_EDITOR, ID_OPTIONS_EDITOR, Kind::Tool, 1025, 0, true, Rule::R}, nullptr},
    {{ID_OPTIONS_TERMINAL_FONT, ID_OPTIONS_TERMINAL_FONT, Kind::Tool, 1043, 0, true, Rule::R}, nullptr},
    {{ID_OPTIONS_DXDRIVE, ID_OPTIONS_DXDRIVE, Kind::Tool, 1052, 0, true, Rule::R}, nullptr},
    {{ID_OPTIONS_FINS, ID_OPTIONS_FINS, Kind::Tool, 1053, 0, true, Rule::R}, nullptr},
    {{ID_OPTIONS_IEC, ID_OPTIONS_IEC, Kind::Tool, 1059, 0, true, Rule::R}, nullptr},
    {{ID_OPTIONS_PROGRAM_COMPARE, ID_OPTIONS_PROGRAM_COMPARE, Kind::Tool, 1048, 0, true, Rule::Always}, nullptr},
    {{ID_OPTIONS_DIAGNOSTICS, ID_OPTIONS_DIAGNOSTICS, Kind::Dialog, 0, 0, false, Rule::Always}, nullptr},
    {{ID_OPTIONS_CAN_DRIVES, ID_OPTIONS_CAN_DRIVES, Kind::Dialog, 0, 0, false, Rule::C}, nullptr},
    {{ID_OPTIONS_LANGUAGE, ID_OPTIONS_LANGUAGE, Kind::Local, 0, 0, false, Rule::R}, FRAME_LOCAL(OnLanguage)},
    // External.
    {{ID_EXTERNAL_CONFIGURE, ID_EXTERNAL_CONFIGURE, Kind::Dialog, 0, 0, false, Rule::Always}, nullptr},
    {{ID_EXTERNAL_TOOL_FIRST, ID_EXTERNAL_TOOL_LAST, Kind::Local, 0, 0, false, Rule::Always},
     [](CMainFrame* f, UINT id) { f->OnExternalTool(id); }},
    // Window.
    {{ID_WINDOW_CASCADE, ID_WINDOW_CASCADE, Kind::Local, 0, 0, false, Rule::Always},
     [](CMainFrame* f, UINT id) { f->OnArrangeWindows(id); }},
    {{ID_WINDOW_TILE_HORZ, ID_WINDOW_TILE_VERT, Kind::Local, 0, 0, false, Rule::Always},
     [](CMainFrame* f, UINT id) { f->OnArrangeWindows(id); }},
    {{ID_WINDOW_CLEAR_MESSAGES, ID_WINDOW_CLEAR_MESSAGES, Kind::Local, 0, 0, false, Rule::ClearMessages},
     FRAME_LOCAL(OnClearControllerMessages)},
    {{ID_WINDOW_CLEAR_DESKTOP, ID_WINDOW_CLEAR_DESKTOP, Kind::Post, WM_PW_CLEAR_DESKTOP, 0, true, Rule::R}, nullptr},
    {{ID_WINDOW_CONTROLLER_MESSAGES, ID_WINDOW_CONTROLLER_MESSAGES, Kind::Local, 0, 0, false, Rule::ShowMessages},
     FRAME_LOCAL(OnToggleControllerMessages)},
    {{ID_WINDOW_CONTROL_PANEL, ID_WINDOW_CONTROL_PANEL, Kind::Local, 0, 0, false, Rule::ControlBar},
     [](CMainFrame* f, UINT id) { f->OnToggleBar(id); }},
    {{ID_WINDOW_TOOLBAR, ID_WINDOW_TOOLBAR, Kind::Local, 0, 0, false, Rule::ControlBar},
     [](CMainFrame* f, UINT id) { f->OnToggleBar(id); }},
    {{ID_WINDOW_STATUS_BAR, ID_WINDOW_STATUS_BAR, Kind::Local, 0, 0, false, Rule::ControlBar},
     [](CMainFrame* f, UINT id) { f->OnToggleBar(id); }},
    {{ID_WINDOW_RESTORE_LAST, ID_WINDOW_RESTORE_LAST, Kind::Post, WM_PW_RESTORE_LAST_DESKTOP, 0, true, Rule::C},
     nullptr},
    {{ID_WINDOW_RESTORE_SAVED, ID_WINDOW_RESTORE_SAVED, Kind::Post, WM_PW_RESTORE_SAVED_DESKTOP, 0, true, Rule::C},
     nullptr},
    {{ID_WINDOW_SAVE_DESKTOP, ID_WINDOW_SAVE_DESKTOP, Kind::Send, WM_PW_SAVE_DESKTOP, 0, false, Rule::C}, nullptr},
    {{ID_WINDOW_ENTRY_FIRST, ID_WINDOW_ENTRY_LAST, Kind::Local, 0, 0, false, Rule::Always},
     [](CMainFrame* f, UINT id) { f->OnWindowEntry(id); }},
    {{ID_RECENT_PROJECT_FIRST, ID_RECENT_PROJECT_LAST, Kind::Local, 0, 0, false, Rule::E},
     [](CMainFrame* f, UINT id) { f->OnRecentProject(id); }},
    // Help.
    {{ID_HELP_VORTA, ID_HELP_VORTA, Kind::Local, 0, 0, false, Rule::Help}, FRAME_LOCAL(OnHelpVorta)},
    {{ID_HELP_BASIC, ID_HELP_BASIC, Kind::Local, 0, 0, false, Rule::BasicHelp}, FRAME_LOCAL(OnHelpBasic)},
    {{ID_HELP_CONTROLLERS, ID_HELP_CONTROLLERS, Kind::Tool, 1062, 0, true, Rule::R}, nullptr},
};

struct DialogRegistration {
    UINT nTemplateID;
    CMainFrame::DialogCreator creator;
};

std::mutex g_dialogLock;
std::map<UINT, DialogRegistration>& DialogCreators()
{
    static std::map<UINT, DialogRegistration> creators;
    return creators;
}

CRuntimeClass* g_pProjectWindowClass = nullptr;
CMainFrame::ToolAvailability g_toolAvailability;

} // namespace

const CommandRow* CMainFrameCommands::Find(UINT nID)
{
    for (const CommandRow& row : kCommands)
        if (nID >= row.cmd.first && nID <= row.cmd.last)
            return &row;
    return nullptr;
}

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_SIZE()
ON_WM_WINDOWPOSCHANGED()
ON_WM_ACTIVATE()
ON_WM_TIMER()
ON_WM_HOTKEY()
ON_WM_QUERYENDSESSION()
ON_MESSAGE(WM_START_PROJECT_WINDOW, OnStartProjectWindow)
ON_MESSAGE(WM_PLACE_CONTROLLER_MESSAGES, OnPlaceControllerMessages)
ON_MESSAGE(WM_RESTORE_MAIN_WINDOW, OnRestoreMainWindow)
ON_MESSAGE(WM_PROJECT_WINDOW_STARTED, OnProjectWindowStarted)
ON_MESSAGE(WM_PROJECT_WINDOW_GOING, OnProjectWindowGoing)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_MESSAGE(WM_GET_WINDOW_OBJECT, OnGetWindowObject)
ON_MESSAGE(WM_GET_WINDOW_HANDLE, OnGetWindowHandle)
ON_MESSAGE(WM_SET_PROJECT_TEXT, OnSetProjectText)
ON_MESSAGE(WM_CONNECTED, OnConnected)
ON_MESSAGE(WM_DISCONNECTED, OnDisconnected)
ON_MESSAGE(WM_PROJECT_AVAILABLE, OnProjectAvailable)
ON_MESSAGE(WM_READY, OnReady)
ON_MESSAGE(WM_NOT_READY, OnNotReady)
ON_MESSAGE(WM_CONTROLLER_TYPE, OnControllerType)
ON_MESSAGE(WM_OPERATION_STARTED, OnOperationStarted)
ON_MESSAGE(WM_OPERATION_ENDED, OnOperationEnded)
ON_MESSAGE(WM_FRAME_TO_FOREGROUND, OnToForeground)
ON_MESSAGE(WM_FRAME_QUERY_0x8153, OnAnswerZero)
ON_MESSAGE(WM_FRAME_QUERY_0x81B5, OnAnswerZero)
ON_MESSAGE(WM_GET_FRAME_CLIENT_RECT, OnGetClientRectMessage)
ON_MESSAGE(WM_DRIVE_KIND_PRESENT, OnDriveKindPresent)
ON_MESSAGE(WM_WINDOW_LIST_CLEAR, OnWindowListClear)
ON_MESSAGE(WM_WINDOW_LIST_ADD, OnWindowListAdd)
ON_MESSAGE(WM_WINDOW_LIST_DONE, OnWindowListDone)
ON_MESSAGE(WM_EXTERNAL_TOOLS_CHANGED, OnExternalToolsChanged)
ON_MESSAGE(WM_HIDE_CONTROLLER_MESSAGES, OnHideControllerMessages)
ON_MESSAGE(WM_ETHERNET_CONFIG_AVAILABLE, OnEthernetConfigAvailable)
ON_MESSAGE(WM_GET_STATUS_BAR_HEIGHT, OnGetStatusBarHeight)
ON_MESSAGE(WM_GET_FRAME_FREE_AREA, OnGetFreeArea)
ON_MESSAGE(WM_VEXO_LINK_CHANGED, OnLinkChanged)
ON_MESSAGE(WM_REFRESH_DEVELOPMENT_BUTTON, OnRefreshDevelopmentButton)
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
END_MESSAGE_MAP()

// --- Registration ----------------------------------------------------------------------------

void CMainFrame::RegisterDialogCreator(UINT nCommandID, UINT nTemplateID, DialogCreator creator)
{
    std::lock_guard<std::mutex> lock(g_dialogLock);
    DialogCreators()[nCommandID] = DialogRegistration{nTemplateID, std::move(creator)};
}

void CMainFrame::UnregisterDialogCreator(UINT nCommandID)
{
    std::lock_guard<std::mutex> lock(g_dialogLock);
    DialogCreators().erase(nCommandID);
}

BOOL CMainFrame::HasDialogCreator(UINT nCommandID)
{
    std::lock_guard<std::mutex> lock(g_dialogLock);
    return DialogCreators().count(nCommandID) != 0;
}

void CMainFrame::SetToolAvailability(ToolAvailability isAvailable)
{
    std::lock_guard<std::mutex> lock(g_dialogLock);
    g_toolAvailability = std::move(isAvailable);
}

BOOL CMainFrame::IsToolAvailable(UINT nToolID)
{
    ToolAvailability isAvailable;
    {
        std::lock_guard<std::mutex> lock(g_dialogLock);
        isAvailable = g_toolAvailability;
    }
    return !isAvailable || isAvailable(nToolID);
}

void CMainFrame::SetProjectWindowClass(CRuntimeClass* pWindowClass)
{
    std::lock_guard<std::mutex> lock(g_dialogLock);
    g_pProjectWindowClass = pWindowClass;
}

// --- Creation --------------------------------------------------------------------------------

CMainFrame::CMainFrame()
{
    SetWarningBeep(nullptr);
}

void CMainFrame::SetWarningBeep(WarningBeep beep)
{
    m_warningBeep = beep ? std::move(beep) : WarningBeep([] { ::MessageBeep(MB_ICONEXCLAMATION); });
}

int CMainFrame::GetProgramOperation(UINT nCommandID)
{
    for (const auto& row : kProgramOperations)
        if (row.id == nCommandID)
            return row.operation;
    return -1;
}

CMainFrame::~CMainFrame()
{
    delete m_pRecentProjects;
    delete m_pHelp;
    if (m_hProjectThread)
        ::CloseHandle(m_hProjectThread);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    // The single-instance class lets a second copy find this window.
    if (auto* pApp = dynamic_cast<CSingleInstanceApp*>(AfxGetApp())) {
        static CString className;
        className = pApp->GetClassName();
        if (!className.IsEmpty()) {
            WNDCLASSA wc = {};
            if (::GetClassInfoA(AfxGetInstanceHandle(), className, &wc))
                cs.lpszClass = className;
        }
    }
    return CMDIFrameWnd::PreCreateWindow(cs);
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT lpcs, void* pContext)
{
    if (!CMDIFrameWnd::OnCreateClient(lpcs, pContext))
        return FALSE;
    m_pBackground = std::make_unique<CMainBackgroundWnd>();
    m_pBackground->SubclassWindow(m_hWndMDIClient);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    BOOL bOk = CMDIFrameWnd::OnCreate(lpCreateStruct) != -1;
    CVQRegistry settings;
    GetGlobalLog().SetEnabled(settings.GetEnableCommsLogging());

    // Toolbar.
    if (bOk) {
        bOk = m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                                    WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                        CBRS_SIZE_DYNAMIC,
                                    AFX_IDW_TOOLBAR) &&
              m_wndToolBar.LoadToolBar(IDR_MAINFRAME) && m_wndToolBar.LoadTrueColourImages(19, IDB_MAIN_TOOLBAR);
        if (bOk) {
            m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
            EnableDocking(CBRS_ALIGN_ANY);
            CString name;
            name.LoadString(IDS_MAIN_TOOLS);
            m_wndToolBar.SetWindowText(name);
            DockControlBar(&m_wndToolBar, AFX_IDW_DOCKBAR_TOP);
        }
    }
    // Status bar: 0 menu prompts, 1 controller type, 2 link, 3 "Packet",
    // 4 project path or "Not Connected".
    if (bOk) {
        const UINT indicators[] = {0, 0, 0, 0, IDS_NOT_CONNECTED};
        bOk = m_wndStatusBar.Create(this) && m_wndStatusBar.SetIndicators(indicators, 5);
        if (bOk) {
            m_wndStatusBar.SetPaneInfo(0, 0, SBPS_NOBORDERS | SBPS_STRETCH, 160);
            for (int pane = 1; pane <= 3; ++pane)
                m_wndStatusBar.SetPaneInfo(pane, IDS_NOT_CONNECTED, SBPS_NORMAL, 25);
            m_wndStatusBar.SetPaneInfo(4, IDS_NOT_CONNECTED, SBPS_NORMAL, 250);
        }
    }
    if (bOk) {
        m_pControlPanel = std::make_unique<CControlPanel>();
        bOk = m_pControlPanel->Create(this);
    }
    m_pRecentProjects = new CMRUList(this, ID_RECENT_PROJECT_FIRST, HKEY_CURRENT_USER, VQ_ROOT_KEY VQKEY_Projects);
    m_pRecentProjects->SetValueNameFormat("Project%02d");
    m_pRecentProjects->SetMenuName("&Project");
    m_pRecentProjects->SetSubMenuName("Re&cent Projects");
    m_pRecentProjects->Load();
    m_pRecentProjects->UpdateMenu();
    m_pRecentProjects->EnableMenu(FALSE);
    if (bOk) {
        m_pControllerMessages = std::make_unique<CControllerMessageDlg>();
        bOk = m_pControllerMessages->Create(this);
    }
    m_bShowControllerMessages = settings.GetShowControllerMessages();

    if (bOk) {
        m_pControlPanel->ShowWindow(settings.GetShowControlPanel() ? SW_SHOW : SW_HIDE);
        m_wndToolBar.ShowWindow(settings.GetShowToolBar() ? SW_SHOW : SW_HIDE);
        m_wndStatusBar.ShowWindow(settings.GetShowStatusBar() ? SW_SHOW : SW_HIDE);
        for (int row = 0; row < 5; ++row)
            m_bHotKey[row] = ::RegisterHotKey(m_hWnd, static_cast<int>(kHotKeys[row].id), kHotKeys[row].modifiers,
                                              kHotKeys[row].key);
    }

    CString title;
    title.LoadString(IDS_FRAME_TITLE);
    SetWindowText(title);
    // The simulator finds this window by the published title.
    HKEY hKey = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &hKey, nullptr) == ERROR_SUCCESS) {
        ::RegSetValueExA(hKey, "MainWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>(title.GetString()),
                         static_cast<DWORD>(title.GetLength() + 1));
        ::RegCloseKey(hKey);
    }
    CLogFile& log = GetGlobalLog();
    log.LogLine("Log opened", LOG_LINK);
    log.Close();

    m_pHelp = new CVQHelp(m_hWnd);
    if (auto* pApp = dynamic_cast<CVq2App*>(AfxGetApp()))
        pApp->SetMainFrame(this);

    if (!bOk)
        return -1;
    BuildExternalToolsMenu(GetMenuHandle());
    RecalcLayout();
    PostMessage(WM_RESTORE_MAIN_WINDOW);
    PostMessage(WM_PLACE_CONTROLLER_MESSAGES);
    PostMessage(WM_START_PROJECT_WINDOW);
    return 0;
}

// --- Start-up --------------------------------------------------------------------------------

LRESULT CMainFrame::OnStartProjectWindow(WPARAM, LPARAM)
{
    CRuntimeClass* pWindowClass = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_dialogLock);
        pWindowClass = g_pProjectWindowClass;
    }
    if (m_pProjectThread || !pWindowClass)
        return 0;
    auto* pThread = static_cast<CVexoThread*>(
        AfxBeginThread(RUNTIME_CLASS(CVexoThread), THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED));
    if (!pThread)
        return 0;
    pThread->SetWindowClass(pWindowClass);
    // A handle of our own, so the thread can be waited for after it
    // deleted its object.
    ::DuplicateHandle(::GetCurrentProcess(), pThread->m_hThread, ::GetCurrentProcess(), &m_hProjectThread, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    m_pProjectThread = pThread;
    pThread->ResumeThread();
    return 0;
}

LRESULT CMainFrame::OnPlaceControllerMessages(WPARAM, LPARAM)
{
    if (!m_pControllerMessages || !m_pControllerMessages->m_hWnd)
        return 0;
    CRect client;
    GetClientRect(&client);
    ClientToScreen(&client);
    int left = client.left;
    if (m_pControlPanel && m_pControlPanel->IsWindowVisible()) {
        CRect panel;
        m_pControlPanel->GetWindowRect(&panel);
        left += panel.Width() + 1;
    }
    int bottom = client.bottom;
    if (m_wndStatusBar.IsWindowVisible()) {
        CRect bar;
        m_wndStatusBar.GetWindowRect(&bar);
        bottom -= bar.Height() + 1;
    }
    CRect window;
    m_pControllerMessages->GetWindowRect(&window);
    const int width = window.Width() - 1;
    const int height = window.Height() - 1;
    m_pControllerMessages->SetWindowPos(nullptr, left, bottom - height, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyControllerMessageRule();
    return 0;
}

LRESULT CMainFrame::OnRestoreMainWindow(WPARAM, LPARAM)
{
    CVQRegistry settings;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (settings.GetRestoreMainWindowAtStart() && settings.MainWindowKeyExists() &&
        settings.GetMainWindowPlacement(placement) &&
        (placement.showCmd == SW_SHOWNORMAL || placement.showCmd == SW_SHOWMAXIMIZED)) {
        placement.length = sizeof placement;
        SetWindowPlacement(&placement);
    } else {
        ShowWindow(SW_SHOWMAXIMIZED);
    }
    OnPlaceControllerMessages(0, 0);
    m_bPlacementRestored = TRUE;
    return 0;
}

// --- The project window ----------------------------------------------------------------------

LRESULT CMainFrame::OnProjectWindowStarted(WPARAM, LPARAM lParam)
{
    m_pProjectWnd = reinterpret_cast<CWnd*>(lParam);
    if (m_pProjectWnd) {
        m_hWndProject = m_pProjectWnd->GetSafeHwnd();
        if (m_pControlPanel)
            m_pControlPanel->AttachToMainFrame(m_hWndProject);
    }
    return 0;
}

LRESULT CMainFrame::OnProjectWindowGoing(WPARAM, LPARAM)
{
    m_hWndProject = nullptr;
    return 0;
}

LRESULT CMainFrame::OnQueryReplyClass(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CMainFrame::OnGetWindowObject(WPARAM wParam, LPARAM)
{
    switch (wParam) {
    case COMPONENT_CONTROL_PANEL:
        return reinterpret_cast<LRESULT>(static_cast<CWnd*>(m_pControlPanel.get()));
    case COMPONENT_CONTROLLER_MESSAGES:
        return reinterpret_cast<LRESULT>(static_cast<CWnd*>(m_pControllerMessages.get()));
    case COMPONENT_PROJECT_WINDOW:
        return reinterpret_cast<LRESULT>(m_pProjectWnd);
    default:
        return 0;
    }
}

LRESULT CMainFrame::OnGetWindowHandle(WPARAM wParam, LPARAM)
{
    switch (wParam) {
    case COMPONENT_CONTROL_PANEL:
        return reinterpret_cast<LRESULT>(m_pControlPanel ? m_pControlPanel->GetSafeHwnd() : nullptr);
    case COMPONENT_CONTROLLER_MESSAGES:
        return reinterpret_cast<LRESULT>(m_pControllerMessages ? m_pControllerMessages->GetSafeHwnd() : nullptr);
    case COMPONENT_PROJECT_WINDOW:
        return reinterpret_cast<LRESULT>(m_hWndProject);
    default:
        return 0;
    }
}

LRESULT CMainFrame::QueryProjectWindow(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!::IsWindow(m_hWndProject))
        return 0;
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(m_hWndProject, message, wParam, lParam, SMTO_NORMAL, kQueryTimeoutMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

void CMainFrame::PostToProject(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (::IsWindow(m_hWndProject))
        ::PostMessageA(m_hWndProject, message, wParam, lParam);
}

// --- Status texts ----------------------------------------------------------------------------

void CMainFrame::SetPaneFitted(int nPane, LPCSTR text, int nExtra)
{
    const int width = m_wndStatusBar.GetTextWidth(text) + nExtra;
    m_wndStatusBar.SetPaneInfo(nPane, m_wndStatusBar.GetItemID(nPane), SBPS_NORMAL, width < 25 ? 25 : width);
    m_wndStatusBar.SetPaneText(nPane, text);
}

LRESULT CMainFrame::OnSetProjectText(WPARAM wParam, LPARAM lParam)
{
    CString text;
    if (wParam != 0) {
        text.LoadString(static_cast<UINT>(wParam));
        // A connection that ended before it was made (a failed or
        // cancelled project check) leaves no controller either.
        if (wParam == IDS_NOT_CONNECTED && !m_bConnected)
            ForgetController();
    } else {
        // The sender's text is copied at once; it is not kept.
        const CString path = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        if (!path.IsEmpty()) {
            CVQRegistry().CreateProjectsKey();
            if (m_pRecentProjects) {
                m_pRecentProjects->Add(path);
                m_pRecentProjects->Save();
                m_pRecentProjects->UpdateMenu();
                m_pRecentProjects->EnableMenu(m_bConnected);
            }
        }
        HDC hDC = ::GetDC(m_wndStatusBar);
        HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HGDIOBJ>(m_wndStatusBar.SendMessage(WM_GETFONT)));
        text = CompactPathToWidth(hDC, path, 250);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(m_wndStatusBar, hDC);
    }
    m_wndStatusBar.SetPaneText(4, text);
    return 0;
}

LRESULT CMainFrame::OnConnected(WPARAM, LPARAM lParam)
{
    m_bConnected = TRUE;
    ApplyControllerMessageRule();
    UpdateWindow();
    if (m_pRecentProjects)
        m_pRecentProjects->EnableMenu(TRUE);
    if (lParam == 1) {
        CString packet;
        packet.LoadString(IDS_PACKET);
        SetPaneFitted(3, packet, 2);
    } else {
        m_wndStatusBar.SetPaneInfo(3, m_wndStatusBar.GetItemID(3), SBPS_NORMAL, 25);
    }
    return 0;
}

LRESULT CMainFrame::OnDisconnected(WPARAM, LPARAM)
{
    m_bConnected = FALSE;
    for (BOOL& kind : m_bDriveKind)
        kind = FALSE;
    m_bEthernetConfigAvailable = FALSE;
    SendMessage(WM_SET_PROJECT_TEXT, IDS_NOT_CONNECTED, 0);
    if (!m_bDestroying) {
        ApplyControllerMessageRule();
        UpdateWindow();
        if (m_pRecentProjects)
            m_pRecentProjects->EnableMenu(FALSE);
    }
    m_wndStatusBar.SetPaneInfo(3, m_wndStatusBar.GetItemID(3), SBPS_NORMAL, 25);
    m_wndStatusBar.SetPaneText(3, "");
    ForgetController();
    if (m_pControllerMessages)
        m_pControllerMessages->ClearMessages();
    return 0;
}

void CMainFrame::ForgetController()
{
    // No controller any more: its type goes from the status bar too.
    SetPaneFitted(1, "", 0);
    m_nControllerModel = 0;
}

LRESULT CMainFrame::OnProjectAvailable(WPARAM, LPARAM)
{
    m_bProjectAvailable = TRUE;
    return 0;
}

void CMainFrame::SetReady(BOOL bReady)
{
    if (HMENU hMenu = GetMenuHandle())
        for (UINT id = ID_RECENT_PROJECT_FIRST; id <= ID_RECENT_PROJECT_LAST; ++id)
            ::EnableMenuItem(hMenu, id, MF_BYCOMMAND | (bReady ? MF_ENABLED : MF_GRAYED));
    m_bReady = bReady;
    if (m_pControlPanel && m_pControlPanel->m_hWnd)
        m_pControlPanel->EnableWindow(bReady);
}

LRESULT CMainFrame::OnReady(WPARAM, LPARAM)
{
    SetReady(TRUE);
    return 0;
}

LRESULT CMainFrame::OnNotReady(WPARAM, LPARAM)
{
    SetReady(FALSE);
    return 0;
}

LRESULT CMainFrame::OnControllerType(WPARAM, LPARAM lParam)
{
    const CString type = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
    SetPaneFitted(1, type, 5);
    m_nControllerModel = 0;
    for (int row = 0; row < CONTROLLER_MODEL_COUNT; ++row) {
        if (type.CompareNoCase(GetControllerModel(row).m_szName) == 0) {
            m_nControllerModel = row;
            break;
        }
    }
    return 0;
}

LRESULT CMainFrame::OnOperationStarted(WPARAM, LPARAM)
{
    m_bOperationInProgress = TRUE;
    return 0;
}

LRESULT CMainFrame::OnOperationEnded(WPARAM, LPARAM)
{
    m_bOperationInProgress = FALSE;
    BringWindowToTop();
    return 0;
}

LRESULT CMainFrame::OnToForeground(WPARAM, LPARAM)
{
    SetForegroundWindow();
    return 0;
}

LRESULT CMainFrame::OnAnswerZero(WPARAM, LPARAM)
{
    return 0;
}

LRESULT CMainFrame::OnGetClientRectMessage(WPARAM, LPARAM lParam)
{
    auto* pRect = reinterpret_cast<RECT*>(lParam);
    if (!pRect)
        return 0;
    CRect client;
    GetClientRect(&client);
    ClientToScreen(&client);
    if (m_pControlPanel && m_pControlPanel->IsWindowVisible()) {
        CRect panel;
        m_pControlPanel->GetWindowRect(&panel);
        client.left += panel.Width() + 1;
    }
    ExcludeToolBar(client);
    *pRect = client;
    return 0;
}

void CMainFrame::ExcludeToolBar(CRect& rect) const
{
    // The visible toolbar's room (and one pixel more) along the edge it is
    // docked at; floating, it takes none.
    if (!m_wndToolBar.m_hWnd || !m_wndToolBar.IsWindowVisible() || m_wndToolBar.IsFloating())
        return;
    CRect bar;
    m_wndToolBar.GetWindowRect(&bar);
    switch (m_wndToolBar.GetBarStyle() & CBRS_ALIGN_ANY) {
    case CBRS_ALIGN_BOTTOM:
        rect.bottom -= bar.Height() + 1;
        break;
    case CBRS_ALIGN_LEFT:
        rect.left += bar.Width() + 1;
        break;
    case CBRS_ALIGN_RIGHT:
        rect.right -= bar.Width() + 1;
        break;
    default:
        rect.top += bar.Height() + 1;
        break;
    }
}

void CMainFrame::GetFreeArea(CRect& rect) const
{
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    ClientToScreen(&client);
    if (m_pControlPanel && m_pControlPanel->IsWindowVisible()) {
        CRect panel;
        m_pControlPanel->GetWindowRect(&panel);
        client.left += panel.Width() + 1;
    }
    ExcludeToolBar(client);
    if (m_wndStatusBar.m_hWnd && m_wndStatusBar.IsWindowVisible()) {
        CRect bar;
        m_wndStatusBar.GetWindowRect(&bar);
        client.bottom -= bar.Height() + 1;
    }
    rect = client;
}

LRESULT CMainFrame::OnGetFreeArea(WPARAM, LPARAM lParam)
{
    auto* pRect = reinterpret_cast<RECT*>(lParam);
    if (!pRect)
        return 0;
    CRect free;
    GetFreeArea(free);
    *pRect = free;
    return 1;
}

LRESULT CMainFrame::OnDriveKindPresent(WPARAM, LPARAM lParam)
{
    if (lParam >= 0 && lParam < 5)
        m_bDriveKind[lParam] = TRUE;
    return 0;
}

LRESULT CMainFrame::OnEthernetConfigAvailable(WPARAM, LPARAM)
{
    m_bEthernetConfigAvailable = TRUE;
    return 0;
}

LRESULT CMainFrame::OnGetStatusBarHeight(WPARAM, LPARAM)
{
    if (!m_wndStatusBar.m_hWnd || !m_wndStatusBar.IsWindowVisible())
        return 0;
    CRect bar;
    m_wndStatusBar.GetWindowRect(&bar);
    return bar.Height();
}

LRESULT CMainFrame::OnLinkChanged(WPARAM, LPARAM lParam)
{
    // The link's record is read during the send and not kept.
    const auto* pRecord = reinterpret_cast<const CCommPortData*>(lParam);
    const CString text = pRecord ? pRecord->FormatDescription(false) : CString();
    SetPaneFitted(2, text, 2);
    return 0;
}

LRESULT CMainFrame::OnRefreshDevelopmentButton(WPARAM, LPARAM)
{
    if (m_pControlPanel)
        m_pControlPanel->RefreshDevelopmentButton();
    return 0;
}

// --- Window list and menus -------------------------------------------------------------------

LRESULT CMainFrame::OnWindowListClear(WPARAM, LPARAM)
{
    m_windowList.RemoveAll();
    return 0;
}

LRESULT CMainFrame::OnWindowListAdd(WPARAM wParam, LPARAM)
{
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    if (!::IsWindow(hWnd))
        return 0;
    // The title as the system keeps it: GetWindowText would ask the
    // window's thread, which may be busy.
    WCHAR wide[81] = {};
    ::InternalGetWindowText(hWnd, wide, 81);
    char title[81] = {};
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, title, sizeof title, nullptr, nullptr);
    m_windowList.AddTail(CWindowInfo(hWnd, title));
    return 0;
}

LRESULT CMainFrame::OnWindowListDone(WPARAM, LPARAM)
{
    RebuildWindowMenu();
    return 0;
}

namespace {

HMENU FindPopupByText(HMENU hMenu, LPCSTR text)
{
    const int count = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < count; ++i) {
        char name[64] = {};
        ::GetMenuStringA(hMenu, static_cast<UINT>(i), name, sizeof name, MF_BYPOSITION);
        HMENU hSub = ::GetSubMenu(hMenu, i);
        if (hSub && ::lstrcmpiA(name, text) == 0)
            return hSub;
    }
    return nullptr;
}

} // namespace

void CMainFrame::RebuildWindowMenu()
{
    HMENU hWindow = FindPopupByText(GetMenuHandle(), "&Window");
    if (!hWindow)
        return;
    // The old entries lie at the end.
    for (int i = ::GetMenuItemCount(hWindow) - 1; i >= 0; --i) {
        const UINT id = ::GetMenuItemID(hWindow, i);
        if (id < ID_WINDOW_ENTRY_FIRST || id > ID_WINDOW_ENTRY_LAST)
            break;
        ::DeleteMenu(hWindow, static_cast<UINT>(i), MF_BYPOSITION);
    }
    const int count = ::GetMenuItemCount(hWindow);
    MENUITEMINFOA last = {};
    last.cbSize = sizeof last;
    last.fMask = MIIM_TYPE;
    const bool lastIsSeparator = count > 0 && ::GetMenuItemInfoA(hWindow, static_cast<UINT>(count - 1), TRUE, &last) &&
                                 (last.fType & MFT_SEPARATOR);
    const INT_PTR windows = m_windowList.GetCount();
    if (windows > 0 && !lastIsSeparator)
        ::AppendMenuA(hWindow, MF_SEPARATOR, 0, nullptr);
    else if (windows == 0 && lastIsSeparator)
        ::DeleteMenu(hWindow, static_cast<UINT>(count - 1), MF_BYPOSITION);
    for (INT_PTR i = 0; i < windows && i < ID_WINDOW_ENTRY_LAST - ID_WINDOW_ENTRY_FIRST + 1; ++i) {
        const CWindowInfo* pInfo = m_windowList.GetAt(i);
        if (pInfo)
            ::AppendMenuA(hWindow, MF_STRING, ID_WINDOW_ENTRY_FIRST + static_cast<UINT>(i), pInfo->m_strTitle);
    }
    DrawMenuBar();
}

LRESULT CMainFrame::OnExternalToolsChanged(WPARAM, LPARAM)
{
    BuildExternalToolsMenu(GetMenuHandle());
    DrawMenuBar();
    return 0;
}

// --- Controller messages ---------------------------------------------------------------------

void CMainFrame::ApplyControllerMessageRule()
{
    if (m_pControllerMessages && m_pControllerMessages->m_hWnd)
        m_pControllerMessages->ShowWindow(m_bShowControllerMessages && m_bConnected ? SW_SHOWNOACTIVATE : SW_HIDE);
}

LRESULT CMainFrame::OnHideControllerMessages(WPARAM, LPARAM)
{
    m_bShowControllerMessages = FALSE;
    CVQRegistry().SetShowControllerMessages(FALSE);
    ApplyControllerMessageRule();
    return 0;
}

// --- Hot keys --------------------------------------------------------------------------------

void CMainFrame::OnHotKey(UINT, UINT nKey1, UINT nKey2)
{
    // nKey1: the modifiers, nKey2: the key.
    const bool haveProject = ::IsWindow(m_hWndProject) != FALSE;
    for (int row = 0; row < 5; ++row) {
        if (kHotKeys[row].key != nKey2 || kHotKeys[row].modifiers != nKey1)
            continue;
        switch (kHotKeys[row].id) {
        case ID_HOTKEY_FOCUS:
            PostMessage(WM_SETFOCUS, 0, 0);
            break;
        case ID_HOTKEY_CONNECT:
            if (!m_bConnected && m_bReady && haveProject) {
                m_bReady = FALSE;
                PostToProject(WM_PW_CONNECT, 1);
            }
            break;
        case ID_HOTKEY_DISCONNECT:
            if (m_bConnected && m_bReady && haveProject) {
                m_bReady = FALSE;
                PostToProject(WM_PW_DISCONNECT, 1);
            }
            break;
        case ID_HOTKEY_CHECK_PROJECT:
            if (m_bConnected && m_bReady && haveProject) {
                m_bReady = FALSE;
                PostToProject(WM_PW_CHECK_PROJECT);
            }
            break;
        case ID_HOTKEY_BETA:
            if (m_bReady && haveProject)
                PostToProject(WM_OPEN_BETA_FEATURES);
            break;
        default:
            break;
        }
        return;
    }
}

// --- Commands --------------------------------------------------------------------------------

BOOL CMainFrame::E() const
{
    return C() && !(m_pControlPanel && m_pControlPanel->IsEditLocked());
}

BOOL CMainFrame::PE() const
{
    return P() && !(m_pControlPanel && m_pControlPanel->IsEditLocked());
}

BOOL CMainFrame::TakeReady()
{
    if (!m_bReady)
        return FALSE;
    m_bReady = FALSE;
    return TRUE;
}

CWnd* CMainFrame::GetBar(UINT nCommandID) const
{
    switch (nCommandID) {
    case ID_WINDOW_CONTROL_PANEL:
        return m_pControlPanel.get();
    case ID_WINDOW_TOOLBAR:
        return const_cast<CTrueColourToolBar*>(&m_wndToolBar);
    case ID_WINDOW_STATUS_BAR:
        return const_cast<CStatusBar*>(&m_wndStatusBar);
    default:
        return nullptr;
    }
}

BOOL CMainFrame::IsCommandAllowed(UINT nID)
{
    const CommandRow* pRow = CMainFrameCommands::Find(nID);
    if (!pRow)
        return TRUE;
    if (pRow->cmd.kind == Kind::Dialog && !HasDialogCreator(nID))
        return FALSE;
    if (pRow->cmd.kind == Kind::Tool && !IsToolAvailable(pRow->cmd.message))
        return FALSE;
    // The frame's own flags first: the project window is asked only when
    // they allow the command.
    switch (pRow->cmd.rule) {
    case Rule::Always:
        return TRUE;
    case Rule::R:
        return R();
    case Rule::C:
        return C();
    case Rule::N:
    case Rule::UnlockController:
        return N();
    case Rule::P:
        return P();
    case Rule::E:
        return E();
    case Rule::PE:
        return PE();
    case Rule::LockController:
        return C() && !QueryProjectWindow(WM_PW_QUERY_LOCKED);
    case Rule::Eprom:
        return E() && !(m_pControlPanel && m_pControlPanel->IsAutoStore());
    case Rule::FlashStick:
        return C() && QueryProjectWindow(WM_PW_QUERY_FLASH_STICK) != 0;
    case Rule::Ethernet:
        return C() && m_bEthernetConfigAvailable;
    case Rule::Analogue:
        return C() && QueryProjectWindow(WM_PW_QUERY_ANALOGUE_INPUTS) > 0;
    case Rule::Watch:
        return C() && QueryProjectWindow(WM_PW_QUERY_FEATURE, 0, kWatchFeature) != 0;
    case Rule::DriveCAN:
        return C() && HasCANDrives();
    case Rule::DriveSLM:
        return C() && HasSLMDrives();
    case Rule::DriveSERCOS:
        return C() && HasSERCOSDrives();
    case Rule::DriveMechatrolink:
        return C() && HasMechatrolinkDrives();
    case Rule::DrivePanasonic:
        return C() && HasPanasonicDrives();
    case Rule::AnyDrive:
        return C() && DriveToolToOpen() != 0 && IsToolAvailable(DriveToolToOpen());
    case Rule::DeleteProgram:
        return PE() && QueryProjectWindow(WM_PW_QUERY_PROGRAM_COUNT) > 0;
    case Rule::ClearMessages:
        return R() && m_pControllerMessages && m_pControllerMessages->IsWindowVisible();
    case Rule::EnableEditing:
        return C() && m_pControlPanel && m_pControlPanel->IsEditLocked();
    case Rule::ControlBar:
        return R();
    case Rule::ShowMessages:
        return C();
    case Rule::Help:
        return R() && m_pHelp && m_pHelp->IsHelpPresent();
    case Rule::BasicHelp:
        return R() && m_pHelp && m_pHelp->IsBasicHelpPresent();
    }
    return FALSE;
}

BOOL CMainFrame::OnCmdMsg(UINT nID, int nCode, void* pExtra)
{
    const CommandRow* pRow = CMainFrameCommands::Find(nID);
    if (pRow && nCode == static_cast<int>(CN_UPDATE_COMMAND_UI)) {
        auto* pCmdUI = static_cast<CCmdUI*>(pExtra);
        pCmdUI->Enable(IsCommandAllowed(nID));
        if (pRow->cmd.rule == Rule::ControlBar) {
            CWnd* pBar = GetBar(nID);
            pCmdUI->SetCheck(pBar && pBar->m_hWnd && pBar->IsWindowVisible() ? 1 : 0);
        } else if (pRow->cmd.rule == Rule::ShowMessages) {
            pCmdUI->SetCheck(m_pControllerMessages && m_pControllerMessages->IsWindowVisible() ? 1 : 0);
        }
        return TRUE;
    }
    if (pRow && nCode == CN_COMMAND) {
        if (!pExtra)
            ExecuteCommand(*pRow, nID);
        return TRUE;
    }
    return CMDIFrameWnd::OnCmdMsg(nID, nCode, pExtra);
}

BOOL CMainFrame::HasCommandHandler(UINT nID) const
{
    return CMainFrameCommands::Find(nID) != nullptr || CMDIFrameWnd::HasCommandHandler(nID);
}

void CMainFrame::ExecuteCommand(const CommandRow& row, UINT nID)
{
    switch (row.cmd.kind) {
    case Kind::Post:
        if (!::IsWindow(m_hWndProject) || (row.cmd.gated && !TakeReady()))
            return;
        PostToProject(row.cmd.message, row.cmd.wParam);
        return;
    case Kind::Send:
        if (!::IsWindow(m_hWndProject) || (row.cmd.gated && !TakeReady()))
            return;
        QueryProjectWindow(row.cmd.message, row.cmd.wParam);
        return;
    case Kind::Tool:
        OpenTool(row.cmd.message);
        return;
    case Kind::Dialog:
        RunDialogThread(nID);
        return;
    case Kind::Local:
        if (row.local)
            row.local(this, nID);
        return;
    }
}

void CMainFrame::OpenTool(UINT nToolID)
{
    if (!::IsWindow(m_hWndProject) || !IsToolAvailable(nToolID) || !TakeReady())
        return;
    PostToProject(WM_PW_OPEN_TOOL, nToolID);
}

BOOL CMainFrame::RunDialogThread(UINT nCommandID)
{
    DialogRegistration registration;
    {
        std::lock_guard<std::mutex> lock(g_dialogLock);
        auto it = DialogCreators().find(nCommandID);
        if (it == DialogCreators().end())
            return FALSE;
        registration = it->second;
    }
    CDialog* pDialog = registration.creator ? registration.creator(this, m_hWndProject) : nullptr;
    if (!pDialog)
        return FALSE;
    if (!StartDialogThread(pDialog, registration.nTemplateID, m_hWnd)) {
        delete pDialog;
        return FALSE;
    }
    return TRUE;
}

void CMainFrame::OnRecentProject(UINT nID)
{
    if (!m_bReady || !m_pRecentProjects)
        return;
    const CString path = m_pRecentProjects->GetEntry(static_cast<int>(nID - ID_RECENT_PROJECT_FIRST));
    if (!path.IsEmpty())
        QueryProjectWindow(WM_SET_PROJECT_TEXT, 0, reinterpret_cast<LPARAM>(path.GetString()));
}

void CMainFrame::OnControllerLock()
{
    if (QueryProjectWindow(WM_PW_QUERY_LOCKED)) {
        CString text, caption;
        text.LoadString(IDS_ALREADY_LOCKED);
        caption.LoadString(IDS_CONTROLLER_LOCK);
        AfxGetPromptService().Prompt(m_hWnd, text, caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    RunDialogThread(ID_CONTROLLER_LOCK);
}

void CMainFrame::OnControllerUnlock()
{
    if (QueryProjectWindow(WM_PW_QUERY_LOCKED)) {
        RunDialogThread(ID_CONTROLLER_UNLOCK);
        return;
    }
    CString text, caption;
    text.LoadString(IDS_NOT_LOCKED);
    caption.LoadString(IDS_CONTROLLER_LOCK);
    AfxGetPromptService().Prompt(m_hWnd, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

CString CMainFrame::FormatSystemSoftwareRefusal(DWORD dwLinkMask)
{
    CString text;
    text.LoadString(IDS_NO_SYSTEM_LOAD_LINK);
    if (dwLinkMask == 0)
        return text;
    static const struct {
        DWORD bit;
        UINT name;
    } kinds[] = {{1, IDS_LINK_SERIAL},   {2, IDS_LINK_USB},  {4, IDS_LINK_QCSIM},
                 {8, IDS_LINK_ETHERNET}, {16, IDS_LINK_PCI}, {32, IDS_LINK_FINS}};
    CStringArray names;
    for (const auto& kind : kinds) {
        if (dwLinkMask & kind.bit) {
            CString name;
            name.LoadString(kind.name);
            names.Add(name);
        }
    }
    CString use;
    use.LoadString(IDS_USE);
    text += "\n" + use + ": ";
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        if (i > 0)
            text += i == names.GetSize() - 1 ? " or " : ", ";
        text += names[i];
    }
    return text;
}

void CMainFrame::OnLoadSystemSoftware()
{
    if (!::IsWindow(m_hWndProject))
        return;
    DWORD mask = 0;
    if (QueryProjectWindow(WM_PW_QUERY_LOAD_SYSTEM_SOFTWARE, 0, reinterpret_cast<LPARAM>(&mask))) {
        RunDialogThread(ID_CONTROLLER_LOAD_SYSTEM);
        return;
    }
    CString caption;
    caption.LoadString(IDS_LOAD_SYSTEM_SOFTWARE);
    AfxGetPromptService().Prompt(m_hWnd, FormatSystemSoftwareRefusal(mask), caption, MB_OK | MB_ICONERROR);
}

void CMainFrame::OnEnableEditing()
{
    if (m_pControlPanel)
        m_pControlPanel->RequestEnableEditing();
}

void CMainFrame::OnProgramOperation(UINT nID)
{
    if (::IsWindow(m_hWndProject) && QueryProjectWindow(WM_PW_QUERY_TOOL_OPEN, TOOL_SELECT_PROGRAM) == 0 &&
        RunDialogThread(nID))
        return;
    m_warningBeep();
}

void CMainFrame::OnDeleteAllPrograms()
{
    if (!::IsWindow(m_hWndProject))
        return;
    CString caption, text;
    caption.LoadString(IDS_PROJECT_CAPTION);
    text.LoadString(IDS_DELETE_ALL_QUESTION);
    const SReplyMessage reply = {m_hWndProject, WM_PW_DELETE_ALL_PROGRAMS, 0, 0};
    auto* pDialog = new CConfirmationDialogEx(this, caption, text, &reply, FALSE);
    if (!pDialog->Start(m_hWnd))
        delete pDialog;
}

BOOL CMainFrame::AskToHaltPrograms()
{
    if (QueryProjectWindow(WM_PW_QUERY_PROGRAMS_RUNNING) == 0)
        return TRUE;
    CString caption, text;
    caption.LoadString(IDS_PROJECT_MANAGER);
    text.LoadString(IDS_HALT_PROGRAMS);
    if (AfxGetPromptService().Prompt(m_hWnd, text, caption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return FALSE;
    QueryProjectWindow(WM_PW_HALT_ALL);
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    for (unsigned pass = 1; !AfxClockElapsed(start, kHaltWaitMs); ++pass) {
        if (pass % 200 == 0 && QueryProjectWindow(WM_PW_QUERY_PROGRAMS_RUNNING) == 0)
            return TRUE;
        // One waiting message per pass, else a pause.
        if (!PumpOneMessage())
            clock.SleepMs(1);
    }
    return QueryProjectWindow(WM_PW_QUERY_PROGRAMS_RUNNING) == 0;
}

void CMainFrame::OnSetPowerUpMode()
{
    if (AskToHaltPrograms())
        RunDialogThread(ID_PROGRAM_POWER_UP);
}

void CMainFrame::OnAutorunPrograms()
{
    if (AskToHaltPrograms())
        QueryProjectWindow(WM_PW_AUTORUN);
}

UINT CMainFrame::DriveToolToOpen() const
{
    UINT tool = 0;
    int kinds = 0;
    for (const auto& drive : kDriveTools) {
        if (m_bDriveKind[drive.kind]) {
            if (kinds++ == 0)
                tool = drive.tool;
        }
    }
    if (kinds == 0)
        return 0;
    return kinds == 1 ? tool : TOOL_DRIVE_CHOOSER;
}

void CMainFrame::OnIntelligentDrives()
{
    if (const UINT tool = DriveToolToOpen())
        OpenTool(tool);
}

void CMainFrame::OnLanguage()
{
    auto* pApp = dynamic_cast<CVq2App*>(AfxGetApp());
    if (!pApp)
        return;
    CLanguageDialog dialog(pApp->GetLanguages(), this);
    if (dialog.DoModal() == IDOK) {
        CString text;
        text.LoadString(IDS_RESTART_FOR_LANGUAGE);
        AfxGetPromptService().Prompt(m_hWnd, text, AfxGetAppName(), MB_OK | MB_ICONINFORMATION);
    }
}

void CMainFrame::OnExternalTool(UINT nID)
{
    StartExternalTool(static_cast<int>(nID - ID_EXTERNAL_TOOL_FIRST), m_hWndProject);
}

void CMainFrame::OnArrangeWindows(UINT nID)
{
    CRect free;
    GetFreeArea(free);
    const WPARAM how = nID == ID_WINDOW_CASCADE ? 0 : nID == ID_WINDOW_TILE_HORZ ? 1 : 2;
    QueryProjectWindow(WM_PW_ARRANGE_WINDOWS, how, reinterpret_cast<LPARAM>(static_cast<RECT*>(&free)));
}

void CMainFrame::OnClearControllerMessages()
{
    if (m_pControllerMessages)
        m_pControllerMessages->ClearMessages();
}

void CMainFrame::OnToggleControllerMessages()
{
    m_bShowControllerMessages = !m_bShowControllerMessages;
    CVQRegistry().SetShowControllerMessages(m_bShowControllerMessages);
    ApplyControllerMessageRule();
}

void CMainFrame::OnToggleBar(UINT nID)
{
    CWnd* pBar = GetBar(nID);
    if (!pBar || !pBar->m_hWnd)
        return;
    const BOOL show = !pBar->IsWindowVisible();
    pBar->ShowWindow(show ? SW_SHOW : SW_HIDE);
    CVQRegistry settings;
    if (nID == ID_WINDOW_CONTROL_PANEL)
        settings.SetShowControlPanel(show);
    else if (nID == ID_WINDOW_TOOLBAR)
        settings.SetShowToolBar(show);
    else
        settings.SetShowStatusBar(show);
    RecalcLayout();
}

void CMainFrame::OnWindowEntry(UINT nID)
{
    const CWindowInfo* pInfo = m_windowList.GetAt(static_cast<INT_PTR>(nID - ID_WINDOW_ENTRY_FIRST));
    if (pInfo && ::IsWindow(pInfo->m_hWnd))
        AfxShowWindowInFront(pInfo->m_hWnd);
}

void CMainFrame::OnHelpVorta()
{
    if (m_pHelp)
        m_pHelp->ShowHelp(0);
}

void CMainFrame::OnHelpBasic()
{
    if (m_pHelp)
        m_pHelp->ShowBasicHelp(0);
}

// --- Size, close and destruction -------------------------------------------------------------

void CMainFrame::OnSize(UINT nType, int cx, int cy)
{
    CMDIFrameWnd::OnSize(nType, cx, cy);
    if (m_bPlacementRestored && !m_bDestroying) {
        CVQRegistry settings;
        if (settings.GetRestoreMainWindowAtStart() && nType != SIZE_MINIMIZED) {
            WINDOWPLACEMENT placement = {};
            placement.length = sizeof placement;
            if (GetWindowPlacement(&placement))
                settings.SetMainWindowPlacement(placement);
        }
    }
    if (m_pControlPanel && m_pControlPanel->m_hWnd)
        m_pControlPanel->Invalidate();
    if (m_pBackground && m_pBackground->m_hWnd)
        m_pBackground->Invalidate();
}

void CMainFrame::OnWindowPosChanged(WINDOWPOS* lpwndpos)
{
    CMDIFrameWnd::OnWindowPosChanged(lpwndpos);
    // The frame came to the top (activated, or brought there after an
    // operation): the tool windows and dialogs it owns must not stay hidden
    // behind it. Without a window manager nothing else raises them.
    // The raise waits a moment, until the frame's own move has reached the
    // display.
    if (!(lpwndpos->flags & SWP_NOZORDER) && !m_bDestroying)
        SetTimer(kRaiseOwnedTimer, kRaiseOwnedDelayMs);
}

void CMainFrame::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
{
    CMDIFrameWnd::OnActivate(nState, pWndOther, bMinimized);
    // Activated (a click on its menu or toolbar, or a dialog of its own
    // that closed), the frame is raised on the display even when it was
    // first in the z-order already.
    if (nState != WA_INACTIVE && !bMinimized && !m_bDestroying)
        SetTimer(kRaiseOwnedTimer, kRaiseOwnedDelayMs);
}

namespace {

BOOL CALLBACK CollectOwnedWindow(HWND hWnd, LPARAM lParam)
{
    auto* owned = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(lParam);
    if (::GetWindow(hWnd, GW_OWNER) == owned->first && ::IsWindowVisible(hWnd) && !::IsIconic(hWnd))
        owned->second.push_back(hWnd);
    return TRUE;
}

} // namespace

LRESULT CMainFrame::OnRaiseOwnedWindows(WPARAM, LPARAM)
{
    // Top first; raised bottom first, so that they keep their order. A
    // window of a busy thread is not waited for.
    std::pair<HWND, std::vector<HWND>> owned(m_hWnd, {});
    ::EnumWindows(CollectOwnedWindow, reinterpret_cast<LPARAM>(&owned));
    for (auto it = owned.second.rbegin(); it != owned.second.rend(); ++it)
        ::SetWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    return 0;
}

void CMainFrame::WaitPumping(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (!done() && !AfxClockElapsed(start, timeoutMs)) {
        if (!AfxPumpMessages() || !m_hWnd)
            return;
        if (done())
            return;
        clock.SleepMs(pollMs);
    }
}

void CMainFrame::OnClose()
{
    if (m_bCloseUnderWay)
        return;
    const bool haveProject = ::IsWindow(m_hWndProject) != FALSE;
    if (m_bOperationInProgress || (!m_bReady && haveProject)) {
        m_warningBeep();
        return;
    }
    m_bCloseUnderWay = TRUE;
    const HWND hWndSelf = m_hWnd;
    if (haveProject) {
        if (m_bConnected) {
            // The wait ends on the project window's own report (0x810E to
            // the frame) once it is no longer busy disconnecting; an
            // answer to 0x8144 alone could predate the posted request.
            PostToProject(WM_PW_DISCONNECT, 2);
            WaitPumping(
                [this] {
                    return !::IsWindow(m_hWndProject) ||
                           (!m_bConnected && QueryProjectWindow(WM_PW_QUERY_DISCONNECT_BUSY) == 0);
                },
                kCloseWaitMs, 100);
        } else {
            PostToProject(WM_PW_CLEAR_DESKTOP);
            WaitPumping([this] { return QueryProjectWindow(WM_PW_QUERY_REGISTERED_COUNT) < 1; }, kCloseWaitMs, 100);
        }
        if (!::IsWindow(hWndSelf))
            return;
        // Let what the project window posted meanwhile arrive.
        for (int pause = 0; pause < 50 && ::IsWindow(hWndSelf); ++pause) {
            if (!AfxPumpMessages())
                break;
            AfxGetClock().SleepMs(10);
        }
    }
    if (::IsWindow(hWndSelf))
        ::PostMessageA(hWndSelf, WM_DESTROY_REQUEST, 0, 0);
}

LRESULT CMainFrame::OnDestroyRequest(WPARAM, LPARAM)
{
    if ((m_bConnected || m_bOperationInProgress) && m_nDeferredDestroys < kMaxDeferredDestroys) {
        GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"MainFrame\" (%d)", 1);
        DeferDestroy();
        return 0;
    }
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"MainFrame\" (%d)", 0);
    DestroyWindow();
    return 0;
}

void CMainFrame::DeferDestroy()
{
    ++m_nDeferredDestroys;
    SetTimer(kDeferredDestroyTimer, kDeferredDestroyMs);
}

void CMainFrame::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kRaiseOwnedTimer) {
        KillTimer(kRaiseOwnedTimer);
        OnRaiseOwnedWindows(0, 0);
        return;
    }
    if (nIDEvent == kDeferredDestroyTimer) {
        KillTimer(kDeferredDestroyTimer);
        OnDestroyRequest(0, 0);
        return;
    }
    CMDIFrameWnd::OnTimer(nIDEvent);
}

BOOL CMainFrame::OnQueryEndSession()
{
    DestroyWindow();
    return TRUE;
}

void CMainFrame::OnDestroy()
{
    m_bDestroying = TRUE;
    KillTimer(kDeferredDestroyTimer);
    KillTimer(kRaiseOwnedTimer);
    CLogFile& log = GetGlobalLog();
    log.LogLine("Log closed", LOG_LINK);
    if (log.IsOpen())
        log.Close();
    log.SetEnabled(FALSE);

    for (int row = 0; row < 5; ++row)
        if (m_bHotKey[row])
            ::UnregisterHotKey(m_hWnd, static_cast<int>(kHotKeys[row].id));

    if (m_pControlPanel)
        m_pControlPanel->MainFrameClosing();

    if (::IsWindow(m_hWndProject)) {
        const HWND hWndProject = m_hWndProject;
        ::PostMessageA(hWndProject, WM_PW_SHUT_DOWN, 0, 0);
        WaitPumping([this] { return QueryProjectWindow(WM_PW_QUERY_SHUTDOWN_BUSY) == 0; }, kCloseWaitMs, 100);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(hWndProject, WM_DESTROY_REQUEST, 0, 0, SMTO_NORMAL, kQueryTimeoutMs, &ignored);
    }
    if (m_hProjectThread) {
        // The project window's thread ends once its window went.
        IClock& clock = AfxGetClock();
        const std::uint64_t start = clock.NowMs();
        while (::MsgWaitForMultipleObjects(1, &m_hProjectThread, FALSE, 0, QS_ALLINPUT) != WAIT_OBJECT_0 &&
               !AfxClockElapsed(start, kProjectThreadWaitMs)) {
            AfxPumpMessages();
            clock.SleepMs(10);
        }
    }
    delete m_pRecentProjects;
    m_pRecentProjects = nullptr;
    delete m_pHelp;
    m_pHelp = nullptr;
    if (auto* pApp = dynamic_cast<CVq2App*>(AfxGetApp()))
        if (pApp->GetMainFrame() == this)
            pApp->SetMainFrame(nullptr);
    CMDIFrameWnd::OnDestroy();
}
