// CWindowLayout: the tool-window layout of a project. It collects one
// SWindowParameters record per open tool window into the layout list,
// writes the list into the project file ("Desktop" on the user's command,
// "AutoDesktop" when the connection fails or is closed), reads it back, and
// restores it: every tool window is closed and opened again from its
// record, one at a time, each window taking its record while it registers
// (the pending record) and releasing it with 0x8147 (lParam 0) once it has
// applied it.
//
// A record's words, as the project file stores them (little-endian):
// 0..3 the rectangle relative to the main frame's free client area, 4 the
// show state, 5 the tool id, 6 the reply mode, 7..9 the channels, then 268
// bytes of the tool's own (an editor's program name in the first 16).
//
// Runs on the project window's thread; the waits of a restore serve that
// thread's messages, since the opened window's registration and its release
// arrive as messages.
#pragma once

#include <windows.h>


#include "foundation/containers.h"
#include "link/channelset.h"
#include "project/projecthub.h"

// Field access of a layout record.
enum : int {
    LAYOUT_LEFT = 0,
    LAYOUT_TOP = 1,
    LAYOUT_RIGHT = 2,
    LAYOUT_BOTTOM = 3,
    LAYOUT_SHOW_STATE = 4,
    LAYOUT_TOOL_ID = 5,
    LAYOUT_REPLY_MODE = 6,
};
inline std::int32_t& LayoutField(SWindowParameters& record, int field) { return record.m_nHead[field]; }
inline std::int32_t LayoutField(const SWindowParameters& record, int field) { return record.m_nHead[field]; }
// The program name an editor keeps in its own data (15 characters at most).
CString GetLayoutProgramName(const SWindowParameters& record);
void SetLayoutProgramName(SWindowParameters& record, LPCSTR name);

// Takes out, for every record, each later record of the same tool id; for
// editors only those of the same program name (any case), for keypads and
// terminals only those of the same first channel.
void RemoveLayoutDuplicates(CTList<SWindowParameters>& list);

class CWindowLayout {
public:
    explicit CWindowLayout(IProjectHub& hub);
    ~CWindowLayout();
    CWindowLayout(const CWindowLayout&) = delete;
    CWindowLayout& operator=(const CWindowLayout&) = delete;

    // Collects the layout of the registered windows into the list (see the
    // .cpp for when nothing is done).
    void Collect();
    // 0x8151: collect, then write "Desktop" when the list is not empty.
    void SaveDesktop();
    // Collect, then write "AutoDesktop" (the connection failed or closed).
    void SaveAutoDesktop();
    // 0x8150: when the project has "Desktop": read it, close every tool
    // window, restore.
    void RestoreSavedDesktop();
    // 0x814F: close every tool window; read "AutoDesktop" when present;
    // restore when the list is not empty.
    void RestoreLastDesktop();
    // Reads a section into the list; FALSE without a project file.
    BOOL ReadSection(LPCSTR section);
    // Opens the list's windows again, one at a time.
    void Restore();

    // 0x8147 to the project window: record null clears the pending record,
    // else a copy becomes it. 1.
    LRESULT OnRestoreRecord(const SWindowParameters* record);

    CTList<SWindowParameters>& GetList() { return m_list; }

    // Texts and times of the restore.
    static const char* const kTimeoutText;
    static const char* const kTimeoutCaption;
    static const char* const kProgressCaption;
    static const DWORD kReleaseWaitMs = 20000;

private:
    // The top-left corner of the main frame's free client area.
    POINT GetFrameCorner();
    // Serves this thread's messages until the pending record is cleared,
    // the user cancels or the wait runs out; TRUE when released.
    bool WaitForRelease(IHubProgress& progress);

    IProjectHub& m_hub;
    CTList<SWindowParameters> m_list;
};
