// IProjectHub: what the project window's connection work (controller
// search, connect and disconnect, hardware scan) and its tool-window layout
// need of the project window itself. The project window implements it; the
// tests of those parts implement it over the scripted controller and fake
// windows, so each part runs without the whole window.
//
// Every call is made on the project window's thread unless it says
// otherwise.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "framework/cstring.h"
#include "link/channelset.h"
#include "link/controllermessage.h"
#include "project/projectwndmessages.h"

class CControllerConnection;
class CProjectFile;

// Command-table ids the connection work runs.
enum : int {
    CMD_SELECT_CONTINUE = 21, // "&C"
    CMD_ATYPE = 28,           // "?ATYPE AXIS(%i)[0];"
    CMD_POWER_UP = 33,        // "?POWER_UP[0];"
    CMD_WDOG = 34,            // "?WDOG[0];"
    CMD_FREE = 35,            // "?FREE[0];"
    CMD_COMMSTYPE = 133,      // "?COMMSTYPE SLOT(%i)[0];"
};

// The connection state the project window keeps and the search, connect,
// disconnect and layout read and change. Any thread may read it.
struct CConnectionState {
    std::atomic<int> selectedLink{-1};  // the link in use (9999 the simulator)
    std::atomic<int> preferredLink{-1}; // tried first by the next search only
    std::atomic<BOOL> connected{FALSE};
    std::atomic<BOOL> startupSkip{FALSE};  // the next search is a direct connection
    std::atomic<BOOL> directSerial{FALSE}; // ... on the default serial link
    std::atomic<int> toolIdWord{1042};     // 0 while the link chooser is open
    std::atomic<BOOL> connecting{FALSE};
    std::atomic<BOOL> connectAgain{FALSE};
    std::atomic<WPARAM> connectMode{0};
    std::atomic<BOOL> disconnecting{FALSE};
    std::atomic<BOOL> linkFailed{FALSE};
    std::atomic<BOOL> frameBusyShown{FALSE};
    std::atomic<BOOL> restorePending{FALSE};
};

// A progress gauge the hub shows (on a thread of its own in the program).
class IHubProgress {
public:
    virtual ~IHubProgress() = default;
    virtual void SetText(LPCSTR text) = 0;
    virtual void SetRange(int steps) = 0;
    virtual void StepIt() = 0;
    virtual void SetPercent(int percent) = 0;
    // Whether the user cancelled.
    virtual bool IsCancelled() = 0;
    virtual void Close() = 0;
};

// The gauge of the program: CGaugeThread with the caption, the hub as its
// notify window.
std::unique_ptr<IHubProgress> StartGaugeProgress(HWND notify, LPCSTR caption);

class IProjectHub {
public:
    virtual ~IProjectHub() = default;

    // Windows.
    virtual HWND GetHubWindow() = 0;
    // Null when there is no main frame (or it is gone).
    virtual HWND GetMainFrameWindow() = 0;
    // Null when the control panel does not exist.
    virtual HWND GetControlPanelWindow() = 0;

    virtual CControllerConnection* GetConnection() = 0;
    // The open project's file; a project is open when its path is not empty.
    virtual CProjectFile* GetProjectFile() = 0;

    // State.
    virtual CConnectionState& GetConnectionState() = 0;
    virtual bool IsClosing() = 0;
    virtual void SetDirectPortText(LPCSTR text) = 0;
    // The record a restore waits for a window to take (null: none).
    virtual void SetPendingRestore(const SWindowParameters* record) = 0;
    virtual bool IsRestorePending() = 0;
    virtual bool IsReplyDispatchBlocked() = 0;
    virtual void RaiseBusy() = 0;
    virtual void LowerBusy() = 0;

    // The registry of tool windows, in list order.
    struct RegisteredTool {
        HWND hWnd;
        int toolId;
        int replyMode;
        CChannelSet channels;
        CString programName;
        bool hasReplyInterface;
    };
    virtual void GetRegisteredWindows(std::vector<RegisteredTool>& windows) = 0;
    // Close All Windows with an excepted tool id (0: none).
    virtual void CloseAllToolWindows(int exceptToolId) = 0;
    // Closes (waiting) every registered window of a tool id.
    virtual void CloseToolWindows(int toolId) = 0;
    // Sends a message to every registered tool window.
    virtual void BroadcastToTools(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Hands a record to every registered tool window as a reply of the
    // project window.
    virtual void PassReplyToTools(const ControllerMessage& reply) = 0;

    // Starts a progress gauge with a caption (StartGaugeProgress).
    virtual std::unique_ptr<IHubProgress> StartProgress(LPCSTR caption) = 0;

    // Opens the tool window of a layout record (restore); see
    // CWindowLayout::Restore.
    enum OpenResult { OPEN_SKIPPED = 0, OPEN_OPENED = 1, OPEN_FAILED = 2 };
    virtual OpenResult OpenToolForRestore(const SWindowParameters& record) = 0;

    // The command runner: one command of the table with its integer or
    // text argument; TRUE when its transaction succeeded. The replies land
    // in the answers below.
    virtual BOOL RunCommand(int commandId, int integer = 0, LPCSTR text = nullptr) = 0;
    // The integer answer of the last ?ATYPE or ?COMMSTYPE.
    virtual int GetAnswerWord() = 0;
    // What the connection's replies stored: POWER_UP, WDOG, FREE.
    virtual int GetPowerUpState() = 0;
    virtual int GetWatchdogValue() = 0;
    virtual int GetFreeMemory() = 0;
    // The selected program, as the answer to "&C" named it.
    virtual CString GetSelectedProgramName() = 0;
    // The axis count at the current servo period ("?SERVO_PERIOD;").
    virtual int GetAxisCountAtServoPeriod() = 0;
    // The I/O counts, read again from the controller.
    virtual void RefreshIOCounts(int kind) = 0; // 0 digital, 1 analogue in, 2 analogue out
    virtual void SetModuleSlot(int slot, int value) = 0;

    // Project operations run after a connect.
    virtual BOOL CheckProject(BOOL autoResolve) = 0;
    virtual BOOL BackupProject() = 0;
    // Whether the controller's programs are fixed in EPROM.
    virtual bool AreProgramsFixed() = 0;
    // Offers to store the changed programs in EPROM before a disconnect.
    virtual void OfferEPROMStore(int reason) = 0;
    // Compresses the IEC project and loads it into the controller.
    virtual BOOL LoadIECProjectToController() = 0;
    // Rewrites the project's "AutoRun" section from the controller's
    // programs.
    virtual void WriteAutoRunToProject() = 0;
    // Clears the process list (before a search).
    virtual void ClearProcessList() = 0;
    // The per-axis values the project window holds go back to -1.
    virtual void ResetAxisValues() = 0;
};

// Raises the hub's busy counter for the life of the object.
class CHubBusy {
public:
    explicit CHubBusy(IProjectHub& hub) : m_hub(hub) { m_hub.RaiseBusy(); }
    ~CHubBusy() { m_hub.LowerBusy(); }
    CHubBusy(const CHubBusy&) = delete;
    CHubBusy& operator=(const CHubBusy&) = delete;

private:
    IProjectHub& m_hub;
};

// Lets ms pass on the clock while answering the messages other threads
// send to this thread's windows (posted messages wait).
void SleepServingSent(DWORD ms);

// Sends or posts to a window that may be missing: nothing and 0 then.
LRESULT SendIfWindow(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void PostIfWindow(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
