// CWatchWindow: the watch window "Watch Variables" (tool 1045), a modeless
// tool dialog with a list of up to twelve watched items (VR locations and
// variables of running programs), read on Refresh, on an add or an edit
// and when a process starts, and changed in place. The items and the
// cells live in a CWatchList (watchlist.h); the window mirrors the cells
// into its list control and sends the commands through the tool base.
//
// Messages: 0x819F from the editor and itself (code 0 add an SWatchItem,
// 3 read a row, 4 read the pending items, 5 a variable table, 6 ask the
// editors for their tables again), 0x8136 process status from the project
// window; the window announces itself with 0x819D (its handle) and
// withdraws with 0x819D (0) when it goes. A controller without feature 5
// closes it at once.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>

#include "framework/controls.h"
#include "project/projectfile.h"
#include "tools/base/tooldialog.h"
#include "tools/watchlist.h"

constexpr UINT kToolIdWatch = 1045;
constexpr UINT WM_WATCH_SET_WINDOW = WM_APP + 0x19D; // to the project window: 0, this window or 0
constexpr UINT WM_WATCH_ITEM = WM_APP + 0x19F;       // code, argument
constexpr UINT WM_WATCH_PROCESS_STATUS = WM_APP + 0x136; // status, CProcessData*
constexpr UINT WM_WATCH_FEATURE = WM_APP + 0x1CC;    // to the project window: feature

// Codes of WM_WATCH_ITEM.
enum WatchItemCode : int {
    kWatchAdd = 0,
    kWatchReadRow = 3,
    kWatchReadPending = 4,
    kWatchVariableTable = 5,
    kWatchAskTables = 6,
};

class CWatchWindow : public tools::CToolDialog {
    DECLARE_DYNAMIC(CWatchWindow)
public:
    explicit CWatchWindow(HWND hWndProject = nullptr);
    ~CWatchWindow() override;

    // Reading passes finished so far (any thread): a caller that posted a
    // Refresh knows from it when the items have been read.
    int GetPassesDone() const { return m_nPassesDone.load(); }
    // The project file as the project window named it when the window
    // opened (only its path is set).
    const CProjectFile& GetProjectFile() const { return m_projectFile; }

protected:
    BOOL OnInitTool() override;

    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnRefresh();
    void OnCloseButton();
    void OnEditorKillFocus();
    LRESULT OnWatchItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnProcessStatus(WPARAM wParam, LPARAM lParam);
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    DECLARE_MESSAGE_MAP()

private:
    HWND List() const { return ::GetDlgItem(m_hWnd, 1498); }
    LRESULT AskProject(UINT message, WPARAM wParam, LPARAM lParam) const;
    void Layout();
    // Shows the model's cells that changed.
    void ShowCells();
    // Reads the pending items, one command each, unless a pass runs.
    void ReadPending();
    void Read(int row);
    // An edit of a cell ended (text null: cancelled).
    void EndEdit(int row, int column, const char* text);
    // Opens the cell editor (byMouse: the arrow keys then move the caret).
    void BeginEdit(int row, int column, bool byMouse = false);
    void FinishEditor(bool cancelled);
    // A key that ends the edit and opens the editor on the next cell
    // (Enter: next row, column 0; Down, Up: that row; Left, Right: that
    // column; Tab, Shift+Tab: the next or previous cell; Ctrl+Home,
    // Ctrl+End: the first row, the last row in use; Page Up, Page Down: a
    // page up or down; Esc: none).
    void MoveEditor(UINT key, bool shift);
    // Whether a key pressed in the editor moves it to another cell.
    bool IsEditorMoveKey(UINT key) const;
    // Widens the editor to its text, at most to the list's right edge.
    void FitEditor();
    static LRESULT CALLBACK ListProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    static LRESULT CALLBACK EditorProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);

    // The Refresh button's picture and tool tip.
    void DecorateRefresh();

    CWatchList m_list;
    CProjectFile m_projectFile;
    HBITMAP m_hRefreshBitmap = nullptr;
    CToolTipCtrl m_toolTip;
    std::string m_shown[kWatchRows][kWatchColumns];
    HWND m_hEditor = nullptr;
    int m_nEditRow = -1;
    int m_nEditColumn = -1;
    bool m_bEditorByMouse = false;
    bool m_bFinishing = false;
    std::atomic<int> m_nPassesDone{0};
};
