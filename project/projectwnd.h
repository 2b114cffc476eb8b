// CProjectWnd: the hidden hub window of the development environment. It
// owns the open project, the controller connection and the registry of
// tool windows, and it is the one place through which tool windows, the
// main frame and worker threads reach the controller and the project.
//
// It lives on a user-interface thread of its own (CVexoThread, started by
// the main frame); its handlers run there. Other threads reach it by
// messages, except what the connection calls through IProjectWindow
// (replies, packets, status lines and tool requests arrive on the link's
// receive thread, a transaction worker or a tool's thread).
//
// The work is spread over several files, one per concern:
//   projectwnd.cpp          creation, start-up, shut-down, message table
//   projectwnd_registry.cpp tool-window registry, requests, packet
//                           delivery, broadcasts, the tool launcher
//   projectwnd_commands.cpp command runner and controller queries
//   projectwnd_replies.cpp  replies to the window's own commands, the
//                           process status list
//   projectwnd_errors.cpp   controller error reports
//   projectwnd_programs.cpp the controller's program list, the editors
//                           and the program commands
//   projectwnd_operations.cpp the tools' program operations, queued
// and, for the connection's life and the saved layout:
//   projectwnd_connection.cpp the search and simulator start, connect and
//                           disconnect, layout save and restore and the
//                           hardware scan, through their own classes
//                           (projectsearch, projectconnect, projectlayout,
//                           hardwarescan) over the window as their hub.
// Every projectwnd*.cpp in this folder is built into the library.
//
// Waits on the window's thread serve sent messages (a tool registering or
// a dialog asking meanwhile never deadlocks with it); waits of seconds
// take their time from the clock seam. Requests that must wait are posted
// again by a timer (DeferMessage), never by sleeping in the handler.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/containers.h"
#include "framework/collections.h"
#include "framework/cstring.h"
#include "framework/datetime.h"
#include "framework/wnd.h"
#include "link/channelset.h"
#include "link/controllerconnection.h"
#include "link/programdata.h"
#include "link/projectwindow.h"
#include "project/programoperation.h"
#include "project/projectfile.h"
#include "project/projecthub.h"
#include "project/projectwndmessages.h"

class CCheckProject;
class CErrorDialog;
class CKWProject;
class CTableList;
class CSplashScreen;
class CVexoReply;

class CProjectWnd : public CWnd, public IProjectWindow {
    DECLARE_DYNCREATE(CProjectWnd)
public:
    // One registered tool window.
    struct CToolRecord {
        HWND hWnd = nullptr;
        int toolId = 0;
        int replyMode = 0;   // 0..5 from the reply class; 4 owns the link exclusively
        int replyClass = -1; // the answer to the class query; -1 before it
        CChannelSet channels;
        char name[16] = {};  // program of an editor frame
        int process = -1;    // process that runs the program; -1 none
        int reservedId = -1;
        int listed = 0;      // shown in the main frame's "Window" list
        CVexoReply* reply = nullptr;

        void SetName(LPCSTR text);
    };

    // Tool launcher: a tool's library registers how its window is made.
    // The creator gets the project window and the channel (0 when none was
    // chosen) and answers whether a window was created. windowClass, when
    // given, is the class a registered window of the id must be to count as
    // "already open" (two tools share id 1028).
    using ToolCreator = std::function<BOOL(CProjectWnd& project, int channel)>;
    static void RegisterToolCreator(UINT toolId, ToolCreator creator, const CRuntimeClass* windowClass = nullptr);
    static void ClearToolCreators();
    // Whether a tool's library has registered how its window is made.
    static bool HasToolCreator(UINT toolId);

    // Test seams, set before the window is made.
    // Runs on every connection the window makes (a link factory, say).
    static void SetConnectionSetup(std::function<void(CControllerConnection&)> setup);
    // The keys held at start-up (Shift, Ctrl); by default the keyboard's.
    static void SetKeyStateSource(std::function<bool(int virtualKey)> source);
    // The time of day of texts that show it; by default the system's.
    static void SetTimeSource(std::function<CTime()> source);
    // The command line; by default the application's.
    static void SetCommandLineSource(std::function<CString()> source);

    CProjectWnd();
    ~CProjectWnd() override;

    // Makes the hidden window (child of parent, id 1035).
    virtual BOOL Create(CWnd* pParent);

    // IProjectWindow.
    HWND GetProjectWindowHandle() override { return m_hWnd; }
    BOOL ProcessMessage(const ControllerMessage* message) override;
    void DispatchReplyToWindow(ControllerMessage* message) override;
    void OnCompileMessage(LPCSTR text, int commandId) override;
    void LockRegistry() override;
    void UnlockRegistry() override;
    bool LookupRegisteredWindow(HWND window) override;
    void OnControllerReply(ControllerMessage* message) override;
    bool IsReplyDispatchBlocked() override { return m_nDispatchBlocked.load() != 0; }
    void AddErrorText(LPCSTR text) override;
    void NotifyControlPanelProgram(LPCSTR program) override;
    void SetProcessStatus(int process, int status, int line, int error, LPCSTR text) override;
    void SetProgramStatusByName(int process, LPCSTR program) override;

    CControllerConnection& GetConnection() { return *m_pConnection; }
    CProjectFile& GetProjectFile() { return m_projectFile; }
    BOOL IsProjectOpen();
    BOOL IsConnected() const { return m_bConnected.load(); }
    BOOL IsClosing() const { return m_bClosing.load(); }
    BOOL IsDisconnecting() const { return m_bDisconnecting.load(); }
    HWND GetMainFrameWindow() const { return m_hWndMainFrame; }
    HWND GetControlPanelWindow() const { return m_hWndControlPanel; }
    // The error list's entries so far, in order (what AddErrorText got).
    std::vector<std::string> GetErrorEntries() const;

    // ---- Busy count, busy indication, transaction hold: scope guards.
    class CBusy {
    public:
        explicit CBusy(CProjectWnd& project);
        ~CBusy();
        CBusy(const CBusy&) = delete;
        CBusy& operator=(const CBusy&) = delete;

    private:
        CProjectWnd& m_project;
    };
    // Sends busy on (0x814D) to the main frame unless it is shown already;
    // the one that showed it sends busy off (0x814E) when it ends.
    class CBusyIndication {
    public:
        explicit CBusyIndication(CProjectWnd& project);
        ~CBusyIndication();
        CBusyIndication(const CBusyIndication&) = delete;
        CBusyIndication& operator=(const CBusyIndication&) = delete;

    private:
        CProjectWnd& m_project;
        bool m_bShown = false;
    };
    class CTransactionHold {
    public:
        explicit CTransactionHold(CControllerConnection& connection);
        ~CTransactionHold();
        CTransactionHold(const CTransactionHold&) = delete;
        CTransactionHold& operator=(const CTransactionHold&) = delete;

    private:
        CControllerConnection& m_connection;
    };
    int GetBusyCount() const { return m_nBusy.load(); }

    // ---- Main frame and control panel (nothing without them).
    LRESULT SendToMainFrame(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostToMainFrame(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendToControlPanel(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostToControlPanel(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void BusyOn() { SendToMainFrame(PWM_BUSY); }
    void BusyOff() { PostToMainFrame(PWM_READY); }

    // ---- Waits on this thread: serve messages, sleep on the clock seam.
    // Waits until done() or timeoutMs (clock) have passed; true when done.
    bool WaitServing(const std::function<bool()>& done, DWORD timeoutMs);
    // Posts the message again to this window after delayMs (a timer).
    void DeferMessage(UINT message, WPARAM wParam, LPARAM lParam, UINT delayMs = 10);
    // The same for a message whose lParam is a text (or null): the text is
    // copied now, and the message runs later with the copy.
    void DeferTextMessage(UINT message, WPARAM wParam, LPCSTR text, UINT delayMs = 10);

    // ---- Registry (projectwnd_registry.cpp).
    // A copy of the record of a registered window (the control panel's
    // first); false when the window is not registered.
    bool FindToolRecord(HWND window, CToolRecord& record);
    std::vector<CToolRecord> GetToolRecords();
    int CountToolWindows(int toolId); // -1: all
    // Closes one window (destroy request), waiting until it unregistered
    // or 12 s passed; removes a record still there. True when gone.
    bool CloseToolWindow(HWND window, bool wait = true);
    // Closes every window but the exclusive-link owner and those of
    // keepToolId (0: none).
    void CloseAllWindows(UINT keepToolId = 0);
    int CloseToolWindowsOfId(UINT toolId);
    BOOL CloseEditor(LPCSTR program);
    BOOL BringToolToFront(UINT toolId);
    // Sends message to every selected window (see the .cpp).
    void Broadcast(UINT message, WPARAM wParam, LPARAM lParam, UINT toolIdFilter = 0, LPCSTR nameFilter = nullptr,
                   bool editorChosenOnly = false);
    void RebuildWindowList();
    // The tool launcher (0x814C, 0x81DC).
    BOOL OpenTool(UINT toolId, int channel);
    // Creates a window of a tool id through its creator; false (logged)
    // when no creator is registered.
    BOOL CreateTool(UINT toolId, int channel);
    // The fast-load engine's hand-over: closes all windows but keepToolId,
    // suspends the link's receive thread; the link or null.
    CComms* HandOverLink(UINT keepToolId);
    // An editor-open request waiting for the editor frame that registers.
    void QueueEditorOpen(LPCSTR program, WPARAM first, LPARAM second);
    // Pending restore record (layout restore): while set, only a window
    // of its tool id registers, and takes it.
    void SetPendingRestore(const SWindowParameters* record);
    bool IsRestorePending();

    // ---- Command runner and queries (projectwnd_commands.cpp).
    // One command of a run: its id and the argument its kind needs.
    struct Command {
        Command(int id) : id(id) {}
        Command(int id, int value) : id(id), value(value), hasValue(true) {}
        Command(int id, LPCSTR text) : id(id), text(text ? text : ""), hasText(true) {}
        int id;
        int value = 0;
        bool hasValue = false;
        CString text;
        bool hasText = false;
    };
    // Runs the commands in order as transactions of the connection; stops
    // at the first failure. 1 when all succeeded (a run of none too), 0
    // while closing.
    BOOL RunControllerCommands(std::initializer_list<Command> commands);
    BOOL RunControllerCommands(const std::vector<Command>& commands);
    // One command with the integer or text argument its kind takes.
    BOOL RunControllerCommand(int commandId, int integer, LPCSTR text);
    int ReadServoPeriod();
    int GetAxisCountAtServoPeriod();
    int GetIOCount(UINT message, BOOL refresh);
    BOOL SetRunType(int process, LPCSTR name);
    BOOL StopProgram(LPCSTR name, int process);
    BOOL TraceOff(LPCSTR name, int process);
    BOOL RefreshProcesses();
    void RefreshControlPanel();

    // ---- Replies and process status (projectwnd_replies.cpp).
    struct ReplyValues {
        int programCount = 0;
        CString currentLine;
        int programSize = 0;
        int programCrc = 0;
        int axisType = 0;
        int tableSize = 0;
        std::vector<std::string> axisValueLines;
        std::vector<double> tableValues;
        double vrValue = 0.0;
        int watchdog = 0;
        int freeMemory = 0;
        int slotType = 0;
        int flashStick = 0;
        int memoryCard = 0;
        CString lastEpromReply;
        CString selectedProgram; // the answer to "&C"
        std::vector<DirectoryReplyRecord> directory;
    };
    ReplyValues GetReplyValues();
    void ClearReplyValues();
    int GetServoPeriod() const { return m_nServoPeriod.load(); }
    int GetDigitalIOCount() const { return m_nDigitalIO.load(); }
    int GetAnalogueInCount() const { return m_nAnalogueIn.load(); }
    int GetAnalogueOutCount() const { return m_nAnalogueOut.load(); }
    // The process status list.
    std::vector<CProcessData> GetProcesses();
    void ClearProcesses();
    BOOL CanRunProgramOperations();
    static CString GetStatusName(int status);

    // ---- Program list, editors and program commands
    // (projectwnd_programs.cpp).
    // The connection's program list brought to the controller's directory
    // ("DIR X"); notify tells the control panel and every window of each
    // program (0x8120). A refresh asked for while one runs is queued once
    // (1). A failed directory read keeps the list as it was (0).
    BOOL RefreshProgramList(BOOL notify);
    // "DIR X" whose names must all be program names, then the list
    // synchronised and the processes read again; 1 outside channel mode.
    BOOL ReadProgramDirectory();
    // Opens (or brings up) the editor frame of a program; 1 also for a
    // type that needs no editor.
    BOOL OpenEditor(LPCSTR program, int type, BOOL run, int process);
    // Queues the editor-open request (first, second: the frame's start-up
    // step and process) and creates an editor frame, which takes it when it
    // registers; a request no frame took leaves the queue.
    BOOL CreateEditorFrame(LPCSTR program, WPARAM first, LPARAM second);
    // Whether the controller's copy of the program is the project's (their
    // check values agree); when not and ask is set, the program-check
    // question opens on a thread of its own.
    BOOL CheckProgramCopy(LPCSTR program, BOOL ask);
    // The check values of the controller's copy ("&Z", "&X") and of the
    // project's file; 1 with both 0 for a type without them.
    BOOL ReadControllerProgramCrc(LPCSTR program, int type, unsigned& crc, unsigned& second);
    BOOL ReadProjectProgramCrc(LPCSTR program, int type, unsigned& crc, unsigned& second);
    BOOL RunProgram(LPCSTR program, int process);
    BOOL StepProgram(LPCSTR program, int process);
    BOOL CompileProgram(LPCSTR program, int type);
    void CompileAllPrograms();
    // Closes every editor frame of the program (empty: every editor).
    void CloseEditors(LPCSTR program);
    BOOL OpenIECProject(LPCSTR program);
    BOOL CompileIECProject(LPCSTR program);
    // Whether the process list has a record of the program.
    bool HasProcessStatus(LPCSTR program);
    // The program operations of the tools (0x812B, 0x812D, 0x815D), run
    // one at a time by 0x81E7 (projectwnd_operations.cpp).
    void QueueProgramOperation(const CProgramOperationData& operation);
    BOOL RunProgramOperation(const CProgramOperationData& operation);
    // From any thread.
    int CountQueuedOperations() const { return m_nQueuedOperations.load(); }
    // Queued ones and the one running; from any thread.
    int CountUnfinishedOperations() const { return m_nUnfinishedOperations.load(); }

    // ---- Search and simulator start (defined with the search).
    BOOL SearchController(int showScreen, int simulator);
    BOOL TryLink(const CCommPortData& link);
    int ChooseLink(BOOL apply);
    BOOL StartSimulator();
    BOOL OpenSelectedLink(int index);

    // ---- Connect and disconnect (defined with the connect).
    // The connect request (0x810B): the search, then the post-connect
    // steps; the connected flag.
    BOOL Connect(WPARAM parameter);
    BOOL PostConnect(int extras, int autoResolve);
    // 1 when it disconnected, 0 when there was nothing to do.
    int Disconnect(UINT keepToolId, int reason);
    LRESULT OnConnectRequest(WPARAM wParam, LPARAM lParam);          // 0x810B
    LRESULT OnConnectWithProject(WPARAM wParam, LPARAM lParam);      // 0x810C
    LRESULT OnDisconnectRequest(WPARAM wParam, LPARAM lParam);       // 0x810E
    LRESULT OnApplyLink(WPARAM wParam, LPARAM lParam);               // 0x8124
    LRESULT OnLockRequest(WPARAM wParam, LPARAM lParam);             // 0x8156
    LRESULT OnSearchSimulator(WPARAM wParam, LPARAM lParam);         // 0x81A1
    LRESULT OnHandOverLink(WPARAM wParam, LPARAM lParam);            // 0x81BD
    LRESULT OnLinkFailed(WPARAM wParam, LPARAM lParam);              // 0x81D5

    // ---- Layout (defined with the layout).
    // Collects the open windows' records into the layout list.
    void CollectLayout();
    // Collects, then writes the list into the section ("Desktop" or
    // "AutoDesktop").
    void SaveLayout(LPCSTR section);
    BOOL ReadLayout(LPCSTR section);
    void RestoreWindows();
    LRESULT OnRestoreRecord(WPARAM wParam, LPARAM lParam);           // 0x8147
    LRESULT OnRestoreAutoDesktop(WPARAM wParam, LPARAM lParam);      // 0x814F
    LRESULT OnRestoreDesktop(WPARAM wParam, LPARAM lParam);          // 0x8150
    LRESULT OnSaveDesktop(WPARAM wParam, LPARAM lParam);             // 0x8151

    // ---- Hardware scan (defined with the scan).
    void ScanControllerHardware();

    // ---- Halt and EPROM store (projectwnd_eprom.cpp).
    // TRUE when no program runs, or the user agreed to halt them (the
    // question starts with title) and "HALT" succeeded.
    BOOL HaltProgramsIfRunning(LPCSTR title);
    // Stores the controller's programs in EPROM (0x8187 without the wait
    // window) and, on a model that keeps POWER_UP, runs them from there at
    // power-up; TRUE when stored. Failures are reported.
    BOOL StoreProgramsInEprom(BOOL showWaitDialog);
    // Before a disconnect: stores changed programs, or offers to.
    void OfferEPROMStore(int reason);

    // ---- Fast loads (projectwnd_fastload.cpp).
    // 2 when the engine ran, 0 when the fast path was refused.
    int FastLoadProject(LPCSTR path);
    // Through tool window 1057; TRUE when the file went out.
    BOOL FastLoadProgram(LPCSTR name, LPCSTR path, int type);
    // 0x8114: 1 when the user cancelled the project chooser, else the
    // fast load's result.
    LRESULT OnFastLoadChosenProject(WPARAM wParam, LPARAM lParam);
    BOOL CanOperateOnProgram(LPCSTR name);
    // The number of the configured link equal to the one in use; 9999 for
    // the simulator window link, -1 when none is equal.
    static int FindConfiguredLinkIndex(const CCommPortData& inUse);
    std::atomic<int> m_nLinkIndex{-1};
    std::atomic<BOOL> m_bLoadFinished{FALSE};

    // ---- Axis parameters (projectwnd_axisparams.cpp).
    // Appends the chosen axes' parameters as BASIC lines; FALSE when the
    // user cancelled.
    BOOL ExportAxisParameters(CStringList& output, const std::vector<int>& axes);
    // ---- Program transfers and program operations
    // (projectwnd_transfers.cpp, through CProgramTransfer).
    int ReadTable(CTableList& table, long first, long last);
    int ReadVariables(std::vector<std::string>& lines, int first, int last);
    int LoadProgramText(LPCSTR name, LPCSTR path, int type, BOOL resetCancel);
    // The program's type is its type in the controller's list (else in the
    // project).
    BOOL SaveProgramToDisk(LPCSTR name, BOOL intoControllerFolder);
    BOOL SaveAllProgramsToDisk(std::vector<std::string>* saved = nullptr);
    int ExportProgramFile(LPCSTR name, LPCSTR destination, BOOL force);
    BOOL LoadProgramToController(LPCSTR name, BOOL resetCancel);
    int DeletePrograms(LPCSTR names);
    // Asks before erasing the controller, then deletes "*"; 0 when the user
    // declined.
    int DeleteAllPrograms();
    BOOL CopyProgram(LPCSTR source, LPCSTR destination);
    BOOL RenameProgram(LPCSTR source, LPCSTR destination);
    LRESULT OnDeletePrograms(WPARAM wParam, LPARAM lParam); // 0x8191
    LRESULT OnExportProgram(WPARAM wParam, LPARAM lParam);  // 0x81F1
    struct CTransferHost;

    // ---- The project check (projectwnd_check.cpp) and its program
    // comparisons (projectwnd_compare.cpp).
    // Runs the check with its dialog until the user closes it; 1 when the
    // controller holds the project's programs. With autoResolve a program
    // that differs is saved from the controller into the project unasked.
    BOOL RunProjectCheck(BOOL autoResolve);
    BOOL IsProjectCheckRunning() const { return m_bCheckRunning.load(); }
    // Whether the controller runs its programs from a fixed power-up copy.
    bool AreProgramsFixed();
    std::atomic<BOOL> m_bCheckRunning{FALSE};
    // The dialog of the running check (this thread); a destroy request
    // ends its waits.
    CCheckProject* m_pCheckDialog = nullptr;

    // ---- The project's own operations: the project file
    // (projectwnd_projectfile.cpp), a new project
    // (projectwnd_newproject.cpp), load and revert (projectwnd_load.cpp)
    // and save (projectwnd_save.cpp). Outcomes: 2 done, 1 cancelled by the
    // user, 0 failed.
    BOOL ConfirmProjectController(LPCSTR path);
    BOOL MatchProjectController();
    BOOL WriteProgramList(LPCSTR path, BOOL reset);
    // 2 a project was opened, 1 cancelled, 0 failed.
    int ChooseProjectFile(int mode);
    // Lets the user choose a project (the project-file dialog in its load
    // mode) and loads it into the controller, asking first: the outcome of
    // the load, 1 when the user cancelled, 0 for a project that is not
    // there.
    int OpenProjectWithDialog();
    // The project-file dialog in a mode, for a project that exists: 2 with
    // its path in chosen, 1 cancelled, 0 none (a missing one is reported).
    int ChooseExistingProject(int mode, CString& chosen);
    BOOL ConvertProjectFile(LPCSTR path);
    int CreateNewProject();
    int LoadProject(LPCSTR path, CCheckProject* dialog, BOOL checkAfterwards, BOOL confirm);
    BOOL RevertProject();
    // The program-by-program load of the open project (the load's slow
    // path): NEW ALL, each program through LoadProgramToController.
    int LoadProjectSlowly(LPCSTR path, CCheckProject* dialog, BOOL checkAfterwards);
    int SaveProject(BOOL copyMode, CCheckProject* dialog, BOOL checkAfterwards);
    int SaveProjectInto(LPCSTR folder, BOOL copyMode, CCheckProject* dialog, BOOL checkAfterwards);
    // The backup of the open project into its "backup" folder (defined with
    // the connect, whose hub runs it); TRUE when done or no project is open.
    BOOL BackupOpenProject();
    // Runs the project-file dialog in a mode (CProjectFileDialog::MODE_*)
    // on the open project; its end (IDOK, IDCANCEL, ...) and the chosen path.
    INT_PTR RunProjectFileDialog(int mode, CString& chosen);
    // The path without the backslashes it ends with (a drive's root keeps
    // its own).
    static CString WithoutTrailingBackslash(LPCSTR path);
    // The project file of a project folder: named after the folder
    // ("X\Demo" holds "X\Demo\Demo.prj").
    static CString ProjectFileOfFolder(LPCSTR folder);
    // Set while a new project, load, revert or save runs: a request for
    // another one waits until it ended instead of running inside it.
    std::atomic<BOOL> m_bProjectOperationRunning{FALSE};

    // ---- Program file import and the file requests
    // (projectwnd_import.cpp); the STARTUP data (projectwnd_startup.cpp).
    // Puts the file into the project folder and loads it into the
    // controller; TRUE on success.
    BOOL ImportProgramFile(LPCSTR name, LPCSTR source, int fileType, BOOL newFile);
    // A tool's request to load a file into the project (kind 1) or save a
    // program to a file (kind 3); other kinds are dropped.
    struct CFileOperationData {
        int kind = 0;
        CString program;
        CString path;
    };
    // Queues a copy; 0x81EA with the returned id carries it out.
    LPARAM QueueFileOperation(const CFileOperationData& operation);
    BOOL RunFileOperation(const CFileOperationData& operation);
    // An IEC project file (and its folder) copied into the project and
    // loaded; the new IEC program of op 0; op 0 itself.
    BOOL ImportIECProject(LPCSTR source);
    BOOL CreateIECProgram(LPCSTR name);
    BOOL CreateNewProgram(const CProgramOperationData& operation, int type);
    // 0x81F0: the program loaded again from its file in the project.
    BOOL ReloadProgramFromFile(LPCSTR name);
    // 0x8199: section 1 of the STARTUP program made from the controller's
    // values as the project's "Store" settings choose, then loaded.
    BOOL WriteStartupData();
    std::vector<std::pair<LPARAM, CFileOperationData>> m_fileOperations; // this thread
    LPARAM m_nNextFileOperation = 1;

    // ---- State the sections share.
    // The connection's state, which the search, connect and layout parts
    // (IProjectHub) work on; the names below are that state's.
    CConnectionState m_connectionState;
    // Index of the comms link in use (CommLinks; 9999 the simulator).
    std::atomic<int>& m_nSelectedLink = m_connectionState.selectedLink;
    std::atomic<int>& m_nPreferredLink = m_connectionState.preferredLink;
    std::atomic<BOOL>& m_bConnected = m_connectionState.connected;
    std::atomic<BOOL>& m_bStartupSkip = m_connectionState.startupSkip;
    std::atomic<BOOL>& m_bDirectSerial = m_connectionState.directSerial;
    std::atomic<BOOL> m_bClosing{FALSE};
    std::atomic<int> m_nCancel{0};
    std::atomic<int> m_nReplyChannel{CHANNEL_DIRECT};
    std::atomic<int> m_nDigitalIO{0};
    std::atomic<int> m_nAnalogueIn{0};
    std::atomic<int> m_nAnalogueOut{0};
    std::atomic<int> m_nServoPeriod{1000};
    std::atomic<int>& m_nChooserToolId = m_connectionState.toolIdWord;
    std::atomic<BOOL>& m_bConnecting = m_connectionState.connecting;
    std::atomic<BOOL>& m_bConnectAgain = m_connectionState.connectAgain;
    std::atomic<WPARAM>& m_nConnectMode = m_connectionState.connectMode;
    std::atomic<BOOL>& m_bDisconnecting = m_connectionState.disconnecting;
    std::atomic<BOOL>& m_bLinkFailed = m_connectionState.linkFailed;
    std::atomic<BOOL>& m_bFrameBusyShown = m_connectionState.frameBusyShown;
    std::atomic<BOOL>& m_bRestorePending = m_connectionState.restorePending;
    std::atomic<int> m_nDispatchBlocked{0};
    std::atomic<int> m_nWatchdog{0};
    std::atomic<int> m_nFreeMemory{0};
    std::vector<int> m_moduleSlots; // 128, -1 after a disconnect
    CString m_strDirectPort;
    CString m_strProjectToOpen;
    CSplashScreen* m_pConnectScreen = nullptr;
    CKWProject* m_pIECProject = nullptr;
    // The layout list (the layout's records, in order).
    std::vector<SWindowParameters> m_layout;
    std::atomic<int> m_nLayoutCancel{0};
    // The current terminal channel (-99 none chosen).
    std::atomic<int> m_nTerminalChannel{CHANNEL_DIRECT};
    // While set, the next terminal or keypad opened without a chosen
    // channel shows the channel chooser (off while one is open).
    std::atomic<BOOL> m_bChooseChannel{TRUE};
    CTime Now();

    // The search, connect, layout and scan parts and the hub they work
    // through (projectwnd_connection.cpp), made on first use.
    struct CConnectionParts;
    CConnectionParts& GetConnectionParts();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);

    // Start-up, step by step.
    void OpenStartupProject();
    void AskCommsLogging();

    // Message handlers of this file.
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnOpenProject(WPARAM wParam, LPARAM lParam);
    LRESULT OnConnectWhenPossible(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramRecords(WPARAM wParam, LPARAM lParam);
    LRESULT OnProjectFolder(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramState(WPARAM wParam, LPARAM lParam);
    // Registry messages (projectwnd_registry.cpp).
    LRESULT OnRegister(WPARAM wParam, LPARAM lParam);
    LRESULT OnUnregister(WPARAM wParam, LPARAM lParam);
    LRESULT OnSubscribe(WPARAM wParam, LPARAM lParam);
    LRESULT OnLeaveChannelMode(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnterChannelMode(WPARAM wParam, LPARAM lParam);
    LRESULT OnArrange(WPARAM wParam, LPARAM lParam);
    LRESULT OnFreeChannels(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetChannel(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetChannel(WPARAM wParam, LPARAM lParam);
    LRESULT OnModifyStartup(WPARAM wParam, LPARAM lParam);
    LRESULT OnRequestFailed(WPARAM wParam, LPARAM lParam);
    // Commands and queries (projectwnd_commands.cpp): the answer, or false
    // when the message is not one of them.
    bool HandleQuery(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Program list, editors and program operations: the answer, or false
    // when the message is not one of them (projectwnd_programs.cpp).
    bool HandleProgramMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleOperationMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The project check's, the project operations' and the import's
    // messages (their files): the answer, or false when the message is not
    // one of theirs.
    bool HandleCheckMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleProjectMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleImportMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Replies (projectwnd_replies.cpp).
    LRESULT OnRunningPrograms(WPARAM wParam, LPARAM lParam);
    LRESULT OnWindowProcess(WPARAM wParam, LPARAM lParam);
    LRESULT OnAxisType(WPARAM wParam, LPARAM lParam);
    LRESULT OnAxisTypes(WPARAM wParam, LPARAM lParam);
    LRESULT OnStatusLine(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelNotice(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Subscription {
        HWND hWnd;
        int commandId;
    };
    struct EditorOpen {
        CString program;
        WPARAM first;
        LPARAM second;
        bool taken;
    };
    struct Deferred {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        // The window's own copy of a text lParam points to, when the
        // sender's may be gone by the time the message runs.
        std::shared_ptr<const std::string> text;
    };
    struct StatusLine {
        bool byName;
        int process, status, line, error;
        std::string text; // program name, or error text
        bool hasText;
    };

    // The registry lock: taken on this thread by a wait that serves
    // messages; on others plainly.
    void TakeRegistryLock();
    CToolRecord* FindRecordLocked(HWND window);
    bool RemoveRecord(HWND window);
    LRESULT RegisterWindow(UINT toolId, HWND window);
    int ClassToRecord(int replyClass, UINT toolId, HWND window, int wantedChannel, CToolRecord& record);
    void ApplyStatusLine(const StatusLine& line);
    void ApplyProgramStatus(int process, const CString& program, int status);
    void ApplyProcessStatus(int process, int status, int line, int error, const CString& text);
    void RefreshProgramListSoon();
    // Program-name filters of 0x8192 and 0x8193 (0 all, 3 editable, 4
    // runnable, 5 steppable, 11 type 0, 12 type 1; others by type or none).
    bool ProgramPassesFilter(int type, int filter, bool otherFiltersByType);
    void StoreReply(const ControllerMessage& message);

    std::unique_ptr<CControllerConnection> m_pConnection;
    CProjectFile m_projectFile;
    HWND m_hWndMainFrame = nullptr;
    HWND m_hWndControlPanel = nullptr;
    CVexoReply* m_pControlPanelReply = nullptr;
    HWND m_hWndSecond = nullptr;
    CErrorDialog* m_pErrorList = nullptr;

    std::recursive_mutex m_registryLock;
    std::vector<CToolRecord> m_tools;         // under m_registryLock
    CToolRecord m_controlPanel;               // under m_registryLock
    std::vector<Subscription> m_subscriptions; // under m_registryLock
    std::vector<EditorOpen> m_editorQueue;    // this thread
    std::unique_ptr<SWindowParameters> m_pPendingRestore; // under m_registryLock
    short m_nCascadeX = 0;
    short m_nCascadeY = 0;
    HWND m_hWndWatch = nullptr;
    LPARAM m_nStoredValue = 0;
    LPARAM m_nLoadValue = 0;
    std::atomic<int> m_nBusy{0};
    std::atomic<BOOL> m_bSuppressReport{FALSE};
    std::atomic<BOOL> m_bDeferredRefresh{FALSE};
    std::atomic<int> m_nProgramOperations{0};
    // Counts the controller's reports on commands (OnCompileMessage), so a
    // failed request tells a refusal with a reason from a failed link.
    std::atomic<int> m_nCommandReports{0};

    mutable std::mutex m_valuesLock;
    ReplyValues m_values;                 // under m_valuesLock
    std::vector<CProcessData> m_processes; // under m_valuesLock
    std::vector<std::string> m_errors;    // under m_valuesLock

    std::vector<Deferred> m_deferred; // this thread
    UINT_PTR m_nNextTimer = 100;
    std::map<UINT_PTR, Deferred> m_timers;

    std::shared_ptr<CConnectionParts> m_pConnectionParts;

    // Program list refresh and the program operations (this thread).
    bool m_bRefreshing = false;
    int m_nRefreshRequests = 0;
    std::vector<CProgramOperationData> m_operations;
    std::atomic<int> m_nQueuedOperations{0};
    std::atomic<int> m_nUnfinishedOperations{0};
    bool m_bOperationRunning = false;
    // Replies to the window's own commands go here too while it is set
    // (a program transfer reads them).
    std::mutex m_replySinkLock;
    std::function<void(const ControllerMessage&)> m_replySink; // under m_replySinkLock
    // The program a compile report on SELECT named (the one edited before
    // it), until a program transfer takes it.
    std::string m_selectCompileProgram; // under m_replySinkLock
};

// The project window's object, found through the main frame (its handle,
// then the object attached to it); null without a main frame or project
// window, or when the object is no CProjectWnd. Any thread.
CProjectWnd* GetProjectWnd();

