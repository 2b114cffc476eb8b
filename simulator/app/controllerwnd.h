// The simulator's hidden link window: it stands in for a controller on the
// window-message link to the development environment. It feeds received
// bytes to the runtime's port 0 through a receive ring, posts the runtime's
// output back to the development environment's comms window, keeps the
// flash and battery-backed RAM images (loaded at creation, saved at the
// end), and starts and stops the controller with its process sequencer.
//
// The runtime reaches it through its host interface (installed when the
// window is created).
#pragma once

#include "framework/afx.h"

#include <atomic>
#include <deque>
#include <memory>
#include <string>

#include "simulator/app/cyclicbuffer.h"
#include "simulator/app/memoryimage.h"
#include "simulator/app/sequencer.h"
#include "simulator/runtime/host.h"

namespace qcsim {
class CLEDDriver;
}

// Messages of the link window.
constexpr UINT WM_SIM_START = WM_APP + 0x105;
constexpr UINT WM_SIM_STOP = WM_APP + 0x106;
constexpr UINT WM_SIM_RESTART = WM_APP + 0x107;
constexpr UINT WM_SIM_SHUTDOWN = WM_APP + 0x102;
// Feeds the bytes waiting behind a full receive ring (posted to itself).
constexpr UINT WM_SIM_FEED = WM_APP + 0x119;

constexpr char kControllerWindowName[] = "QCSimulator ControllerWnd";
constexpr uint32_t kFlashImageSize = 0x400000;
constexpr uint32_t kBatteryRamSize = 0x100000;
constexpr int kReceiveRingSize = 1024;
// Blocks of WM_COPYDATA are refused once the ring and the bytes queued
// behind it would hold more than this.
constexpr int kReceiveQueueLimit = 64 * 1024;
// Ticks at the full 1 ms pace after the last bytes in or out, before the
// sequencer may go idle again.
constexpr int kBusyTicksAfterTraffic = 20;
// The messages a wait of the link window serves before it looks again
// whether it is over.
constexpr int kMessagesPerTurn = 64;

// The entry of the command-line thread: power-up, then the command loop
// until the controller is stopped.
using ControllerEntry = int (*)();
void SetControllerEntry(ControllerEntry entry);

// The registered messages of the link ("Vexo_Link_Message" and the
// copy-data capability query).
UINT LinkMessageId();
// The simulator's data folder: the user's local application-data folder
// followed by "\VexoLabs\QCSimulator" (or the folder the environment
// names), ending in a backslash; missing levels are made when asked. Empty
// when there is none.
std::string SimulatorDataFolder(bool create);
// The user's documents folder, without a trailing "\"; empty when the
// shell cannot name it.
std::string DocumentsFolderPath();
// The environment variable that, when set, names the data folder in place
// of the user's one.
constexpr char kDataFolderVariable[] = "VEXO_QCSIM_DATA_DIR";
// Puts another folder (ending in a backslash) in place of the user's one;
// empty restores it.
void SetSimulatorDataFolder(const std::string& folder);
UINT AllowCopyDataMessageId();

class CControllerWnd : public CWnd, public qcrt::RuntimeHost {
public:
    CControllerWnd();
    ~CControllerWnd() override;

    // Creates the hidden child window with its name and control id.
    BOOL CreateLinkWindow(CWnd* pParent, UINT nID);
    void SetDialogWindow(HWND hWnd)
    {
        m_dialog = hWnd;
        m_outputsPosted.store(false);
    }

    // Starts, stops and restarts the controller; each is ignored while a
    // start or stop is under way. Stop waits, serving messages, for the
    // sequencer to wind the processes down, never longer than
    // StopTimeoutMs.
    void StartController();
    void StopController();
    void RestartController();
    bool IsRunning() const { return m_running; }
    // Slices the sequencer has given out since the controller started.
    uint64_t GetSwitchCount() const;
    static constexpr DWORD kStopTimeoutMs = 10000;

    // Transmits to the development environment: 4 bytes per link message,
    // first byte low. 0 when no peer was found.
    int SendBytes(const uint8_t* data, int length);
    HWND GetPeer() const { return m_peer.load(); }

    void SetDeleteOnExit(bool on);
    // Writes both images to their files (each through a temporary file);
    // a failure is reported to the user (over owner). False when one was
    // not written.
    bool SaveImages(HWND owner);
    // Windows is ending the session: stops the controller and saves.
    bool SaveForSessionEnd();
    // Writes the battery-backed RAM image to the next dump file; answers
    // its path (empty when nothing was written).
    std::string DumpImage();

    CMemoryImage* GetFlash() const { return m_flash.get(); }
    CMemoryImage* GetBatteryRam() const { return m_batteryRam.get(); }
    int GetBacklog() const { return static_cast<int>(m_backlog.size()); }
    qcsim::CCyclicCharBuffer& GetRing() { return m_ring; }
    qcsim::CLEDDriver* GetLedDriver() const { return m_leds.get(); }

    // RuntimeHost.
    int Write(int port, const uint8_t* data, int length) override;
    int GetRxCount(int port) override;
    int GetRxChar(int port, uint8_t* out) override;
    int GetRxRoom(int port) override;
    uint8_t* GetFlashImage() override;
    uint32_t GetFlashSize() override;
    uint8_t* GetBatteryRamImage() override;
    uint32_t GetBatteryRamSize() override;
    uint64_t GetTimeNow() override;
    void SleepMs(unsigned milliseconds) override;
    bool PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    bool PostToDialog(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void ShowPrompt(const std::string& text) override;
    bool GetLocalAppDataFolder(std::string& folder) override;
    bool DirectoryExists(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
    LRESULT OnLinkMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnAllowQuery(WPARAM wParam, LPARAM lParam);
    LRESULT OnStart(WPARAM wParam, LPARAM lParam);
    LRESULT OnStop(WPARAM wParam, LPARAM lParam);
    LRESULT OnRestart(WPARAM wParam, LPARAM lParam);
    LRESULT OnShutdown(WPARAM wParam, LPARAM lParam);
    LRESULT OnFeed(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    // Bytes received: into the ring, or behind it when it is full.
    void Receive(const uint8_t* data, int length);
    void FeedBacklog();
    void FindTargetWindow();
    // True while nothing but the link or time can give the controller work:
    // the command line alone, waiting for the next tick, with no bytes for
    // it and motion off (the sequencer's idle test).
    bool ControllerIdle();
    // Reads the images; one that exists but cannot be taken is reported and
    // the user chooses between blank memory (the old file kept as ".bak")
    // and quitting (false).
    bool LoadImages(HWND owner);
    // Waits, serving messages, until done() or the time-out; false on time-out.
    template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs);

    // Written by whichever thread transmits (the runtime's threads as well
    // as the window thread).
    std::atomic<HWND> m_peer{nullptr};
    std::atomic<LRESULT> m_peerAllowAnswer{0};
    qcsim::CCyclicCharBuffer m_ring;
    std::deque<uint8_t> m_backlog; // window thread only
    std::atomic<int> m_backlogSize{0}; // its size, for the runtime's threads
    std::atomic<bool> m_feedPosted{false};
    std::atomic<bool> m_backlogWaiting{false};
    std::unique_ptr<CMemoryImage> m_flash;
    std::unique_ptr<CMemoryImage> m_batteryRam;
    std::unique_ptr<qcsim::CLEDDriver> m_leds;
    std::unique_ptr<CSequencer> m_sequencer;
    HANDLE m_commandLine = nullptr;
    // Signalled by the sequencer at every tick: a process thread that only
    // gives up the processor (SleepMs(0)) waits on it for its turn to end
    // instead of spinning until the tick comes.
    std::shared_ptr<CTickSignal> m_tick = std::make_shared<CTickSignal>();
    // Signalled when bytes arrive: ends an idle wait of the sequencer.
    std::shared_ptr<CTickSignal> m_wake = std::make_shared<CTickSignal>();
    std::atomic<bool> m_sentSinceTick{false};
    std::atomic<bool> m_yieldedSinceTick{false};
    std::atomic<bool> m_receivedSinceTick{false};
    // Ticks at the full pace still owed after the last bytes in or out (the
    // sequencer's thread only): a command's reply, made during the slices
    // after its bytes arrived, leaves at the next tick, not the next idle
    // one.
    int m_busyTicksLeft = 0;
    // The runtime's count of waits for the next slice at the last idle test
    // (the sequencer's thread only).
    uint64_t m_sliceWaitsSeen = 0;
    // When the development environment's window was last looked for (0:
    // never); a missing peer is looked for again after kPeerSearchMs.
    std::atomic<ULONGLONG> m_lastPeerSearch{0};
    static constexpr ULONGLONG kPeerSearchMs = 250;
    // The output word last posted to the main dialog.
    std::atomic<uintptr_t> m_lastOutputs{0};
    std::atomic<bool> m_outputsPosted{false};
    HWND m_dialog = nullptr;
    HWND m_self = nullptr; // readable from the runtime's threads
    bool m_running = false;
    bool m_starting = false;
    bool m_stopping = false;
    // A sequencer that did not end in time is left running; no second one
    // is started beside it.
    bool m_stuck = false;
};
