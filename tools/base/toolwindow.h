// CToolWindowParts: what every live tool window shares, whatever kind of
// window carries it (a dialog through CToolDialog, or a frame window that
// calls the parts from its own handlers):
//
// - the reply part (CVexoReply) named with the window's name, and the
//   window's message sender labelled with the same name;
// - the busy depth: 1 from construction until initialisation ends, raised
//   by a CBusy guard around every send and every modal child; a destroy
//   request (or Close) while busy comes back on a 25 ms timer;
// - registration with the project window at the place it answers, the
//   answer to its reply-class question (0x8105), and 0x8104 at the end;
// - the saved window record: taken on 0x8147 when it is the tool's own,
//   applied during initialisation (rectangle, show state at 16, the tool's
//   own words from 40), then 0x8147 (0, 0); filled on 0x8148;
// - replies: each one is logged "RxAtTool: <name>" (category 64). OnReply
//   runs on the transaction's worker or the link's receive thread and
//   touches no window: a command-channel reply of a send under way goes to
//   that send's list; channel data goes to TakeChannelData, which may
//   queue a heap copy for the window (one posted notice per batch).
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/cstring.h"
#include "link/channelset.h"
#include "link/controllermessage.h"
#include "link/messagesender.h"
#include "link/vexoreply.h"

namespace tools {

// Window messages of the tool-window protocol the parts answer.
const UINT WM_TOOL_REGISTER = WM_APP + 0x103;       // tool id, window
const UINT WM_TOOL_UNREGISTER = WM_APP + 0x104;     // tool id, window
const UINT WM_TOOL_REPLY_CLASS = WM_APP + 0x105;    // CVexoReply**, int* channel
const UINT WM_TOOL_DESTROY_REQUEST = WM_APP + 0x108;
const UINT WM_TOOL_RESTORE_RECORD = WM_APP + 0x147; // SWindowParameters* or 0
const UINT WM_TOOL_SAVE_RECORD = WM_APP + 0x148;    // SWindowParameters*
// The window's own notice: queued replies wait (posted once per batch).
const UINT WM_TOOL_REPLIES_WAITING = WM_APP + 0x1C6;

// The timer that brings a postponed destroy request back.
const UINT_PTR kDestroyRetryTimer = 0x7D01;
const UINT kDestroyRetryMs = 25;

// Where the parts of the saved window record lie (bytes).
const std::size_t kRecordShowOffset = 16;
const std::size_t kRecordToolIdOffset = 20;
const std::size_t kRecordOwnOffset = 40;
const std::size_t kRecordOwnSize = sizeof(SWindowParameters) - kRecordOwnOffset;

// A 32-bit word of the record at a byte offset (little-endian as stored).
std::int32_t GetRecordWord(const SWindowParameters& record, std::size_t offset);
void SetRecordWord(SWindowParameters& record, std::size_t offset, std::int32_t value);

class CToolWindowParts : public CVexoReply {
public:
    // name: the reply name, the sender's label and the name of the log
    // lines. replyClass: the answer to 0x8105 (1 an ordinary tool, 4 a
    // window without controller traffic, which hands out no reply part).
    CToolWindowParts(UINT toolId, LPCSTR name, int replyClass = 1);
    ~CToolWindowParts() override;

    UINT GetToolId() const { return m_nToolId; }
    CString GetName() { return GetReply(); }
    CMessageSender& GetSender() { return m_sender; }
    HWND GetProjectWindow() const { return m_hWndProject; }
    bool IsRegistered() const { return m_bRegistered; }

    // ---- Busy depth.
    class CBusy {
    public:
        explicit CBusy(CToolWindowParts& parts) : m_parts(parts) { ++m_parts.m_nBusy; }
        ~CBusy() { --m_parts.m_nBusy; }
        CBusy(const CBusy&) = delete;
        CBusy& operator=(const CBusy&) = delete;

    private:
        CToolWindowParts& m_parts;
    };
    // Busy while the depth is above 0 or the sender is inside a sequence.
    bool IsBusy() const { return m_nBusy > 0 || m_sender.GetDepth() > 0; }
    int GetBusyDepth() const { return m_nBusy; }
    // Ends the construction's busy (once).
    void EndStart();

    // ---- Registration, in the window's creation handler: 0x8103 to the
    // project window (looked up through the main frame unless given),
    // then the move to the answered place. FALSE: the creation fails.
    BOOL Register(HWND window, HWND hWndProject = nullptr);
    // 0x8104 to the project window, once, when registered.
    void Unregister();
    // The answer to 0x8105.
    LRESULT AnswerReplyClass(WPARAM wParam, LPARAM lParam);
    // A channel of the tool's own for 0x8105 (-101: none).
    void SetWantedChannel(int channel) { m_nWantedChannel = channel; }

    // ---- Saved window record.
    // 0x8147 from the project window: 1 when the record is the tool's own
    // (kept until initialisation), else 0 (any kept record forgotten).
    LRESULT TakeRestoreRecord(LPARAM lParam);
    bool HasRestoreRecord() const { return m_pRestore != nullptr; }
    // During initialisation: applies the kept record (rectangle, show
    // state, ReadOwnData) and tells the project window with 0x8147 (0, 0).
    // False when there was none.
    bool ApplyRestoreRecord(HWND window);
    // 0x8148: fills the record (rectangle, show state, tool id, WriteOwnData);
    // 0 for a null record or before initialisation ended.
    LRESULT FillSaveRecord(HWND window, LPARAM lParam);

    // ---- Sending. The commands as one sequence with this part as reply
    // target, busy meanwhile; the command-channel replies that came for it
    // are in replies (when given) in order. TRUE when every command
    // succeeded.
    BOOL Send(HWND window, std::initializer_list<CommandItem> items, std::vector<ControllerMessage>* replies = nullptr);

    // ---- Replies queued for the window's thread.
    // Copies message into the queue and posts WM_TOOL_REPLIES_WAITING to
    // the window unless a notice is already on its way. Any thread.
    void QueueForWindow(const ControllerMessage& message);
    // On the window's thread: the queued replies, in order, taken out.
    std::deque<ControllerMessage> TakeQueued();

    // ---- Close.
    // The destroy request and WM_CLOSE: logs the request with whether it
    // waits, sets the closing flags of the reply part and the sender; true
    // when the window may go now, else the request comes back on the
    // retry timer.
    bool HandleDestroyRequest(HWND window);
    // WM_TIMER: true when it was the retry timer (the request is posted).
    bool HandleTimer(HWND window, UINT_PTR id);
    // WM_DESTROY: stops the retry timer, unregisters.
    void HandleWindowDestroy(HWND window);

    // CVexoReply. Logs, then routes (see the top of the file).
    void OnReply(ControllerMessage* message) override;
    void SetClosing() override;

protected:
    // Tool-specific words of the saved record (from kRecordOwnOffset).
    virtual void WriteOwnData(SWindowParameters& record) {}
    virtual void ReadOwnData(const SWindowParameters& record) {}
    // A reply that is not a command-channel reply of a send under way (raw
    // channel data of a terminal, say), on the thread that delivers it;
    // true when taken. The default drops it.
    virtual bool TakeChannelData(const ControllerMessage& message) { return false; }

private:
    UINT m_nToolId;
    int m_nReplyClass;
    int m_nWantedChannel = -101;
    CMessageSender m_sender;
    HWND m_hWndTool = nullptr;
    HWND m_hWndProject = nullptr;
    bool m_bRegistered = false;
    bool m_bStarted = false;
    int m_nBusy = 1; // the window's thread only
    std::unique_ptr<SWindowParameters> m_pRestore;

    std::mutex m_replyLock;
    std::vector<ControllerMessage>* m_pWaiting = nullptr; // under m_replyLock
    std::deque<ControllerMessage> m_queue;                // under m_replyLock
    bool m_bNoticePosted = false;                         // under m_replyLock
    HWND m_hWndQueue = nullptr;                           // under m_replyLock
};

} // namespace tools
