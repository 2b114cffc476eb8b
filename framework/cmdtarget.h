// CCmdTarget and message maps: a class lists the messages, commands and
// notifications it handles between BEGIN_MESSAGE_MAP and END_MESSAGE_MAP;
// dispatch searches the class's map, then its base classes' maps.
//
// Each entry holds a small function that unpacks the message parameters and
// calls the handler with its documented signature (the ON_ macros below
// name them), so handlers are checked by the compiler.
#pragma once

#include <windows.h>

#include "framework/object.h"

class CCmdTarget;
class CCmdUI;
class CDC;
class CMenu;
class CScrollBar;
class CWnd;

// Unpacks a message for one handler. The result is the message result.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam);

// Reflected messages: a parent hands control notifications to the control
// first, as message WM_REFLECT_BASE + the original message.
const UINT WM_REFLECT_BASE = 0xBC00;
// The code of command entries that update a command's user interface.
const UINT CN_UPDATE_COMMAND_UI = 0xFFFFFFFF;
const UINT CN_COMMAND = 0;
// The map entry of every WM_CTLCOLORxxx message (the old 16-bit number).
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;           // the message; 0 ends the map
    UINT nCode;              // control or notification code (command entries)
    UINT nID;                // first control or command id
    UINT nLastID;            // last id of a range
    const UINT* pRegistered; // ON_REGISTERED_MESSAGE: where the message number lives
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Routes a command (or its update request, nCode CN_UPDATE_COMMAND_UI,
    // pExtra the CCmdUI) to this target's map; TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra);

    // Whether a command would reach a handler (without running it).
    // Targets that route commands onwards override this with OnCmdMsg.
    virtual BOOL HasCommandHandler(UINT nID) const;

    // The entry of this object's maps for a message, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT nCode, UINT nID) const;

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                                                                                          \
public:                                                                                                                \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                                                  \
    {                                                                                                                  \
        return GetThisMessageMap();                                                                                    \
    }                                                                                                                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        typedef theClass ThisClass;                                                                                    \
        typedef baseClass TheBaseClass;                                                                                \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                              \
    {                                                                                                                  \
        0, 0, 0, 0, nullptr, nullptr                                                                                   \
    }                                                                                                                  \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};                      \
    return &messageMap;                                                                                                \
    }

// The unpacking function of one entry: `self` is the object, wParam and
// lParam the message parameters.
#define AFX_MSG_THUNK(body)                                                                                            \
    [](CCmdTarget* _target, UINT _message, WPARAM wParam, LPARAM lParam) -> LRESULT {                                  \
        ThisClass* self = static_cast<ThisClass*>(_target);                                                            \
        (void)self, (void)_message, (void)wParam, (void)lParam;                                                        \
        body                                                                                                           \
    }
#define AFX_MSG_ENTRY(message, body) {message, 0, 0, 0, nullptr, AFX_MSG_THUNK(body)},

// --- window messages -------------------------------------------------------
#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, self->OnDestroy(); return 0;)
#define ON_WM_NCDESTROY() AFX_MSG_ENTRY(WM_NCDESTROY, self->OnNcDestroy(); return 0;)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, self->OnClose(); return 0;)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, self->OnPaint(); return 0;)
#define ON_WM_NCPAINT() AFX_MSG_ENTRY(WM_NCPAINT, self->OnNcPaint(); return 0;)
#define ON_WM_ERASEBKGND()                                                                                             \
    AFX_MSG_ENTRY(WM_ERASEBKGND, return self->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0;)
#define ON_WM_SIZE()                                                                                                   \
    AFX_MSG_ENTRY(WM_SIZE, self->OnSize(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),                 \
                                        static_cast<short>(HIWORD(lParam)));                                           \
                  return 0;)
#define ON_WM_SIZING()                                                                                                 \
    AFX_MSG_ENTRY(WM_SIZING, self->OnSizing(static_cast<UINT>(wParam), reinterpret_cast<LPRECT>(lParam)); return TRUE;)
#define ON_WM_MOVE()                                                                                                   \
    AFX_MSG_ENTRY(WM_MOVE, self->OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));       \
                  return 0;)
#define ON_WM_WINDOWPOSCHANGED()                                                                                       \
    AFX_MSG_ENTRY(WM_WINDOWPOSCHANGED, self->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam)); return 0;)
#define ON_WM_WINDOWPOSCHANGING()                                                                                      \
    AFX_MSG_ENTRY(WM_WINDOWPOSCHANGING, self->OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam)); return 0;)
#define ON_WM_GETMINMAXINFO()                                                                                          \
    AFX_MSG_ENTRY(WM_GETMINMAXINFO, self->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;)
#define ON_WM_SHOWWINDOW()                                                                                             \
    AFX_MSG_ENTRY(WM_SHOWWINDOW, self->OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return 0;)
#define ON_WM_ENABLE() AFX_MSG_ENTRY(WM_ENABLE, self->OnEnable(static_cast<BOOL>(wParam)); return 0;)
#define ON_WM_ACTIVATE()                                                                                               \
    AFX_MSG_ENTRY(WM_ACTIVATE, self->OnActivate(LOWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),      \
                                                static_cast<BOOL>(HIWORD(wParam)));                                    \
                  return 0;)
#define ON_WM_NCACTIVATE() AFX_MSG_ENTRY(WM_NCACTIVATE, return self->OnNcActivate(static_cast<BOOL>(wParam));)
#define ON_WM_SETFOCUS()                                                                                               \
    AFX_MSG_ENTRY(WM_SETFOCUS, self->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return 0;)
#define ON_WM_KILLFOCUS()                                                                                              \
    AFX_MSG_ENTRY(WM_KILLFOCUS, self->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return 0;)
#define AFX_KEY_ENTRY(message, handler)                                                                                \
    AFX_MSG_ENTRY(message, self->handler(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)
#define ON_WM_KEYDOWN() AFX_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_ENTRY(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_KEY_ENTRY(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSKEYUP() AFX_KEY_ENTRY(WM_SYSKEYUP, OnSysKeyUp)
#define ON_WM_SYSCHAR() AFX_KEY_ENTRY(WM_SYSCHAR, OnSysChar)
#define AFX_MOUSE_ENTRY(message, handler)                                                                              \
    AFX_MSG_ENTRY(message, self->handler(static_cast<UINT>(wParam), CPoint(lParam)); return 0;)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_MOUSE_ENTRY(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_MOUSE_ENTRY(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MOUSEWHEEL()                                                                                             \
    AFX_MSG_ENTRY(WM_MOUSEWHEEL,                                                                                       \
                  return self->OnMouseWheel(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), CPoint(lParam));)
#define ON_WM_MOUSEACTIVATE()                                                                                          \
    AFX_MSG_ENTRY(WM_MOUSEACTIVATE, return self->OnMouseActivate(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)),     \
                                                                 LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_SETCURSOR()                                                                                              \
    AFX_MSG_ENTRY(WM_SETCURSOR, return self->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)),             \
                                                         LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_NCHITTEST() AFX_MSG_ENTRY(WM_NCHITTEST, return self->OnNcHitTest(CPoint(lParam));)
#define ON_WM_CAPTURECHANGED()                                                                                         \
    AFX_MSG_ENTRY(WM_CAPTURECHANGED, self->OnCaptureChanged(CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));         \
                  return 0;)
#define ON_WM_CONTEXTMENU()                                                                                            \
    AFX_MSG_ENTRY(WM_CONTEXTMENU,                                                                                      \
                  self->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), CPoint(lParam));               \
                  return 0;)
#define ON_WM_HSCROLL()                                                                                                \
    AFX_MSG_ENTRY(WM_HSCROLL,                                                                                          \
                  self->OnHScroll(LOWORD(wParam), HIWORD(wParam),                                                      \
                                  reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))));    \
                  return 0;)
#define ON_WM_VSCROLL()                                                                                                \
    AFX_MSG_ENTRY(WM_VSCROLL,                                                                                          \
                  self->OnVScroll(LOWORD(wParam), HIWORD(wParam),                                                      \
                                  reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))));    \
                  return 0;)
// WM_CTLCOLOR stands for all the WM_CTLCOLORxxx messages; nCtlColor tells
// which (CTLCOLOR_EDIT, CTLCOLOR_STATIC, ...).
#define ON_WM_CTLCOLOR()                                                                                               \
    AFX_MSG_ENTRY(WM_CTLCOLOR, return reinterpret_cast<LRESULT>(self->OnCtlColor(                                      \
                                   CDC::FromHandle(reinterpret_cast<HDC>(wParam)),                                     \
                                   CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), _message - WM_CTLCOLORMSGBOX));)
#define ON_WM_DRAWITEM()                                                                                               \
    AFX_MSG_ENTRY(WM_DRAWITEM, self->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); \
                  return TRUE;)
#define ON_WM_MEASUREITEM()                                                                                            \
    AFX_MSG_ENTRY(WM_MEASUREITEM,                                                                                      \
                  self->OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));        \
                  return TRUE;)
#define ON_WM_GETDLGCODE() AFX_MSG_ENTRY(WM_GETDLGCODE, return self->OnGetDlgCode();)
#define ON_WM_COPYDATA()                                                                                               \
    AFX_MSG_ENTRY(WM_COPYDATA, return self->OnCopyData(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)),               \
                                                       reinterpret_cast<COPYDATASTRUCT*>(lParam));)
#define ON_WM_SYSCOMMAND()                                                                                             \
    AFX_MSG_ENTRY(WM_SYSCOMMAND, self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;)
#define ON_WM_HOTKEY()                                                                                                 \
    AFX_MSG_ENTRY(WM_HOTKEY, self->OnHotKey(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)
#define ON_WM_INITMENUPOPUP()                                                                                          \
    AFX_MSG_ENTRY(WM_INITMENUPOPUP, self->OnInitMenuPopup(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)),          \
                                                          LOWORD(lParam), HIWORD(lParam));                             \
                  return 0;)
#define ON_WM_DROPFILES() AFX_MSG_ENTRY(WM_DROPFILES, self->OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;)
#define ON_WM_QUERYENDSESSION() AFX_MSG_ENTRY(WM_QUERYENDSESSION, return self->OnQueryEndSession();)
#define ON_WM_ENDSESSION() AFX_MSG_ENTRY(WM_ENDSESSION, self->OnEndSession(static_cast<BOOL>(wParam)); return 0;)
#define ON_WM_SETTINGCHANGE()                                                                                          \
    AFX_MSG_ENTRY(WM_SETTINGCHANGE,                                                                                    \
                  self->OnSettingChange(static_cast<UINT>(wParam), reinterpret_cast<LPCTSTR>(lParam));                 \
                  return 0;)
#define ON_WM_SYSCOLORCHANGE() AFX_MSG_ENTRY(WM_SYSCOLORCHANGE, self->OnSysColorChange(); return 0;)
#define ON_WM_CANCELMODE() AFX_MSG_ENTRY(WM_CANCELMODE, self->OnCancelMode(); return 0;)

// --- any message -------------------------------------------------------------
// LRESULT handler(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) AFX_MSG_ENTRY(message, return self->memberFxn(wParam, lParam);)
// LRESULT handler(WPARAM, LPARAM) for a message number from
// RegisterWindowMessage kept in the UINT variable `var`.
#define ON_REGISTERED_MESSAGE(var, memberFxn)                                                                          \
    {                                                                                                                  \
        0xC000, 0, 0, 0, &(var), AFX_MSG_THUNK(return self->memberFxn(wParam, lParam);)                                \
    }                                                                                                                  \
    ,
// void handler(WPARAM, LPARAM): a thread message of a CWinThread.
#define ON_THREAD_MESSAGE(message, memberFxn) AFX_MSG_ENTRY(message, self->memberFxn(wParam, lParam); return 0;)
#define ON_REGISTERED_THREAD_MESSAGE(var, memberFxn)                                                                   \
    {                                                                                                                  \
        0xC000, 0, 0, 0, &(var), AFX_MSG_THUNK(self->memberFxn(wParam, lParam); return 0;)                             \
    }                                                                                                                  \
    ,

// --- commands and control notifications ----------------------------------------
// void handler()
#define ON_COMMAND(id, memberFxn)                                                                                      \
    {                                                                                                                  \
        WM_COMMAND, CN_COMMAND, (id), (id), nullptr, AFX_MSG_THUNK(self->memberFxn(); return 0;)                       \
    }                                                                                                                  \
    ,
// void handler(UINT id)
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                                        \
    {                                                                                                                  \
        WM_COMMAND, CN_COMMAND, (id), (idLast), nullptr, AFX_MSG_THUNK(self->memberFxn(LOWORD(wParam)); return 0;)     \
    }                                                                                                                  \
    ,
// void handler(CCmdUI*)
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                                            \
    {                                                                                                                  \
        WM_COMMAND, CN_UPDATE_COMMAND_UI, (id), (id), nullptr,                                                         \
            AFX_MSG_THUNK(self->memberFxn(reinterpret_cast<CCmdUI*>(lParam)); return 0;)                               \
    }                                                                                                                  \
    ,
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                                              \
    {                                                                                                                  \
        WM_COMMAND, CN_UPDATE_COMMAND_UI, (id), (idLast), nullptr,                                                     \
            AFX_MSG_THUNK(self->memberFxn(reinterpret_cast<CCmdUI*>(lParam)); return 0;)                               \
    }                                                                                                                  \
    ,
// void handler()
#define ON_CONTROL(code, id, memberFxn)                                                                                \
    {                                                                                                                  \
        WM_COMMAND, static_cast<UINT>(code), (id), (id), nullptr, AFX_MSG_THUNK(self->memberFxn(); return 0;)          \
    }                                                                                                                  \
    ,
// void handler(UINT id)
#define ON_CONTROL_RANGE(code, id, idLast, memberFxn)                                                                  \
    {                                                                                                                  \
        WM_COMMAND, static_cast<UINT>(code), (id), (idLast), nullptr,                                                  \
            AFX_MSG_THUNK(self->memberFxn(LOWORD(wParam)); return 0;)                                                  \
    }                                                                                                                  \
    ,
// void handler(NMHDR*, LRESULT*)
#define ON_NOTIFY(code, id, memberFxn)                                                                                 \
    {                                                                                                                  \
        WM_NOTIFY, static_cast<UINT>(code), (id), (id), nullptr,                                                       \
            AFX_MSG_THUNK(LRESULT result = 0; self->memberFxn(reinterpret_cast<NMHDR*>(lParam), &result);              \
                          return result;)                                                                              \
    }                                                                                                                  \
    ,
// void handler(UINT id, NMHDR*, LRESULT*)
#define ON_NOTIFY_RANGE(code, id, idLast, memberFxn)                                                                   \
    {                                                                                                                  \
        WM_NOTIFY, static_cast<UINT>(code), (id), (idLast), nullptr,                                                   \
            AFX_MSG_THUNK(LRESULT result = 0;                                                                          \
                          self->memberFxn(static_cast<UINT>(reinterpret_cast<NMHDR*>(lParam)->idFrom),                 \
                                          reinterpret_cast<NMHDR*>(lParam), &result);                                  \
                          return result;)                                                                              \
    }                                                                                                                  \
    ,

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_EN_HSCROLL(id, memberFxn) ON_CONTROL(EN_HSCROLL, id, memberFxn)
#define ON_EN_VSCROLL(id, memberFxn) ON_CONTROL(EN_VSCROLL, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn) ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn) ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELENDCANCEL(id, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)

// --- reflected to the control itself -------------------------------------------
// void handler()
#define ON_CONTROL_REFLECT(code, memberFxn)                                                                            \
    {                                                                                                                  \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, nullptr,                                          \
            AFX_MSG_THUNK(self->memberFxn(); return 0;)                                                                \
    }                                                                                                                  \
    ,
// void handler(NMHDR*, LRESULT*)
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                                             \
    {                                                                                                                  \
        WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, nullptr,                                           \
            AFX_MSG_THUNK(LRESULT result = 0; self->memberFxn(reinterpret_cast<NMHDR*>(lParam), &result);              \
                          return result;)                                                                              \
    }                                                                                                                  \
    ,
// HBRUSH handler(CDC*, UINT nCtlColor)
#define ON_WM_CTLCOLOR_REFLECT()                                                                                       \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_CTLCOLOR,                                                                       \
                  return reinterpret_cast<LRESULT>(self->CtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),      \
                                                                  _message - WM_REFLECT_BASE - WM_CTLCOLORMSGBOX));)
// void handler(UINT nSBCode, UINT nPos)
#define ON_WM_HSCROLL_REFLECT()                                                                                        \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_HSCROLL, self->HScroll(LOWORD(wParam), HIWORD(wParam)); return 0;)
#define ON_WM_VSCROLL_REFLECT()                                                                                        \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_VSCROLL, self->VScroll(LOWORD(wParam), HIWORD(wParam)); return 0;)
