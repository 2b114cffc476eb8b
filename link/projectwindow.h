// What the controller connection and the message senders need of the
// project window. The project window implements this beside its window
// class; the window answers WM_GET_WINDOW_OBJECT with its CWnd object, and
// the senders take it as a project window only when that object is also an
// IProjectWindow.
//
// Every call may come from the link's receive thread, a transaction worker
// or a tool window's thread.
#pragma once

#include <windows.h>

class ControllerMessage;

class IProjectWindow {
public:
    virtual ~IProjectWindow() = default;

    // The project window's own handle (the reply window of its own requests).
    virtual HWND GetProjectWindowHandle() = 0;
    // Takes one message from a tool window's sender: runs it now through the
    // connection's transaction or queues it. The caller keeps its record.
    virtual BOOL ProcessMessage(const ControllerMessage* message) = 0;
    // Received bytes (command id 9) for the interested tool window.
    virtual void DispatchReplyToWindow(ControllerMessage* message) = 0;
    // A controller status or compile report line; commandId 0 with no request.
    virtual void OnCompileMessage(LPCSTR text, int commandId) = 0;
    // Registered tool windows. DeliverReply holds the registry lock across
    // the lookup and the reply call, so a tool that unregisters before it is
    // deleted is never called after.
    virtual void LockRegistry() = 0;
    virtual void UnlockRegistry() = 0;
    virtual bool LookupRegisteredWindow(HWND window) = 0;
    // The project window's own replies.
    virtual void OnControllerReply(ControllerMessage* message) = 0;
    virtual bool IsReplyDispatchBlocked() = 0;
    // One line of the error list.
    virtual void AddErrorText(LPCSTR text) = 0;
    virtual void NotifyControlPanelProgram(LPCSTR program) = 0;
    // From status lines: status 0 stopped, 1 released, 3 paused; line and
    // error -1 when none; text null when none.
    virtual void SetProcessStatus(int process, int status, int line, int error, LPCSTR text) = 0;
    virtual void SetProgramStatusByName(int process, LPCSTR program) = 0;
};
