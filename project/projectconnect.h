// CProjectConnector: takes the project window from "not connected" to
// "connected" (link open, controller identified, project checked and
// backed up, hardware scanned) and back, on request, on a link failure, on
// a lock request and when the link settings change.
//
// Everything runs on the project window's thread; the state (connected,
// connecting, disconnecting, ...) is the hub's. A connect request that
// arrives while a connect runs is kept once and served after it; a
// disconnect while one runs does nothing. The busy indication of the main
// frame (0x814D/0x814E) is switched off only by the operation that switched
// it on.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/datetime.h"
#include "link/commportdata.h"
#include "project/projecthub.h"

class CControllerSearch;
class CWindowLayout;

class CProjectConnector {
public:
    CProjectConnector(IProjectHub& hub, CControllerSearch& search, CWindowLayout& layout);
    CProjectConnector(const CProjectConnector&) = delete;
    CProjectConnector& operator=(const CProjectConnector&) = delete;

    // The time of day of the link-failure text (the local time by default).
    using TimeSource = std::function<CTime()>;
    void SetTimeSource(TimeSource source);

    // 0x810B: connect, or keep the request while a connect runs.
    void OnConnectRequest(WPARAM parameter);
    // The connect itself; the connected flag.
    BOOL Connect(WPARAM parameter);
    // The steps after a controller was found; the connected flag.
    BOOL RunPostConnect(BOOL extras, BOOL autoResolve);
    // 1 when it disconnected, 0 when there was nothing to do.
    int Disconnect(int keepToolId, int reason);

    // 0x810E (reason, tool window to keep).
    void OnDisconnectRequest(int reason, int keepToolId);
    // 0x81D5: the link failed.
    void OnLinkFailure();
    // 0x8124: new link settings (parameter null: 1).
    void OnChangeLink(const int* parameter, const CCommPortData* record);
    // 0x8156: lock (1) or unlock (0) with a code.
    void OnLock(BOOL lock, long code);
    // 0x81A1: close the tools and search the simulator.
    void OnConnectToSimulator();

    // Texts.
    static const char* const kLinkFailureFormat;
    static const char* const kLinkFailureCaption;

private:
    // The main frame's busy indication for the life of the object: switched
    // on when it is off, and then off again at the end.
    class CFrameBusy {
    public:
        explicit CFrameBusy(CProjectConnector& connector);
        ~CFrameBusy();
        CFrameBusy(const CFrameBusy&) = delete;
        CFrameBusy& operator=(const CFrameBusy&) = delete;

    private:
        CProjectConnector& m_connector;
        BOOL m_bSetHere;
    };
    BOOL FrameBusyOn();
    void FrameBusyOff(BOOL setHere);
    BOOL RunConnectionValues(BOOL extras);
    void RestoreLayoutAfterConnect();

    IProjectHub& m_hub;
    CControllerSearch& m_search;
    CWindowLayout& m_layout;
    CConnectionState& m_state;
    TimeSource m_timeSource;
};
