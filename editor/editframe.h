// CEditRFrame: the frame window of one open program, on a user-interface
// thread of its own. It holds one CEditRDoc and one CEditRView, registers
// with the project window as tool 1024, carries the status bar and toolbar,
// and is the end point of everything the controller sends back about the
// program: every changed line goes to the controller as a line command and
// the controller's echo (the line as it stored it) comes back here and
// replaces the editor's line. It also sends RUN, STEPLINE and STOP for its
// program, keeps the controller's breakpoints in step with the marks of the
// lines, and hands names to the watch window.
//
// Replies arrive on the link's thread (OnReply); they are only copied into
// the reply queue there and handled on the frame's own thread (0x81C6). An
// echo carries the identity and the text of the line that was sent: it is
// applied only while that line exists and still holds that text.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "editor/editdoc.h"
#include "editor/editrecords.h"
#include "editor/editview.h"
#include "editor/runstate.h"
#include "framework/frame.h"
#include "framework/statusbar.h"
#include "framework/toolbar.h"
#include "link/channelset.h"
#include "link/controllermessage.h"
#include "link/messagesender.h"
#include "link/vexoreply.h"
#include "shell/truecolourtoolbar.h"

namespace editor {

constexpr UINT kToolIdEditor = 1024;
constexpr UINT kToolIdWatch = 1045;

// Frame messages.
constexpr UINT kMsgRegisterTool = 0x8103;
constexpr UINT kMsgUnregisterTool = 0x8104;
constexpr UINT kMsgReplyClass = 0x8105;
constexpr UINT kMsgDestroyRequest = 0x8108;
constexpr UINT kMsgCancelGauge = 0x8112;
constexpr UINT kMsgProgramRecord = 0x8120;
constexpr UINT kMsgAnyRunning = 0x8126;
constexpr UINT kMsgStatusKind = 0x8127;
constexpr UINT kMsgStatusRecord = 0x8128;
constexpr UINT kMsgProgramName = 0x8132;
constexpr UINT kMsgSaveRequest = 0x8135;
constexpr UINT kMsgProcessStatus = 0x8136;
constexpr UINT kMsgRestorePlacement = 0x8147;
constexpr UINT kMsgSavePlacement = 0x8148;
constexpr UINT kMsgOpenTool = 0x814C;
constexpr UINT kMsgRunningOff = 0x8159;
constexpr UINT kMsgRunningOn = 0x815A;
constexpr UINT kMsgSendPending = 0x815C;
constexpr UINT kMsgCompile = 0x815D;
constexpr UINT kMsgStartupRequest = 0x815F;
constexpr UINT kMsgMarkLine = 0x8161;
constexpr UINT kMsgWindowListChanged = 0x8167;
constexpr UINT kMsgStartup = 0x817E;
constexpr UINT kMsgSettingsChanged = 0x817F;
constexpr UINT kMsgPowerUpActive = 0x8189;
constexpr UINT kMsgWatchWindowOf = 0x819C;
constexpr UINT kMsgWatchWindow = 0x819E;
constexpr UINT kMsgWatchItem = 0x819F;
constexpr UINT kMsgProcessOf = 0x81A7;
constexpr UINT kMsgReplyQueue = 0x81C6;
constexpr UINT kMsgProgramType = 0x81C9;
constexpr int kFeatureWatch = 5;

// Commands.
enum : UINT {
    ID_EDITOR_GOTO = 32802,
    ID_EDITOR_FIND_NEXT = 32801,
    ID_EDITOR_DELETE = 32800,
    ID_EDITOR_COPY = 57634,
    ID_EDITOR_CUT = 57635,
    ID_EDITOR_PASTE = 57637,
    ID_EDITOR_SELECT_ALL = 32803,
    ID_EDITOR_RUN = 32794,
    ID_EDITOR_STEP = 32795,
    ID_EDITOR_STOP = 32796,
    ID_EDITOR_TOGGLE_BREAKPOINT = 32798,
    ID_EDITOR_CLEAR_BREAKPOINTS = 32792,
    ID_EDITOR_CLOSE = 32818,
    ID_EDITOR_SAVE = 32832,
    ID_EDITOR_COMPILE = 32910,
    ID_EDITOR_SELECT_WORD = 32987,
    ID_EDITOR_SELECT_LINE = 32988,
    ID_EDITOR_DELETE_WORD = 32989,
    ID_EDITOR_DELETE_LINE = 32990,
    ID_EDITOR_REFORMAT = 33034,
    ID_EDITOR_ADD_WATCH = 33038,
    ID_EDITOR_STATUS_BAR = 32975,
    ID_EDITOR_TOOLBAR = 32979,
    ID_EDITOR_UNDO = 57643,
    ID_EDITOR_REDO = 57644,
    ID_EDITOR_FIND = 57636,
    ID_EDITOR_REPLACE = 57641,
    ID_EDITOR_PRINT = 32827,
    ID_EDITOR_PRINT_SETUP = 32829,
    ID_EDITOR_PAGE_SETUP = 32993,
};

// Command ids of the controller command table the frame sends.
constexpr int kCommandRun = 2;
constexpr int kCommandStop = 3;
constexpr int kCommandStepLine = 4;
constexpr int kCommandLineCount = 22; // "&N": the selected program's lines
constexpr int kCommandPowerUpQuery = 0x21;
constexpr int kCommandBreakAdd = 0x96;
constexpr int kCommandBreakList = 0x97;
constexpr int kCommandBreakDelete = 0x98;
constexpr int kCommandBreakReset = 0x99;

// The watch window takes the program's VariableTable with 0x819F, wParam 5
// (sent): every name with the program that uses it.

// Where the frame's own data lies in the window layout record: the
// program name at byte 40, the view state behind it.
constexpr size_t kPlacementNameOffset = 40;
constexpr size_t kPlacementViewOffset = 56;

// One queued reply: a full copy of the message and the line that was sent
// last when it arrived (its identity and the text sent).
struct CEditorReply {
    ControllerMessage message;
    std::uint64_t lineSerial = 0; // 0: none
    int lineIndex = -1;           // where the line stood when it was sent
    std::string lineText;
};

class CEditRFrame : public CFrameWnd,
                    public CVexoReply,
                    private ILineCommandSink,
                    private IEditViewHost,
                    private IRunStateObserver {
    DECLARE_DYNCREATE(CEditRFrame)
public:
    // Creates the frame's window at once (the project window makes the
    // object on the frame's own thread); m_hWnd stays null when creation
    // failed, and the creator deletes the object then.
    CEditRFrame();
    ~CEditRFrame() override;

    CEditRDoc* GetDocument() const { return m_pDocument; }
    CEditRView* GetView() const;
    int GetCompileState() const { return m_nCompileState; }
    CString GetPaneText(int pane) const;
    bool IsRegistered() const { return m_bRegistered; }

    // CVexoReply: on the link's thread.
    void OnReply(ControllerMessage* message) override;

    // Controller commands of the program (also the menu commands).
    void Run();
    void StepLine();
    void Stop();
    // The Run of some editor is being sent (one flag for the process).
    static bool IsRunInProgress();

    // The process-wide wait for the watch window is this long.
    static constexpr DWORD kWatchWaitMs = 8000;

    // The status bar's prompt of a command, from the frame's command table.
    void GetMessageString(UINT nID, CString& rMessage) const override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    // The toolbar's tips, from the frame's command table.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnDestroy();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);
    void PostNcDestroy() override;
    LRESULT OnReplyClass(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnCancelGauge(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramRecord(WPARAM wParam, LPARAM lParam);
    LRESULT OnStatusRecord(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramName(WPARAM wParam, LPARAM lParam);
    LRESULT OnProcessStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnRestorePlacement(WPARAM wParam, LPARAM lParam);
    LRESULT OnSavePlacement(WPARAM wParam, LPARAM lParam);
    LRESULT OnRunningOff(WPARAM wParam, LPARAM lParam);
    LRESULT OnRunningOn(WPARAM wParam, LPARAM lParam);
    LRESULT OnSendPending(WPARAM wParam, LPARAM lParam);
    LRESULT OnStartupRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnMarkLine(WPARAM wParam, LPARAM lParam);
    LRESULT OnStartup(WPARAM wParam, LPARAM lParam);
    LRESULT OnSettingsChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaretMoved(WPARAM wParam, LPARAM lParam);
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    LRESULT OnWatchWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnReplyQueue(WPARAM wParam, LPARAM lParam);
    LRESULT OnSaveRequest(WPARAM wParam, LPARAM lParam);
    void OnRunCommand() { Run(); }
    void OnStepCommand() { StepLine(); }
    void OnStopCommand() { Stop(); }
    void OnCloseCommand() { PostMessage(WM_CLOSE); }
    void OnSaveCommand();
    void OnCompileCommand();
    void OnReformat();
    void OnToggleBreakpoint();
    void OnClearBreakpoints();
    void OnAddWatch();
    void OnUndo();
    void OnCopy();
    void OnCut();
    void OnPaste();
    void OnClear();
    void OnUpdateCopy(CCmdUI* pCmdUI);
    void OnUpdateCut(CCmdUI* pCmdUI);
    void OnUpdatePaste(CCmdUI* pCmdUI);
    void OnRedo();
    void OnSelectAll();
    void OnSelectLine();
    void OnSelectWord();
    void OnDeleteLine();
    void OnDeleteWord();
    void OnToggleBar(UINT nID);
    void OnUpdateSave(CCmdUI* pCmdUI);
    void OnUpdateRunStop(CCmdUI* pCmdUI);
    void OnUpdateStep(CCmdUI* pCmdUI);
    void OnUpdateBreakpoints(CCmdUI* pCmdUI);
    void OnUpdateCompile(CCmdUI* pCmdUI);
    void OnUpdateReformat(CCmdUI* pCmdUI);
    void OnUpdateUndo(CCmdUI* pCmdUI);
    void OnUpdateRedo(CCmdUI* pCmdUI);
    void OnUpdateEditable(CCmdUI* pCmdUI);
    void OnUpdateAddWatch(CCmdUI* pCmdUI);
    void OnUpdateBar(CCmdUI* pCmdUI);
    // Find, Replace, Goto, Find Next (editframesearch.cpp).
    void OnFind();
    void OnReplace();
    void OnGoto();
    void OnFindNext();
    void OnUpdateFindNext(CCmdUI* pCmdUI);
    // Print, Print Setup, Page Setup.
    void OnPrint();
    void OnPrintSetup();
    void OnPageSetup();
    void RunFindDialog(bool replace);
    DECLARE_MESSAGE_MAP()

private:
    // ILineCommandSink: the document's line commands.
    void SendLineCommand(int commandId, const std::string& argument) override;
    // IEditViewHost.
    bool InlineBreakpoints() override;
    void ToggleInlineBreakpoint(int line) override;
    void ClearInlineBreakpoints() override;
    bool SendInProgress() override { return m_nBusy > 0; }
    int ProgramType() override { return m_nProgramType; }
    // IRunStateObserver.
    void CompileStateChanged(int state) override;
    void CurrentLineChanged(int line) override;
    void EditStateChanged(int state) override;

    // One controller command of this frame, the busy count raised around it.
    bool SendCommand(int commandId, const std::string& argument);
    bool SendCommand(const CommandItem& command);
    void ResendBreakpoints();
    void SendPendingLines();
    void ApplyEcho(const CEditorReply& reply);
    void ShowCompileState();
    void UpdateTitle();
    void UpdateCaretPane();
    bool ProjectLive() const { return m_hWndProject && ::IsWindow(m_hWndProject); }
    LRESULT AskProject(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool HasFeature(int feature) const;
    // Raises the busy count for its life; the last one to go hands the
    // replies that came meanwhile to the queue's handler.
    class CBusy {
    public:
        explicit CBusy(CEditRFrame& frame) : m_frame(frame) { ++m_frame.m_nBusy; }
        ~CBusy() { m_frame.LowerBusy(); }
        CBusy(const CBusy&) = delete;
        CBusy& operator=(const CBusy&) = delete;

    private:
        CEditRFrame& m_frame;
    };
    void LowerBusy();
    // The program type's capability column (11 run and stop, 12 step and
    // breakpoints, 15 compile, 17 reformat), with the project feature the
    // type needs when the project window is there to ask.
    bool TypeAllows(int column) const;

    CStatusBar m_statusBar;
    CTrueColourToolBar m_toolBar;
    int m_nCompileState = 0;
    int m_nProgramType = -1; // from the project window; -1 none
    bool m_bCreated = false;
    bool m_bRegistered = false;
    bool m_bDocumentOpened = false;
    bool m_bWatchFeature = false;
    HWND m_hWndProject = nullptr;
    CEditRDoc* m_pDocument = nullptr; // owned
    std::unique_ptr<SWindowParameters> m_pPlacement;
    HMENU m_hContextMenu = nullptr;
    CMessageSender m_sender;     // "EditFrame": RUN, STOP, breakpoints
    CMessageSender m_lineSender; // "EditDoc": the document's line commands
    bool m_bDestroyRequested = false;
    int m_nBusy = 1;
    bool m_bRepliesWaiting = false; // the queue came while a send was in progress
    HWND m_hWndWatch = nullptr;
    bool m_bVariablesChanged = true;
    std::atomic<int> m_nBreakpointLine{-1};
    std::atomic<int> m_nLineCount{-1}; // the answer to "&N"
    // The last Find or Replace, for Find Next; one of the dialogs at a time.
    std::string m_findText;
    bool m_bFindUp = false;
    bool m_bFindMatchCase = false;
    bool m_bDialogOpen = false;

    // Shared with the link's thread.
    std::timed_mutex m_replyLock;
    std::deque<CEditorReply> m_replies;
    std::mutex m_sentLock;
    std::uint64_t m_sentSerial = 0;
    int m_sentIndex = -1;
    std::string m_sentText;
    std::mutex m_breakListLock;
    std::vector<std::string> m_breakList;
};

} // namespace editor
