// CControllerSearch: finds the controller the project window connects to.
// It tries the configured links (CommLinks) one after another, opens each
// through the controller connection, identifies the controller and accepts
// the first one that answers in channel mode and is not locked; a link of
// the simulator type starts the simulator program first. The progress is
// shown on the connect screen, which can wait for the user to read it. The
// direct connection (Shift held at start-up, or the start-up project
// missing) opens a link on the command line without identification and
// opens a terminal on it.
//
// Runs on the project window's thread; its waits serve that thread's
// messages (the link chooser, the simulator, the connect screen, tool
// registrations) and take their time from the clock. Its state (selected
// and preferred link, start-up skip, ...) is the hub's.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/cstring.h"
#include "link/commportdata.h"
#include "project/projecthub.h"

// The selected link index of the simulator window link ("QCSim").
const int SIMULATOR_LINK_INDEX = 9999;

// The screen a search shows its progress on.
class IConnectScreen {
public:
    virtual ~IConnectScreen() = default;
    virtual void SetStatusText(LPCSTR text) = 0;
    virtual void EnableOkButton(BOOL enable) = 0;
    // Waits for the user; IDOK when the screen was closed with OK.
    virtual int WaitForUser() = 0;
    // Ends a wait that has no answer yet with Cancel (the destroy request).
    virtual void Cancel() = 0;
};

class CSplashScreen;

// The program's connect screen: CSplashScreen as a child of the project
// window.
class CSplashConnectScreen : public IConnectScreen {
public:
    explicit CSplashConnectScreen(HWND parent);
    ~CSplashConnectScreen() override;
    bool IsCreated() const { return m_bCreated; }
    CSplashScreen* GetSplash() const { return m_pScreen.get(); }
    void SetStatusText(LPCSTR text) override;
    void EnableOkButton(BOOL enable) override;
    int WaitForUser() override;
    void Cancel() override;

private:
    std::unique_ptr<CSplashScreen> m_pScreen;
    bool m_bCreated = false;
};

class CControllerSearch {
public:
    explicit CControllerSearch(IProjectHub& hub);
    ~CControllerSearch();
    CControllerSearch(const CControllerSearch&) = delete;
    CControllerSearch& operator=(const CControllerSearch&) = delete;

    // The connect screen of a search; null when it cannot be made. By
    // default CSplashScreen as a child of the project window.
    using ScreenFactory = std::function<std::unique_ptr<IConnectScreen>(HWND parent)>;
    void SetScreenFactory(ScreenFactory factory);
    // Starts the link chooser (CChooseCommsLinkDialog by default), which
    // answers with 0x81E6 and 0x8172.
    using ChooserStarter = std::function<BOOL(HWND hub)>;
    void SetChooserStarter(ChooserStarter starter);

    // 1 when a controller was found and accepted, else 0.
    int SearchController(BOOL showScreen, BOOL simulator);
    // 1 when the controller on the link was identified, is in channel mode
    // and is not locked.
    BOOL TryLink(const CCommPortData& link);
    // The chosen link index or -1; opens its link when apply is set.
    int ChooseLink(BOOL apply);
    // Non-zero when the simulator's windows were found after starting it.
    BOOL StartSimulator();
    // The tool launcher's link: index >= 0 becomes the selected link; a
    // selected link is opened on the command line when the connection is
    // not in channel mode.
    BOOL OpenSelectedLink(int index);

    // The destroy request: a screen waiting for the user gets Cancel.
    void CancelScreen();

    // The simulator's windows are there (its main window holding its comms
    // window, by the titles it publishes under WinTargets\QCSimulation).
    static BOOL FindSimulatorWindows();
    // The default direct link: "COM1" 9600 baud, 7 data bits, stop-bits
    // field 2, parity field 2.
    static CCommPortData DirectSerialLink();
    // The simulator window link "QCSim", active.
    static CCommPortData SimulatorLink();

    // The screen of every search from now on, in place of the program's
    // (for tests of the whole project window; null: the program's again).
    static void SetScreenOverride(ScreenFactory factory);
    static ScreenFactory GetScreenOverride();

private:
    void Status(LPCSTR text);
    // Reads a configured link; FALSE when it cannot be read.
    static BOOL ReadLink(int index, CCommPortData& record);
    BOOL ApplyLink(const CCommPortData& record);
    // The direct connection of steps 5a to 5f.
    void ConnectDirectly(BOOL simulator, int count);

    IProjectHub& m_hub;
    ScreenFactory m_screenFactory;
    ChooserStarter m_chooserStarter;
    std::unique_ptr<IConnectScreen> m_pScreen;
    CConnectionState& m_state;
};
